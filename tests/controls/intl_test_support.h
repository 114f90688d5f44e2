#pragma once

#include <gtest/gtest.h>

#include "controls/intl_support.h"
#include "foundation/kstring.h"
#include "platform/regional_settings.h"

namespace vx::controls {

// English settings from a table, the decimal point "."; a test changes the
// table and calls Read() for others.
class IntlTest : public ::testing::Test {
 protected:
  IntlTest() {
    table.currency = "$";
    table.morning = "AM";
    table.afternoon = "PM";
    table.date_separator = "/";
    table.time_separator = ":";
    table.short_date = "M/d/yy";
    table.time_leading_zero = true;
    table.month_names = {"January", "February", "March",     "April",   "May",      "June",
                         "July",    "August",   "September", "October", "November", "December"};
    table.day_names = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
    set_decimal_separator('.');
  }
  ~IntlTest() override {
    platform::clear_regional_settings();
    reset_decimal_separator();
  }

  TOvcIntlSup Read() {
    platform::set_regional_settings(table);
    TOvcIntlSup intl;
    intl.current_year = 2001;
    intl.current_month = 7;
    return intl;
  }

  platform::RegionalSettings table;
};

}  // namespace vx::controls

#include "platform/regional_settings.h"

#include <gtest/gtest.h>
#include <locale.h>

#include <cstdlib>

namespace vx::platform {
namespace {

struct DateCase {
  const char* d_fmt;
  const char* short_date;
};

TEST(RegionalSettingsTest, DateFormatsBecomeShortDates) {
  const DateCase cases[] = {
      {"%m/%d/%y", "MM/dd/yy"},
      {"%d.%m.%Y", "dd.MM.yyyy"},
      {"%Y-%m-%d", "yyyy-MM-dd"},
      {"%D", "MM/dd/yy"},
      {"%F", "yyyy-MM-dd"},
      {"%-d/%-m/%Y", "d/M/yyyy"},
      {"%e/%m/%y", "d/MM/yy"},
      {"%d %b %Y", "dd MMM yyyy"},
      {"%d %B %Y", "dd MMMM yyyy"},
      {"%Od/%Om/%EY", "dd/MM/yyyy"},
      {"%d.%m.%Y.", "dd.MM.yyyy."},
      // A letter would read as a picture letter; an unknown field has no letter.
      {"%Y\xE5%m%d", "yyyy\xE5MMdd"},
      {"%dde%m", ""},
      {"%d/%j", ""},
      {"%d/%", ""},
      // A weekday would read as a day number.
      {"%a %d/%m", ""},
  };
  for (const DateCase& c : cases) EXPECT_EQ(short_date_from_date_format(c.d_fmt), c.short_date) << c.d_fmt;
}

struct TimeCase {
  const char* t_fmt;
  bool twelve_hour_clock;
  bool leading_zero;
  const char* separator;
};

TEST(RegionalSettingsTest, TimeFormatsGiveClockSeparatorAndLeadingZero) {
  const TimeCase cases[] = {
      {"%H:%M:%S", false, true, ":"},   {"%T", false, true, ":"},          {"%r", true, true, ":"},
      {"%I:%M:%S %p", true, true, ":"}, {"%l:%M:%S %p", true, false, ":"}, {"%k.%M", false, false, "."},
      {"%-H:%M", false, false, ":"},    {"%Hh%M", false, true, ""},        {"", false, false, ""},
  };
  for (const TimeCase& c : cases) {
    const TimeFormatFacts facts = time_format_facts(c.t_fmt);
    EXPECT_EQ(facts.twelve_hour_clock, c.twelve_hour_clock) << c.t_fmt;
    EXPECT_EQ(facts.leading_zero, c.leading_zero) << c.t_fmt;
    EXPECT_EQ(facts.separator, c.separator) << c.t_fmt;
  }
}

TEST(RegionalSettingsTest, SeparatorIsTheCharacterAfterTheFirstField) {
  EXPECT_EQ(format_separator("%d.%m.%Y"), ".");
  EXPECT_EQ(format_separator("%D"), "/");
  EXPECT_EQ(format_separator("%Y"), "");
  EXPECT_EQ(format_separator("%d%m"), "");
}

TEST(RegionalSettingsTest, NoBreakSpacesBecomeA0AndOtherSeparatorsNeed1252) {
  EXPECT_EQ(thousands_separator_text(U"\u00A0"), "\xA0");
  EXPECT_EQ(thousands_separator_text(U"\u202F"), "\xA0");
  EXPECT_EQ(thousands_separator_text(U"."), ".");
  EXPECT_EQ(thousands_separator_text(U"\u2019"), "\x92");
  EXPECT_EQ(thousands_separator_text(U"\u066C"), "");
  EXPECT_EQ(thousands_separator_text(U""), "");
}

TEST(RegionalSettingsTest, TextsOutside1252AreRefused) {
  EXPECT_EQ(windows_1252_text(U"f\u00E9vr.").value_or("?"), "f\xE9vr.");
  EXPECT_EQ(windows_1252_text(U"\u20AC").value_or("?"), "\x80");
  EXPECT_FALSE(windows_1252_text(U"\u20BD").has_value());
}

TEST(RegionalSettingsTest, CLocale) {
  const RegionalSettings c = locale_regional_settings("C");
  EXPECT_EQ(c.short_date, "MM/dd/yy");
  EXPECT_EQ(c.date_separator, "/");
  EXPECT_EQ(c.time_separator, ":");
  EXPECT_EQ(c.thousands_separator, "");
  EXPECT_EQ(c.currency, "");
  EXPECT_EQ(c.currency_position, 0);
  EXPECT_EQ(c.morning, "AM");
  EXPECT_EQ(c.afternoon, "PM");
  EXPECT_FALSE(c.twelve_hour_clock);
  EXPECT_TRUE(c.time_leading_zero);
  EXPECT_EQ(c.long_date, "");
  EXPECT_EQ(c.month_names[0], "January");
  EXPECT_EQ(c.month_names[11], "December");
  EXPECT_EQ(c.day_names[0], "Sunday");
  EXPECT_EQ(c.day_names[6], "Saturday");
}

TEST(RegionalSettingsTest, MissingLocaleReadsAsC) {
  const RegionalSettings missing = locale_regional_settings("xx_NOWHERE.UTF-8");
  EXPECT_EQ(missing.short_date, "MM/dd/yy");
  EXPECT_EQ(missing.month_names[1], "February");
}

bool locale_installed(const char* name) {
  const locale_t locale = newlocale(LC_ALL_MASK, name, static_cast<locale_t>(0));
  if (locale == static_cast<locale_t>(0)) return false;
  freelocale(locale);
  return true;
}

TEST(RegionalSettingsTest, FrenchLocaleWhenInstalled) {
  if (!locale_installed("fr_FR.UTF-8")) GTEST_SKIP() << "fr_FR.UTF-8 is not installed";
  const RegionalSettings fr = locale_regional_settings("fr_FR.UTF-8");
  EXPECT_EQ(fr.thousands_separator, "\xA0");
  EXPECT_EQ(fr.short_date, "dd/MM/yyyy");
  EXPECT_EQ(fr.currency, "\x80");
  EXPECT_EQ(fr.currency_position, 3);
  EXPECT_EQ(fr.month_names[1], "f\xE9vrier");
}

TEST(RegionalSettingsTest, InstalledTableReplacesTheLocale) {
  RegionalSettings table;
  table.short_date = "yyyy-MM-dd";
  table.long_date = "dddd 'de' MMMM";
  set_regional_settings(table);
  EXPECT_EQ(regional_settings().short_date, "yyyy-MM-dd");
  EXPECT_EQ(regional_settings().long_date, "dddd 'de' MMMM");
  clear_regional_settings();
  ASSERT_EQ(setenv("LC_ALL", "C", 1), 0);
  EXPECT_EQ(regional_settings().short_date, "MM/dd/yy");
  unsetenv("LC_ALL");
}

}  // namespace
}  // namespace vx::platform

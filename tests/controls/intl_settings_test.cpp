#include <locale.h>

#include <cstdlib>
#include <string>

#include "intl_test_support.h"

namespace vx::controls {
namespace {

using IntlSettingsTest = IntlTest;

struct ThousandsCase {
  char decimal;
  const char* setting;
  char thousands;
};

TEST_F(IntlSettingsTest, ThousandsSeparatorNeverMeetsTheDecimal) {
  const ThousandsCase cases[] = {
      {'.', "", ','},        {',', "", '.'},   {',', ",", '.'},  {'.', ".", ','},
      {',', "\xA0", '\xA0'}, {'.', "'", '\''}, {'.', "ab", ','}, {',', " ", ' '},
  };
  for (const ThousandsCase& c : cases) {
    set_decimal_separator(c.decimal);
    table.thousands_separator = c.setting;
    const TOvcIntlSup intl = Read();
    EXPECT_EQ(intl.decimal_char, c.decimal) << c.setting;
    EXPECT_EQ(intl.thousands_char, c.thousands) << c.setting;
  }
}

struct CurrencyCase {
  const char* currency;
  int position;
  const char* left;
  const char* right;
};

TEST_F(IntlSettingsTest, CurrencyTextsKeepTheirBlank) {
  const CurrencyCase cases[] = {
      {"", 0, "$", "$"},
      {"\x80", 3, "\x80", " \x80"},
      {"ABCDE", 2, "ABCDE ", "ABCDE"},
      {"ABCDEFG", 3, "ABCDE", " ABCDE"},
      {"kr", 1, "kr", "kr"},
  };
  for (const CurrencyCase& c : cases) {
    table.currency = c.currency;
    table.currency_position = c.position;
    const TOvcIntlSup intl = Read();
    EXPECT_EQ(intl.LeftCurrency(), c.left) << c.currency;
    EXPECT_EQ(intl.RightCurrency(), c.right) << c.currency;
  }
}

TEST_F(IntlSettingsTest, OneByteSettingsAndTexts) {
  table.date_separator = ".";
  table.time_separator = "::";
  table.morning = "";
  table.afternoon = "nachm.";
  const TOvcIntlSup dotted = Read();
  EXPECT_EQ(dotted.date_separator, '.');
  EXPECT_EQ(dotted.time_separator, ':');
  EXPECT_EQ(dotted.morning_text, "AM");
  EXPECT_EQ(dotted.afternoon_text, "nachm");
  table.date_separator = "";
  table.time_separator = ".";
  const TOvcIntlSup empty = Read();
  EXPECT_EQ(empty.date_separator, '/');
  EXPECT_EQ(empty.time_separator, '.');
}

TEST_F(IntlSettingsTest, YesNoTrueFalseFromTheMessages) {
  const TOvcIntlSup intl = Read();
  EXPECT_EQ(intl.yes_char, 'Y');
  EXPECT_EQ(intl.no_char, 'N');
  EXPECT_EQ(intl.true_char, 'T');
  EXPECT_EQ(intl.false_char, 'F');
}

struct LongDateCase {
  const char* long_date;
  const char* first;
  const char* second;
  const char* third;
};

TEST_F(IntlSettingsTest, LiteralTextsHoldSixCharacters) {
  const LongDateCase cases[] = {
      {"", "", "", ""},
      {"dddd 'de' MMMM 'literally' yyyy 'x' 'y'", "de", "litera", "x"},
      {"dddd '' MMMM 'open", "", "", ""},
  };
  for (const LongDateCase& c : cases) {
    table.long_date = c.long_date;
    const TOvcIntlSup intl = Read();
    EXPECT_EQ(intl.literal_texts[0], c.first) << c.long_date;
    EXPECT_EQ(intl.literal_texts[1], c.second) << c.long_date;
    EXPECT_EQ(intl.literal_texts[2], c.third) << c.long_date;
  }
}

struct ShortDateCase {
  const char* short_date;
  const char* date_separator;
  std::string_view two_digit;
  std::string_view four_digit;
};

TEST_F(IntlSettingsTest, ShortDateMasks) {
  const ShortDateCase cases[] = {
      {"M/d/yy", "/", "MM/DD/yy", "MM/DD/yyyy"},
      {"MM/dd/yyyy", "/", "mm/dd/yyyy", "mm/dd/yyyy"},
      {"dd.MM.yyyy", ".", "dd/mm/yyyy", "dd/mm/yyyy"},
      {"d-M-y", "-", "DD/MM/yy", "DD/MM/yyyy"},
      {"dd MMM yyyy", "/", "dd nnn yyyy", "dd nnn yyyy"},
      {"MMMM d, yyyy", "/", "nnnn DD, yyyy", "nnnn DD, yyyy"},
      {"", "/", "mm/dd/yy", "mm/dd/yyyy"},
      // The mask keeps to 29 characters: runs stop growing at its end.
      {"d/M/y----------------------", "/", "DD/MM/y----------------------", "DD/MM/y----------------------"},
      {"d/M/yy-----------------------------", "/", "D/M/yy-----------------------", "D/M/yy-----------------------"},
  };
  for (const ShortDateCase& c : cases) {
    table.short_date = c.short_date;
    table.date_separator = c.date_separator;
    const TOvcIntlSup intl = Read();
    EXPECT_EQ(intl.ShortDateMask(false), c.two_digit) << c.short_date;
    EXPECT_EQ(intl.ShortDateMask(true), c.four_digit) << c.short_date;
    EXPECT_LE(intl.ShortDateMask(true).size(), 29u);
  }
}

TEST_F(IntlSettingsTest, TimeMasks) {
  table.twelve_hour_clock = true;
  table.morning = "a";
  table.afternoon = "PMX";
  TOvcIntlSup intl = Read();
  EXPECT_EQ(intl.TimeMask(true), "hh:mm:ss ttt");
  EXPECT_EQ(intl.TimeMask(false), "hh:mm ttt");
  intl.time_leading_zero = false;
  EXPECT_EQ(intl.TimeMask(false), "Hh:mm ttt");
  intl.morning_text.clear();
  intl.afternoon_text.clear();
  EXPECT_EQ(intl.TimeMask(false), "Hh:mm");
  intl.twelve_hour_clock = false;
  intl.morning_text = "AM";
  EXPECT_EQ(intl.TimeMask(true), "Hh:mm:ss");
}

TEST_F(IntlSettingsTest, ProgramObjectIsMadeOnce) {
  platform::set_regional_settings(table);
  create_intl_support();
  TOvcIntlSup& first = intl_support();
  EXPECT_EQ(&intl_support(), &first);
  EXPECT_EQ(first.short_date, "M/d/yy");
  free_intl_support();
}

// The real locale path, for the locales a machine surely has or when installed.
class IntlLocaleTest : public ::testing::Test {
 protected:
  ~IntlLocaleTest() override {
    unsetenv("LC_ALL");
    reset_decimal_separator();
  }
  static TOvcIntlSup ReadLocale(const char* name) {
    setenv("LC_ALL", name, 1);
    init_decimal_separator();
    return TOvcIntlSup();
  }
};

TEST_F(IntlLocaleTest, CLocale) {
  const TOvcIntlSup intl = ReadLocale("C");
  EXPECT_EQ(intl.short_date, "MM/dd/yy");
  EXPECT_EQ(intl.decimal_char, '.');
  EXPECT_EQ(intl.thousands_char, ',');
  EXPECT_EQ(intl.LeftCurrency(), "$");
  EXPECT_EQ(intl.morning_text, "AM");
  EXPECT_EQ(intl.afternoon_text, "PM");
  EXPECT_EQ(intl.month_names[0], "January");
}

bool LocaleInstalled(const char* name) {
  const locale_t locale = newlocale(LC_ALL_MASK, name, static_cast<locale_t>(0));
  if (locale == static_cast<locale_t>(0)) return false;
  freelocale(locale);
  return true;
}

TEST_F(IntlLocaleTest, FrenchLocaleWhenInstalled) {
  if (!LocaleInstalled("fr_FR.UTF-8")) GTEST_SKIP() << "fr_FR.UTF-8 is not installed";
  const TOvcIntlSup intl = ReadLocale("fr_FR.UTF-8");
  EXPECT_EQ(intl.decimal_char, ',');
  EXPECT_EQ(intl.thousands_char, '\xA0');
  EXPECT_EQ(intl.short_date, "dd/MM/yyyy");
  EXPECT_EQ(intl.RightCurrency(), " \x80");
}

}  // namespace
}  // namespace vx::controls

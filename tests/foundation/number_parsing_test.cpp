#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "foundation/kstring.h"

namespace vx {
namespace {

constexpr std::int32_t int32_min = std::numeric_limits<std::int32_t>::min();

struct IntegerCase {
  std::string text;
  bool ok;
  std::int32_t value;  // the error position when not ok
};

TEST(StrToLong, ReadsEveryNumberFormAndNamesTheBadPosition) {
  const IntegerCase cases[] = {
      // Forms that give 31.
      {"31", true, 31},
      {"  31  ", true, 31},
      {"$1F", true, 31},
      {"0x1F", true, 31},
      {"0X1f", true, 31},
      {"x1F", true, 31},
      {"1FH", true, 31},
      {"1fh", true, 31},
      {" 1FH ", true, 31},
      {"+31", true, 31},
      {"-$10", true, -16},
      {"-0x10", true, -16},
      {"0", true, 0},
      {"0H", true, 0},
      // Nothing to read.
      {"", false, 1},
      {"   ", false, 1},
      {"H", false, 1},
      {"  H", false, 3},
      // Bad characters, counted in the text as written.
      {"1F", false, 2},
      {"12a", false, 3},
      {"5 5", false, 2},
      {"- 5", false, 2},
      {"\t5", false, 1},
      {"++5", false, 2},
      {"1FXH", false, 3},
      {"12GH", false, 3},
      {"-1H", false, 1},
      {"0x1FH", false, 2},
      // Texts that end too early.
      {"+", false, 2},
      {"-  ", false, 2},
      {"$", false, 3},
      {"-$", false, 4},
      {"0x", false, 4},
      {"  x", false, 5},
      // Decimal range.
      {"2147483647", true, 2147483647},
      {"2147483648", false, 11},
      {"-2147483648", true, int32_min},
      {"-2147483649", false, 12},
      {"21474836470", false, 11},
      {"99999999999", false, 10},
      // Hexadecimal range: the 32 bits are the value.
      {"$FFFFFFFF", true, -1},
      {"$7FFFFFFF", true, 2147483647},
      {"$100000000", false, 10},
      {"-$80000000", true, int32_min},
      {"-$FFFFFFFF", true, 1},
      {"0FFFFFFFFH", true, -1},
      {"  0FFFFFFFFFH", false, 12},
      // At the 255-character limit.
      {std::string(254, ' ') + "H", false, 255},
      {std::string(252, ' ') + "1FH", true, 31},
      {std::string(254, ' ') + "$", false, 257},
  };
  for (const IntegerCase& c : cases) {
    std::int32_t value = 0;
    EXPECT_EQ(str_to_long(c.text, value), c.ok) << '"' << c.text << '"';
    EXPECT_EQ(value, c.value) << '"' << c.text << '"';
    std::int32_t int_value = 0;
    EXPECT_EQ(str_to_int(c.text, int_value), c.ok) << '"' << c.text << '"';
    EXPECT_EQ(int_value, c.value) << '"' << c.text << '"';
  }
}

TEST(StrToWord, AddsTheRangeAndFailsAtTheFullLength) {
  const struct {
    std::string text;
    bool ok;
    std::uint16_t value;
  } cases[] = {
      {"65535", true, 65535},
      {"$FFFF", true, 65535},
      {" 1FH ", true, 31},
      {"0", true, 0},
      {"65536 ", false, 6},
      {"-1", false, 2},
      {"$10000", false, 6},
      {"$FFFFFFFF", false, 9},
      {"abc", false, 1},
      {"", false, 1},
  };
  for (const auto& c : cases) {
    std::uint16_t value = 0;
    EXPECT_EQ(str_to_word(c.text, value), c.ok) << '"' << c.text << '"';
    EXPECT_EQ(value, c.value) << '"' << c.text << '"';
  }
}

class DecimalSeparator : public testing::Test {
 protected:
  void TearDown() override { reset_decimal_separator(); }
};

struct RealCase {
  std::string text;
  bool ok;
  long double value;  // the error position when not ok
};

void expect_reals(const RealCase* begin, const RealCase* end) {
  for (const RealCase* c = begin; c != end; ++c) {
    long double value = -99;
    EXPECT_EQ(str_to_real(c->text, value), c->ok) << '"' << c->text << '"';
    EXPECT_EQ(value, c->value) << '"' << c->text << '"';
  }
}

TEST_F(DecimalSeparator, RealsWithThePoint) {
  const RealCase cases[] = {
      {"", true, 0.0L},
      {"   ", true, 0.0L},
      {" 1.5 ", true, 1.5L},
      {"-2.5e3", true, -2500.0L},
      {"+.5", true, 0.5L},
      {"25E-2", true, 0.25L},
      {"5.", true, 5.0L},
      {"-0", true, 0.0L},
      // Error positions count in the text without its surrounding blanks.
      {"  12a", false, 3},
      {"1.5x", false, 4},
      {"1..2", false, 3},
      {"1,5", false, 2},
      {"e5", false, 1},
      {"inf", false, 1},
      {"1e", false, 3},
      {"1e+", false, 4},
      {"-", false, 2},
      {".", false, 1},
      {"1e99999", false, 8},
  };
  expect_reals(std::begin(cases), std::end(cases));
}

TEST_F(DecimalSeparator, RealsWithAComma) {
  set_decimal_separator(',');
  const RealCase cases[] = {
      {"1,5", true, 1.5L},
      {"2,", true, 2.0L},
      {"1.5", true, 1.5L},
      {"-,5", true, -0.5L},
      {"1,5,3", false, 4},
      {"1,5.3", false, 4},
  };
  expect_reals(std::begin(cases), std::end(cases));
}

// Sets an environment variable for one test and puts the old value back.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    setenv(name, value, 1);
  }
  ~ScopedEnvironment() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST_F(DecimalSeparator, ComesFromTheUserLocaleWithoutChangingTheProcessLocale) {
  const std::string process_locale = std::setlocale(LC_NUMERIC, nullptr);
  set_decimal_separator(',');
  {
    ScopedEnvironment locale("LC_ALL", "C");
    init_decimal_separator();
    EXPECT_EQ(decimal_separator(), '.');
  }
  set_decimal_separator(',');
  {
    ScopedEnvironment locale("LC_ALL", "xx_NOWHERE.none");
    init_decimal_separator();
    EXPECT_EQ(decimal_separator(), '.');
  }
  EXPECT_EQ(std::setlocale(LC_NUMERIC, nullptr), process_locale);
}

}  // namespace
}  // namespace vx

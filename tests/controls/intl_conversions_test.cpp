#include <array>
#include <climits>
#include <string_view>

#include "controls/date_arithmetic.h"
#include "controls/string_routines.h"
#include "controls/time_arithmetic.h"
#include "intl_test_support.h"

namespace vx::controls {
namespace {

class IntlConversionsTest : public IntlTest {
 protected:
  IntlConversionsTest() {
    table.long_date = "dddd 'de' MMMM 'del' yyyy";
    intl = Read();
  }
  TOvcIntlSup intl;
};

struct DateCase {
  const char* mask;
  int day, month, year;
  bool pack;
  std::string_view text;
};

TEST_F(IntlConversionsTest, FormatsDates) {
  const DateCase cases[] = {
      {"mm/dd/yyyy", 1, 1, 2000, false, "01/01/2000"},
      {"MM/DD/yy", 5, 3, 2001, false, " 3/ 5/01"},
      {"MM/DD/yy", 5, 3, 2001, true, "3/5/01"},
      {"nnn dd, yyyy", 5, 1, 2001, false, "Jan 05, 2001"},
      {"NNNNNNNNN|", 5, 3, 2001, false, "MARCH    |"},
      {"NNNNNNNNN|", 5, 3, 2001, true, "MARCH|"},
      {"wwwwwwwww|WWW", 1, 1, 2000, false, "Saturday |SAT"},
      {"wwwwwwwww|", 1, 1, 2000, true, "Saturday|"},
      {"mm/dd/yyyy", 31, 12, 3999, false, "12/31/3999"},
      {"yy", 1, 1, 1999, false, "99"},
      {"DD ff mm gggg yyyy hh", 2, 4, 2010, false, " 2 de 04 del  2010   "},
  };
  for (const DateCase& c : cases) {
    const std::int32_t day_number = DayNumberOf(c.day, c.month, c.year, 0);
    EXPECT_EQ(intl.FormatDate(c.mask, day_number, c.pack), c.text) << c.mask;
    EXPECT_EQ(intl.FormatDayMonthYear(c.mask, c.day, c.month, c.year, 0, c.pack), c.text) << c.mask;
  }
}

TEST_F(IntlConversionsTest, DayNumbersOutsideTheRangeFormatAsNoDate) {
  for (const std::int32_t day_number : {kNoDate, kLastDayNumber + 1, INT_MAX, INT_MIN}) {
    EXPECT_EQ(intl.FormatDate("mm/dd/yyyy", day_number, false), "  /  /    ") << day_number;
    EXPECT_EQ(intl.FormatDate("NNN ww", day_number, true), std::string(6, ' ')) << day_number;
  }
}

TEST_F(IntlConversionsTest, DateSeparatorNamesAndEpoch) {
  intl.date_separator = '.';
  intl.month_names[1] = "f\xE9vrier";
  EXPECT_EQ(intl.FormatDate("dd/mm/yyyy", DayNumberOf(9, 2, 2024, 0), false), "09.02.2024");
  EXPECT_EQ(intl.FormatDate("NNNNNNN", DayNumberOf(9, 2, 2024, 0), false), "F\xC9VRIER");
  EXPECT_EQ(intl.FormatDayMonthYear("mm/dd/yyyy", 5, 3, 1, 1950, false), "03.05.2001");
}

struct TimeCase {
  const char* mask;
  std::int32_t seconds;
  bool pack;
  std::string_view text;
};

TEST_F(IntlConversionsTest, FormatsTimes) {
  const TimeCase cases[] = {
      {"hh:mm tt", SecondsOf(0, 5, 0), false, "12:05 AM"},
      {"hh:mm tt", SecondsOf(13, 30, 0), false, "01:30 PM"},
      {"hh:mm tt", SecondsOf(12, 0, 0), false, "12:00 PM"},
      {"hh:mm:ss", SecondsOf(13, 30, 7), false, "13:30:07"},
      {"HH:MM", SecondsOf(9, 5, 0), false, " 9: 5"},
      {"HH:MM", SecondsOf(9, 5, 0), true, "9:5"},
      {"Hh:mm ttt", SecondsOf(9, 5, 0), true, "9:05 AM "},
      {"hh:mm tt", kNoTime, false, "  :   AM"},
      {"hh:mm tt", kNoTime, true, "  :   AM"},
  };
  for (const TimeCase& c : cases) EXPECT_EQ(intl.FormatTime(c.mask, c.seconds, c.pack), c.text) << c.mask;
}

TEST_F(IntlConversionsTest, FormatsTimesWithOtherTexts) {
  const std::int32_t half_past_one = SecondsOf(13, 30, 0);
  EXPECT_EQ(intl.FormatTimeWith("hh:mm tt", half_past_one, false, "", ""), "13:30   ");
  EXPECT_EQ(intl.FormatTimeWith("hh:mm tt", half_past_one, true, "", ""), "13:30");
  EXPECT_EQ(intl.FormatTimeWith("hh:mm tt", SecondsOf(9, 0, 0), true, "", "PM"), "09:00");
  EXPECT_EQ(intl.FormatTimeWith("hh:mm tt", SecondsOf(9, 0, 0), false, "", "PM"), "09:00   ");
  EXPECT_EQ(intl.FormatTimeWith("hh:mm tt", kNoTime, false, "", "PM"), "  :     ");
  EXPECT_EQ(intl.FormatTimeWith("hh:mm ttt", half_past_one, false, "vorm", "nachm"), "01:30 nac");
  intl.time_separator = '.';
  EXPECT_EQ(intl.FormatTime("hh:mm", half_past_one, false), "13.30");
}

struct ReadDateCase {
  const char* mask;
  const char* text;
  int epoch;
  std::int32_t day_number;
};

TEST_F(IntlConversionsTest, ReadsDates) {
  const ReadDateCase cases[] = {
      {"mm/dd/yyyy", "02/29/2000", 0, DayNumberOf(29, 2, 2000, 0)},
      {"mm/dd/yyyy", "02/30/2000", 0, kNoDate},
      {"mm/dd/yyyy", "02/29/200", 0, kNoDate},
      {"MM/DD/yy", " 2/ 3/49", 1950, DayNumberOf(3, 2, 2049, 0)},
      {"MM/DD/yy", " 2/ 3/50", 1950, DayNumberOf(3, 2, 1950, 0)},
      {"nnn dd yyyy", "feb 03 2001", 0, DayNumberOf(3, 2, 2001, 0)},
      {"NNNNN dd yyyy", "MARCH 03 2001", 0, DayNumberOf(3, 3, 2001, 0)},
      {"nnn dd yyyy", "Xyz 03 2001", 0, kNoDate},
      {"dd/mm", "04/02", 0, DayNumberOf(4, 2, 2001, 0)},
      {"dd", "04", 0, DayNumberOf(4, 7, 2001, 0)},
      {"yyyy", "2010", 0, DayNumberOf(1, 7, 2010, 0)},
      {"mm/dd/yyyy", "  /01/2000", 0, kNoDate},
      {"mm/dd/yyyy", "1a/01/2000", 0, kNoDate},
      {"mm/dd/yyyy", "12/31/3999", 0, kLastDayNumber},
      {"mm/dd/yyyy", "01/01/4000", 0, kNoDate},
  };
  for (const ReadDateCase& c : cases) {
    EXPECT_EQ(intl.DateFromText(c.mask, c.text, c.epoch), c.day_number) << c.mask << " " << c.text;
  }
}

TEST_F(IntlConversionsTest, SplitsDatesAndSeesBlankOnes) {
  const SplitDate split = intl.SplitDateText("mm/dd/yy", "02/30/99", 1950);
  EXPECT_EQ(split.day, 30);
  EXPECT_EQ(split.month, 2);
  EXPECT_EQ(split.year, 99);
  EXPECT_FALSE(split.valid);
  EXPECT_TRUE(intl.DateTextBlank("mm/dd/yyyy", "  /  /    "));
  EXPECT_TRUE(intl.DateTextBlank("nnn/yyyy", "   /    "));
  EXPECT_FALSE(intl.DateTextBlank("mm/dd/yyyy", "  /01/    "));
  EXPECT_FALSE(intl.DateTextBlank("mm/dd/yyyy", "  /  /2000"));
}

TEST_F(IntlConversionsTest, MonthNamesAndMaskFields) {
  EXPECT_EQ(intl.MonthFromName("MAR", 3), 3);
  EXPECT_EQ(intl.MonthFromName("march", 5), 3);
  EXPECT_EQ(intl.MonthFromName("Ju", 2), 6);
  EXPECT_EQ(intl.MonthFromName("May", 4), 5);
  EXPECT_EQ(intl.MonthFromName("Mayo", 4), 0);
  EXPECT_EQ(intl.PickMaskField("yy/mm", "ab/01", 'y', 7, -5), -1);
  EXPECT_EQ(intl.PickMaskField("yy/mm", "  /01", 'Y', 7, -5), -5);
  EXPECT_EQ(intl.PickMaskField("yy/mm", "20/01", 'd', 7, -5), 7);
  EXPECT_EQ(intl.PickMaskField("yy/mm", "20/1", 'y', 7, -5), 7);
  EXPECT_EQ(intl.PickMaskField("mmmmmmmmmmmmmmmmmmmmmmmm", "000000000000000000000009", 'm', 7, -5), 0);
  EXPECT_EQ(intl.PickMaskField("yyyyyyyyyyyy", "999999999999", 'y', 7, -5), -1);
}

struct ReadTimeCase {
  const char* mask;
  const char* text;
  std::int32_t seconds;
};

TEST_F(IntlConversionsTest, ReadsTimes) {
  const ReadTimeCase cases[] = {
      {"hh:mm tt", "12:05 AM", SecondsOf(0, 5, 0)},
      {"hh:mm tt", "12:30 PM", SecondsOf(12, 30, 0)},
      {"hh:mm tt", "01:30 pm", SecondsOf(13, 30, 0)},
      {"hh:mm ttt", "01:30 AM ", SecondsOf(1, 30, 0)},
      {"hh:mm tt", "00:30 AM", kNoTime},
      {"hh:mm tt", "13:30 PM", kNoTime},
      {"hh:mm tt", "01:30   ", kNoTime},
      {"hh:mm tt", "01:30 XX", kNoTime},
      {"hh:mm tt", "1:30 AM", kNoTime},
      {"hh:mm", "25:00", kNoTime},
      {"hh:mm", "  :30", kNoTime},
      {"hh:mm:ss", "13:30:07", SecondsOf(13, 30, 7)},
      {"mm:ss", "10:05", SecondsOf(0, 10, 5)},
      {"HH:MM", " 9: 5", SecondsOf(9, 5, 0)},
  };
  for (const ReadTimeCase& c : cases)
    EXPECT_EQ(intl.TimeFromText(c.mask, c.text), c.seconds) << c.mask << " " << c.text;
  intl.morning_text.clear();
  EXPECT_EQ(intl.TimeFromText("hh:mm tt", "13:30 xx"), SecondsOf(13, 30, 0));
}

TEST_F(IntlConversionsTest, BuffersBehaveAsCountedTexts) {
  std::array<char, 32> buffer{};
  const std::int32_t day_number = DayNumberOf(5, 3, 2001, 0);
  EXPECT_EQ(text_in(intl.FormatDate(buffer, "MM/DD/yy", day_number, true)),
            intl.FormatDate("MM/DD/yy", day_number, true).view());
  EXPECT_EQ(text_in(intl.FormatDayMonthYear(buffer, "nnn yyyy", 5, 3, 1, 1950, false)), "Mar 2001");
  EXPECT_EQ(text_in(intl.FormatTime(buffer, "hh:mm tt", SecondsOf(13, 30, 0), false)), "01:30 PM");
  EXPECT_EQ(text_in(intl.FormatTimeWith(buffer, "hh:mm tt", SecondsOf(13, 30, 0), true, "", "")), "13:30");
  std::array<char, 6> small{};
  EXPECT_EQ(text_in(intl.FormatDate(small, "mm/dd/yyyy", day_number, false)), "03/05");
  const char* date_mask = "mm/dd/yyyy";
  const char* date_text = "03/05/2001";
  EXPECT_EQ(intl.DateFromText(date_mask, date_text, 0), day_number);
  EXPECT_TRUE(intl.SplitDateText(date_mask, date_text, 0).valid);
  EXPECT_TRUE(intl.DateTextBlank(date_mask, "  /  /    "));
  EXPECT_EQ(intl.TimeFromText("hh:mm", "13:30"), SecondsOf(13, 30, 0));
  EXPECT_TRUE(intl.SplitTimeText("hh:mm", "13:30").valid);
  EXPECT_EQ(intl.MonthFromName("DEC", 3), 12);
}

}  // namespace
}  // namespace vx::controls

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "interface/serial/ad_except.h"
#include "interface/serial/ad_str_map.h"
#include "interface/serial/oo_misc.h"
#include "platform/serial/serial_device.h"
#include "support/scoped_platform.h"

namespace vx::serial {
namespace {

TEST(SerialMessagesTest, TheTableIsOrderedByAbsoluteNumberWithoutRepeats) {
  const auto table = MessageNumberTable();
  ASSERT_FALSE(table.empty());
  for (std::size_t i = 1; i < table.size(); ++i) {
    EXPECT_LT(std::abs(table[i - 1].number), std::abs(table[i].number)) << table[i].number;
  }
}

TEST(SerialMessagesTest, TextsAreFoundWhateverTheSign) {
  struct Case {
    std::int32_t code;
    const char* text;
  };
  const Case cases[] = {
      {-2001, "ie_BadId - Specified comport doesn't exist"},
      {2001, "ie_BadId - Specified comport doesn't exist"},
      {0, "OK"},
      {-5, "File access denied"},
      {-3007, "Buffer is empty"},
      {15501, "Time      Type      SubType       Data      OtherData"},
      {-15601, "DCTS "},
      {15742, "Character Set"},
      {65536 + 5, "File access denied"},  // taken as 16 bits
      {-1234, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(MessageTextForCode(c.code), c.text) << c.code;
  EXPECT_EQ(LookupMessageNumber(-2011), "The ComNumber property of the TApdComPort has not been set");
  EXPECT_EQ(LookupMessageNumber(87), "") << "not in the table";
}

TEST(SerialMessagesTest, SystemTextsFillTheGapsTidied) {
  const ShortText expected =
      TidySystemMessage(ShortText(platform::system_error_text(platform::ERROR_INVALID_PARAMETER)));
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(MessageTextForCode(-87), expected);
  struct Case {
    const char* text;
    const char* tidy;
  };
  const Case cases[] = {{"The parameter is incorrect.\r\n", "The parameter is incorrect. "},
                        {"a\tb", "a b"},
                        {"a    b", "a b"},
                        {"  ", " "},
                        {"", ""},
                        {"\r\n\r\n", " "}};
  for (const Case& c : cases) EXPECT_EQ(TidySystemMessage(c.text), c.tidy) << c.text;
}

// Which exception a code raises: a check per expected class.
template <typename E>
void expect_raises(std::int32_t code, std::int32_t error_code, const char* message) {
  try {
    RaiseForCode(nullptr, code);
    ADD_FAILURE() << code << " raised nothing";
  } catch (const E& error) {
    EXPECT_EQ(error.ErrorCode(), error_code) << code;
    EXPECT_STREQ(error.what(), message) << code;
  } catch (const std::exception& error) {
    ADD_FAILURE() << code << " raised another class: " << error.what();
  }
}

TEST(SerialExceptionsTest, EachCodeRaisesItsClass) {
  expect_raises<EAlreadyOpen>(-2008, -2008, "ie_Open - device already open");
  expect_raises<EOpenComm>(-2001, -2001, "ie_BadId - Specified comport doesn't exist");
  expect_raises<ENoPortSelected>(-2011, -2011, "The ComNumber property of the TApdComPort has not been set");
  expect_raises<EBufferIsEmpty>(-3007, -3007, "Buffer is empty");
  expect_raises<ESerialIO>(-3006, -3006, "Output buffer too small for block");
  expect_raises<EBadArgument>(-1002, -1002, "Bad argument passed to function");
  expect_raises<EBadTriggerHandle>(-5003, -5003, "Bad trigger handle");
  expect_raises<EInOutError>(-5, 5, "File access denied");
  expect_raises<EInOutError>(-2, 2, "File not found");
  expect_raises<EAPDException>(-1001, 0, "Tarvo exception");
  expect_raises<EAPDException>(-3002, 0, "Tarvo exception");
  expect_raises<EAPDException>(-6007, 0, "Tarvo exception");
  expect_raises<EModem>(-4003, -4003, "");
  expect_raises<ETapi>(-13900, -13900, "");
  expect_raises<EFax>(-8053, -8053, "");
  expect_raises<ERasLoadFail>(-13980, -13980, "");
  expect_raises<EGeneral>(-7006, -7006, "");
  expect_raises<EINI>(-7013, -7013, "");
}

TEST(SerialExceptionsTest, SystemErrorsWithoutATableTextTakeTheSystemsText) {
  const std::string system_text =
      TidySystemMessage(ShortText(platform::system_error_text(platform::ERROR_INVALID_PARAMETER))).str();
  expect_raises<EInOutError>(-87, 87, system_text.c_str());
  EXPECT_THROW(RaiseForCode(nullptr, -8), std::bad_alloc);
}

TEST(SerialExceptionsTest, GoodCodesAndLoadingComponentsRaiseNothing) {
  for (const std::int32_t code : {0, 1, 42, 3007}) EXPECT_EQ(RaiseForCode(nullptr, code), code);
  TApdBaseComponent loading;
  loading.SetLoading(true);
  EXPECT_EQ(RaiseForCode(&loading, -2008), -2008);
  loading.SetLoading(false);
  EXPECT_THROW(RaiseForCode(&loading, -2008), EAlreadyOpen);
}

TEST(SerialExceptionsTest, AnExceptionMadeFromATextHasNoCode) {
  const EAPDException error(std::string("custom"));
  EXPECT_EQ(error.ErrorCode(), 0);
  EXPECT_STREQ(error.what(), "custom");
  EXPECT_EQ(TApdBaseComponent().Version(), "v4.05");
}

class TickTimerTest : public testing::Test {
 protected:
  void SetUp() override { reset_millisecond_counter(); }
  void TearDown() override { reset_millisecond_counter(); }
};

TEST_F(TickTimerTest, MillisecondsComeFromTheCounterWhenItsFrequencyFits32Bits) {
  struct Case {
    std::uint64_t frequency;
    std::uint64_t counts_per_ms;
  };
  const Case cases[] = {{1'000'000'000, 1'000'000}, {1'193'182, 1193}, {3'579'545, 3580}, {0, 0}, {10'000'000'000, 0}};
  for (const Case& c : cases) {
    test::ScopedVirtualClock clock(c.frequency);
    reset_millisecond_counter();
    clock->advance_nanoseconds(2'500'000'000);
    const std::uint32_t ms = ElapsedMs();
    EXPECT_EQ(millisecond_counter().counts_per_ms, c.counts_per_ms) << c.frequency;
    EXPECT_NEAR(ms, 2500, 2) << c.frequency;
  }
}

TEST_F(TickTimerTest, ATimerOf36TicksExpiresAfterMoreThan1980AndAtMost2035Ms) {
  for (const std::uint64_t offset_ms : {0, 1, 27, 54}) {
    test::ScopedVirtualClock clock;
    reset_millisecond_counter();
    clock->advance_nanoseconds(offset_ms * 1'000'000);
    EventTimer timer;
    StartTickTimer(timer, 36);
    std::uint64_t waited = 0;
    while (!TickTimerExpired(timer)) {
      clock->advance_nanoseconds(1'000'000);
      ++waited;
    }
    EXPECT_GT(waited, 1980u) << offset_ms;
    EXPECT_LE(waited, 2035u) << offset_ms;
  }
}

TEST_F(TickTimerTest, LongTimersAreCappedAndAWrappedClockCounts) {
  test::ScopedVirtualClock clock(0);
  EventTimer timer;
  StartTickTimer(timer, 2'000'000'000);
  EXPECT_EQ(timer.ExpireTicks - timer.StartTicks, max_ticks);
  EXPECT_FALSE(TickTimerExpired(timer));
  // Below its start the tick count has wrapped: it counts on from there.
  const EventTimer wrapped{39'045'150, 39'045'200};
  clock->advance_nanoseconds(std::uint64_t{10} * 55 * 1'000'000);
  EXPECT_FALSE(TickTimerExpired(wrapped)) << "17 ticks on of 50";
  clock->advance_nanoseconds(std::uint64_t{50} * 55 * 1'000'000);
  EXPECT_TRUE(TickTimerExpired(wrapped)) << "67 ticks on";
}

}  // namespace
}  // namespace vx::serial

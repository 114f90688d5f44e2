#include <memory>
#include <optional>
#include <stdexcept>

#include "interface/serial/ad_sel_com.h"
#include "interface/serial/dispatcher_list.h"
#include "interface/serial/win32_dispatcher.h"
#include "platform/ws/message_window.h"
#include "platform/ws/messages.h"
#include "support/scoped_platform.h"
#include "tests/interface/serial_test_support.h"

namespace vx::serial {
namespace {

using platform::SimulatedSerialPort;
using testing_support::bytes;

constexpr std::uint32_t both_lines = LineDtrOn | LineRtsOn;

class DispatcherTest : public testing_support::SerialTest {
 protected:
  // COM3 opened at 115200 8N1 with 1024-byte queues.
  std::unique_ptr<TApdWin32Dispatcher> open(std::uint32_t out_queue = 1024) {
    auto dispatcher = std::make_unique<TApdWin32Dispatcher>(nullptr);
    EXPECT_EQ(dispatcher->AttachDevice("\\\\.\\COM3", 115200, 0, 8, 1, 1024, out_queue, both_lines), 0);
    return dispatcher;
  }
  // Bytes from the far end, waited for until the dispatcher holds them.
  void arrive(TApdWin32Dispatcher& dispatcher, const std::vector<std::uint8_t>& data, std::uint32_t errors = 0) {
    const std::uint32_t before = dispatcher.InputCount();
    port_.send(data, errors);
    ASSERT_TRUE(eventually([&] { return dispatcher.InputCount() >= before + data.size(); }));
  }

  SimulatedSerialPort& port_ = bus_.port(3);
};

TEST(DispatcherTablesTest, BaudIndexCodesDecodeAndOtherValuesPassThrough) {
  struct Case {
    std::uint32_t code;
    std::uint32_t baud;
  };
  const Case cases[] = {{0xFEFF, 115200}, {0xFF10, 110},    {0xFF16, 9600},   {0xFF1B, 38400}, {0xFF27, 256000},
                        {0xFF19, 0xFF19}, {0xFF28, 0xFF28}, {57600, 57600},   {0, 0}};
  for (const Case& c : cases) EXPECT_EQ(DecodeBaud(c.code), c.baud) << std::hex << c.code;
}

TEST(DispatcherTablesTest, TheLineIsQuietFor18CharacterTimes) {
  struct Case {
    std::uint32_t baud;
    std::uint8_t byte_size;
    std::uint8_t parity;
    std::uint8_t stop_bits;
    std::uint32_t ms;
  };
  const Case cases[] = {
      {115200, 8, 0, platform::ONESTOPBIT, 2},   // 86 x 10 x 18 = 15,480
      {9600, 8, 0, platform::ONESTOPBIT, 19},    // 1041 x 10 x 18 = 187,380
      {9600, 7, 2, platform::TWOSTOPBITS, 21},   // 1041 x 11 x 18 = 206,118
      {1'000'000, 8, 0, platform::ONESTOPBIT, 1},  // 1800, doubled below 1 ms
      {20'000'000, 8, 0, platform::ONESTOPBIT, 0},
      {0, 8, 0, platform::ONESTOPBIT, 0},  // no rate: no division by zero
  };
  for (const Case& c : cases) {
    platform::DeviceControlBlock state;
    state.ByteSize = c.byte_size;
    state.Parity = c.parity;
    state.StopBits = c.stop_bits;
    EXPECT_EQ(LineQuietMs(c.baud, state), c.ms) << c.baud;
  }
}

TEST(DispatcherTablesTest, DataTriggersMatchAcrossPartialStarts) {
  struct Case {
    const char* pattern;
    bool ignore_case;
    const char* input;
    int match_at;  // index of the byte completing the first match, -1 for none
  };
  const Case cases[] = {
      {"OK", false, "xxOK", 3},    {"OK", false, "OOK", 2},       {"OK", true, "xok", 2},
      {"OK", false, "ok", -1},     {"AAB", false, "AAAB", 3},     {"ABAC", false, "ABABAC", 5},
      {"A", false, "xA", 1},       {"", false, "anything", -1},
  };
  for (const Case& c : cases) {
    std::array<std::uint8_t, MaxTrigData> pattern{};
    const std::string text = c.pattern;
    std::copy(text.begin(), text.end(), pattern.begin());
    std::array<std::uint32_t, MaxTrigData> counters{};
    int matched = -1;
    const std::string input = c.input;
    for (std::size_t i = 0; i < input.size() && matched < 0; ++i) {
      if (MatchDataByte(counters, static_cast<std::uint8_t>(input[i]), static_cast<std::uint32_t>(text.size()),
                        c.ignore_case, pattern)) {
        matched = static_cast<int>(i);
        for (const std::uint32_t counter : counters) EXPECT_EQ(counter, 0u) << "a match clears every counter";
      }
    }
    EXPECT_EQ(matched, c.match_at) << c.pattern << " in " << c.input;
  }
}

TEST_F(DispatcherTest, ANewDispatcherTakesTheFirstEmptyEntryOfTheList) {
  auto first = std::make_unique<TApdWin32Dispatcher>(nullptr);
  auto second = std::make_unique<TApdWin32Dispatcher>(nullptr);
  auto third = std::make_unique<TApdWin32Dispatcher>(nullptr);
  EXPECT_EQ(first->GetListIndex(), 0);
  EXPECT_EQ(second->GetListIndex(), 1);
  EXPECT_EQ(third->GetListIndex(), 2);
  EXPECT_EQ(dispatcher_at(1), second.get());
  second.reset();
  EXPECT_EQ(dispatcher_at(1), nullptr) << "the cached lookup went with it";
  auto fourth = std::make_unique<TApdWin32Dispatcher>(nullptr);
  EXPECT_EQ(fourth->GetListIndex(), 1);
  third.reset();
  EXPECT_EQ(dispatcher_list().DispatcherList.size(), 2u) << "empty entries at the end are dropped";
  EXPECT_EQ(dispatcher_at(5), nullptr);
}

TEST_F(DispatcherTest, AttachingRunsThreeWorkersAndDetachingEndsThem) {
  auto dispatcher = open();
  EXPECT_TRUE(port_.is_open());
  EXPECT_EQ(dispatcher->RunningWorkerCount(), 3);
  EXPECT_TRUE(dispatcher->WorkersStarted());
  EXPECT_EQ(port_.state().BaudRate, 115200u);
  EXPECT_TRUE(port_.dtr());
  EXPECT_TRUE(port_.rts());
  dispatcher->DetachDevice();
  EXPECT_EQ(dispatcher->RunningWorkerCount(), 0);
  EXPECT_FALSE(port_.is_open());
  EXPECT_EQ(dispatcher->InputCount(), 0u);
  std::uint8_t byte = 0;
  EXPECT_EQ(dispatcher->ReadInput(byte), -3007) << "no ring any more";
}

TEST_F(DispatcherTest, FailedAttachmentsUndoWhatTheyOpened) {
  {
    TApdWin32Dispatcher missing(nullptr);
    EXPECT_EQ(missing.AttachDevice(ComDeviceName(9), 9600, 0, 8, 1, 1024, 1024, both_lines), -2);
  }
  struct Case {
    void (*fault)(SimulatedSerialPort&);
    std::int32_t result;
  };
  const Case cases[] = {
      {[](SimulatedSerialPort& p) { p.set_open_error(platform::ERROR_ACCESS_DENIED); }, -5},
      {[](SimulatedSerialPort& p) { p.set_queue_error(platform::ERROR_NOT_ENOUGH_MEMORY); }, -8},
      {[](SimulatedSerialPort& p) { p.set_state_error(platform::ERROR_INVALID_PARAMETER); }, -87},
  };
  std::uint32_t number = 4;
  for (const Case& c : cases) {
    SimulatedSerialPort& port = bus_.port(number);
    c.fault(port);
    TApdWin32Dispatcher dispatcher(nullptr);
    EXPECT_EQ(dispatcher.AttachDevice(ComDeviceName(number), 115200, 0, 8, 1, 1024, 1024, both_lines), c.result);
    EXPECT_FALSE(port.is_open()) << number;
    EXPECT_EQ(dispatcher.RunningWorkerCount(), 0);
    ++number;
  }
}

TEST_F(DispatcherTest, APortHeldByAnotherDispatcherIsAccessDenied) {
  auto first = open();
  TApdWin32Dispatcher second(nullptr);
  EXPECT_EQ(second.AttachDevice("\\\\.\\COM3", 9600, 0, 8, 1, 1024, 1024, both_lines), -5);
  EXPECT_EQ(first->RunningWorkerCount(), 3);
}

TEST_F(DispatcherTest, ARingWhoseHeadMeetsItsTailIsEmptyUnlessFull) {
  port_.set_output_capacity(0);
  auto dispatcher = open(16);
  EXPECT_EQ(dispatcher->WriteOutputBlock(nullptr, 0), 0);
  const std::vector<std::uint8_t> ten(10, 0x55);
  EXPECT_EQ(dispatcher->WriteOutputBlock(ten.data(), 10), 0);
  const std::vector<std::uint8_t> seven(7, 0xAA);
  EXPECT_EQ(dispatcher->WriteOutputBlock(seven.data(), 7), -3006) << "one more than the free space";
  EXPECT_EQ(dispatcher->OutputCount(), 10u) << "nothing of it queued";
  EXPECT_EQ(dispatcher->WriteOutputBlock(seven.data(), 6), 0) << "exactly the free space";
  EXPECT_EQ(dispatcher->OutputCount(), 16u);
  EXPECT_EQ(dispatcher->OutputSpace(), 0u);
  EXPECT_EQ(dispatcher->WriteOutput(1), -3006);
}

TEST_F(DispatcherTest, PeekingAndReadingStopAtTheUnreadBytes) {
  auto dispatcher = open();
  std::uint8_t byte = 0x77;
  EXPECT_EQ(dispatcher->ReadInput(byte), -3007);
  EXPECT_EQ(byte, 0x77) << "an empty ring gives nothing";
  arrive(*dispatcher, bytes({1, 2, 3}));
  EXPECT_EQ(dispatcher->PeekInput(3, byte), 0);
  EXPECT_EQ(byte, 3);
  EXPECT_EQ(dispatcher->PeekInput(4, byte), -3007);
  EXPECT_EQ(dispatcher->PeekInput(0, byte), -3007);
  for (const std::uint8_t expected : {1, 2, 3}) {
    ASSERT_EQ(dispatcher->ReadInput(byte), 0);
    EXPECT_EQ(byte, expected);
  }
  EXPECT_EQ(dispatcher->InputCount(), 0u);
  EXPECT_EQ(dispatcher->ReadInput(byte), -3007);
}

TEST_F(DispatcherTest, TheInputRingWrapsAndFillsWithoutLosingOrder) {
  port_.set_input_capacity(20000);
  auto dispatcher = open();
  std::vector<std::uint8_t> first(5000);
  for (std::size_t i = 0; i < first.size(); ++i) first[i] = static_cast<std::uint8_t>(i);
  arrive(*dispatcher, first);
  std::uint8_t byte = 0;
  for (int i = 0; i < 5000; ++i) ASSERT_EQ(dispatcher->ReadInput(byte), 0);
  std::vector<std::uint8_t> second(InputRingSize + 100);
  for (std::size_t i = 0; i < second.size(); ++i) second[i] = static_cast<std::uint8_t>(i * 7);
  port_.send(second);
  ASSERT_TRUE(eventually([&] { return dispatcher->InputCount() == InputRingSize; }));
  EXPECT_EQ(port_.held_input(), 100u) << "a full ring leaves the rest in the device";
  for (std::size_t i = 0; i < second.size(); ++i) {
    ASSERT_TRUE(eventually([&] { return dispatcher->InputCount() > 0; }));
    ASSERT_EQ(dispatcher->ReadInput(byte), 0);
    ASSERT_EQ(byte, second[i]) << i;
  }
}

TEST_F(DispatcherTest, ALineChangeThatChangesNothingDoesNotWait) {
  test::ScopedVirtualClock clock;
  auto dispatcher = open();
  const std::uint32_t changes = port_.state_changes();
  const std::uint64_t before = clock->now_nanoseconds();
  EXPECT_EQ(dispatcher->ChangeLine(KeepBaud, KeepParity, KeepDataBits, KeepStopBits), 0);
  EXPECT_EQ(dispatcher->ChangeLine(115200, 0, 8, 1), 0);
  EXPECT_EQ(clock->now_nanoseconds(), before);
  EXPECT_EQ(port_.state_changes(), changes);
}

TEST_F(DispatcherTest, ALineChangeWaitsFor18CharactersAtTheOldRate) {
  test::ScopedVirtualClock clock;
  auto dispatcher = open();
  const std::uint64_t before = clock->now_nanoseconds();
  EXPECT_EQ(dispatcher->ChangeLine(9600, KeepParity, KeepDataBits, KeepStopBits), 0);
  EXPECT_EQ(clock->now_nanoseconds() - before, 2'000'000u) << "2 ms at 115200";
  EXPECT_EQ(port_.state().BaudRate, 9600u);
  EXPECT_EQ(dispatcher->GetLastBaud(), 9600u);
  EXPECT_EQ(dispatcher->ChangeLine(19200, KeepParity, KeepDataBits, KeepStopBits), 0);
  EXPECT_EQ(clock->now_nanoseconds() - before, 21'000'000u) << "then 19 ms at 9600";
}

TEST_F(DispatcherTest, FiveDataBitsTakeOneAndAHalfStopBits) {
  auto dispatcher = open();
  struct Case {
    std::uint8_t data_bits;
    std::uint8_t stop_bits;
    std::uint8_t code;
  };
  const Case cases[] = {{5, 1, platform::ONE5STOPBITS}, {5, 2, platform::ONE5STOPBITS}, {8, 2, platform::TWOSTOPBITS},
                        {8, 0, platform::ONESTOPBIT},   {7, 7, platform::TWOSTOPBITS}};
  for (const Case& c : cases) {
    EXPECT_EQ(dispatcher->ChangeLine(KeepBaud, KeepParity, c.data_bits, c.stop_bits), 0);
    EXPECT_EQ(port_.state().ByteSize, c.data_bits);
    EXPECT_EQ(port_.state().StopBits, c.code) << int{c.data_bits} << "/" << int{c.stop_bits};
  }
  std::uint32_t baud = 0;
  std::uint8_t parity = 9;
  std::uint8_t stop_bits = 0;
  std::uint8_t data_bits = 0;
  dispatcher->QueryLine(baud, parity, stop_bits, data_bits);
  EXPECT_EQ(baud, 115200u);
  EXPECT_EQ(parity, 0);
  EXPECT_EQ(stop_bits, 2);
  EXPECT_EQ(data_bits, 7);
}

TEST_F(DispatcherTest, LineErrorsAreTakenInOrderAndABreakStaysUntilTakenItself) {
  auto dispatcher = open();
  arrive(*dispatcher, bytes({0x41}), platform::CE_OVERRUN | platform::CE_FRAME);
  EXPECT_EQ(dispatcher->TakeLineError(), 2);
  EXPECT_EQ(dispatcher->TakeLineError(), 0) << "both cleared";
  arrive(*dispatcher, bytes({0x42}), platform::CE_BREAK);
  EXPECT_EQ(dispatcher->TakeLineError(), 9);
  EXPECT_EQ(dispatcher->TakeLineError(), 9);
  EXPECT_TRUE(dispatcher->TakeLineBreak());
  EXPECT_FALSE(dispatcher->TakeLineBreak());
  EXPECT_EQ(dispatcher->TakeLineError(), 0);
  arrive(*dispatcher, bytes({0x43}), platform::CE_RXPARITY | platform::CE_BREAK);
  EXPECT_EQ(dispatcher->TakeLineError(), 3);
  EXPECT_EQ(dispatcher->TakeLineError(), 9);
}

TEST_F(DispatcherTest, AnErrorSeenByTheDispatcherSurvivesAWrite) {
  auto dispatcher = open();
  arrive(*dispatcher, bytes({0x41}), platform::CE_FRAME);
  EXPECT_EQ(dispatcher->WriteOutput(0x42), 0);
  EXPECT_EQ(dispatcher->TakeLineError(), 4);
}

TEST_F(DispatcherTest, FlowLimitsOutOfRangeChangeNothing) {
  auto dispatcher = open();
  const std::uint32_t changes = port_.state_changes();
  EXPECT_EQ(dispatcher->ApplyHardwareFlow(100, 200, hfUseRTS), -1002);
  EXPECT_EQ(dispatcher->ApplyHardwareFlow(1025, 10, hfUseRTS), -1002);
  EXPECT_EQ(dispatcher->ApplySoftwareFlow(1025, 10, sfReceiveFlow), -1002);
  EXPECT_EQ(port_.state_changes(), changes);
  EXPECT_EQ(dispatcher->ApplyHardwareFlow(900, 100, hfUseRTS | hfRequireCTS), 0);
  EXPECT_EQ(port_.state().fRtsControl, platform::RTS_CONTROL_HANDSHAKE);
  EXPECT_TRUE(port_.state().fOutxCtsFlow);
  EXPECT_EQ(port_.state().XoffLim, 124);
  EXPECT_EQ(port_.state().XonLim, 100);
  EXPECT_EQ(dispatcher->DriveRts(false), 1) << "under flow control the line is not driven";
  std::uint32_t hw = 0;
  std::uint32_t sw = 0;
  char xoff = 0;
  char xon = 0;
  EXPECT_EQ(dispatcher->QueryFlow(hw, sw, xoff, xon), 0);
  EXPECT_EQ(hw, hfUseRTS | hfRequireCTS);
  EXPECT_EQ(sw, 0u);
}

TEST_F(DispatcherTest, ModemLineChangesSetTheirChangeFlags) {
  auto dispatcher = open();
  dispatcher->StopWorkers();
  port_.set_modem_lines(platform::MS_CTS_ON | platform::MS_RLSD_ON);
  dispatcher->RefreshModemDeltas();
  const std::uint8_t lines = dispatcher->ReadModemStatus(0xF0);
  EXPECT_EQ(lines & 0xF0, 0x90);
  EXPECT_EQ(lines & 0x0F, 0x09) << "DCTS and DDCD";
  EXPECT_EQ(dispatcher->ReadModemStatus(0xFF) & 0x0F, 0) << "the keep mask dropped the flags";
  port_.set_modem_lines(platform::MS_RLSD_ON);
  dispatcher->RefreshModemDeltas();
  EXPECT_EQ(dispatcher->ReadModemStatus(0xFF), 0x81) << "CTS dropped";
}

TEST_F(DispatcherTest, AFullOutputRingWrappedAtKIsTurnedAndWrittenInOneGo) {
  port_.set_output_capacity(5);
  auto dispatcher = open(16);
  std::vector<std::uint8_t> first(16);
  for (std::size_t i = 0; i < 16; ++i) first[i] = static_cast<std::uint8_t>(i);
  ASSERT_EQ(dispatcher->WriteOutputBlock(first.data(), 16), 0);
  ASSERT_TRUE(eventually([&] { return port_.written_count() == 5 && dispatcher->OutputCount() == 11; }));
  const std::vector<std::uint8_t> more = bytes({16, 17, 18, 19, 20});
  ASSERT_EQ(dispatcher->WriteOutputBlock(more.data(), 5), 0);
  EXPECT_EQ(dispatcher->OutputCount(), 16u) << "full, head and tail both at 5";
  port_.set_output_capacity(SimulatedSerialPort::unlimited);
  ASSERT_TRUE(eventually([&] { return dispatcher->OutputCount() == 0; }));
  EXPECT_EQ(port_.write_sizes(), (std::vector<std::size_t>{5, 16}));
  std::vector<std::uint8_t> expected(21);
  for (std::size_t i = 0; i < expected.size(); ++i) expected[i] = static_cast<std::uint8_t>(i);
  EXPECT_EQ(port_.receive(), expected);
  ASSERT_EQ(dispatcher->WriteOutputBlock(more.data(), 5), 0) << "the ring starts again at 0";
  ASSERT_TRUE(eventually([&] { return port_.written_count() == 5; }));
}

TEST_F(DispatcherTest, AFlushDuringABlockedWriteReturnsAtOnceWithAnEmptyRing) {
  port_.set_output_capacity(0);
  auto dispatcher = open();
  const std::vector<std::uint8_t> block(300, 0x5A);
  ASSERT_EQ(dispatcher->WriteOutputBlock(block.data(), 300), 0);
  pause_ms(20);
  const std::uint64_t start = real_ms();
  EXPECT_EQ(dispatcher->DiscardOutput(), 0);
  EXPECT_LT(real_ms() - start, 1000u);
  EXPECT_EQ(dispatcher->OutputCount(), 0u);
  port_.set_output_capacity(SimulatedSerialPort::unlimited);
  const std::vector<std::uint8_t> next = bytes({1, 2});
  ASSERT_EQ(dispatcher->WriteOutputBlock(next.data(), 2), 0);
  ASSERT_TRUE(eventually([&] { return port_.written_count() == 2; }));
  EXPECT_EQ(port_.receive(), next) << "nothing of the flushed block went out";
}

TEST_F(DispatcherTest, PurgingOutputWithoutAnOutputThreadDiscardsTheDeviceInput) {
  auto dispatcher = open();
  dispatcher->StopWorkers();
  EXPECT_EQ(dispatcher->RunningWorkerCount(), 0);
  port_.send(bytes({1, 2, 3}));
  ASSERT_EQ(dispatcher->WriteOutputBlock(bytes({9, 9}).data(), 2), 0);
  EXPECT_EQ(dispatcher->DevPurge(0), 0);
  EXPECT_EQ(port_.held_input(), 0u);
  EXPECT_EQ(dispatcher->OutputCount(), 2u) << "the output ring is untouched";
}

TEST_F(DispatcherTest, WithoutDeviceEventsTheDispatchThreadStillPullsEvery50Ms) {
  test::ScopedVirtualClock clock;
  auto dispatcher = open();
  port_.set_silent(true);
  port_.send(bytes({7, 8}));
  pause_ms(60);
  EXPECT_EQ(dispatcher->InputCount(), 0u) << "no virtual time has passed";
  clock->advance_nanoseconds(51'000'000);
  EXPECT_TRUE(eventually([&] { return dispatcher->InputCount() == 2; }));
}

TEST_F(DispatcherTest, StartingTheWorkersTwiceIsRefused) {
  auto dispatcher = open();
  try {
    dispatcher->StartWorkers();
    ADD_FAILURE() << "no exception";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "Dispatcher already started");
  }
  EXPECT_EQ(dispatcher->RunningWorkerCount(), 3);
}

TEST_F(DispatcherTest, AFailedEventWaitEndsOnlyTheEventThread) {
  auto dispatcher = open();
  port_.fail_event_waits();
  ASSERT_TRUE(eventually([&] { return dispatcher->RunningWorkerCount() == 2; }));
  arrive(*dispatcher, bytes({1, 2, 3}));
  ASSERT_EQ(dispatcher->WriteOutput(4), 0);
  EXPECT_TRUE(eventually([&] { return port_.written_count() == 1; }));
}

TEST_F(DispatcherTest, DeviceFailuresLoseNoRingState) {
  auto dispatcher = open();
  port_.set_read_failure(true);
  port_.send(bytes({1, 2}));
  pause_ms(120);
  EXPECT_EQ(dispatcher->InputCount(), 0u) << "a failed read counts as none";
  port_.set_read_failure(false);
  EXPECT_TRUE(eventually([&] { return dispatcher->InputCount() == 2; }));
  port_.set_write_failure(true);
  ASSERT_EQ(dispatcher->WriteOutputBlock(bytes({5, 6, 7}).data(), 3), 0);
  EXPECT_TRUE(eventually([&] { return dispatcher->OutputCount() == 0; })) << "a failed write drops its chunk";
  EXPECT_EQ(port_.written_count(), 0u);
}

TEST_F(DispatcherTest, ManyOpensAndClosesLeaveNothingBehind) {
  for (int cycle = 0; cycle < 200; ++cycle) {
    auto dispatcher = open();
    ASSERT_EQ(dispatcher->WriteOutput(static_cast<std::uint8_t>(cycle)), 0);
    port_.send(bytes({cycle & 0xFF}));
    dispatcher.reset();
    ASSERT_FALSE(port_.is_open()) << cycle;
  }
  EXPECT_EQ(port_.open_count(), 200u);
  EXPECT_TRUE(dispatcher_list().DispatcherList.empty());
}

// A window that takes what an event offers, as a receiver on the main thread would.
class ReceiverWindow : public ws::MessageWindow {
 public:
  explicit ReceiverWindow(TApdBaseDispatcher*& dispatcher)
      : ws::MessageWindow([this, &dispatcher](ws::MessageWindow& self, ws::Message& message) -> ws::LResult {
          if (message.id < MsgTriggerAvail || message.id > MsgTriggerStatus) return self.default_proc(message);
          received.push_back(message);
          if (message.id == MsgTriggerAvail && read_on_avail) {
            std::uint8_t byte = 0;
            while (dispatcher->ReadInput(byte) == 0) taken.push_back(byte);
          }
          if (on_message) on_message(message);
          return 0;
        }) {}

  bool read_on_avail = false;
  std::function<void(const ws::Message&)> on_message;
  std::vector<ws::Message> received;
  std::vector<std::uint8_t> taken;
};

TEST_F(DispatcherTest, AnAvailEventLetsTheReceiverTakeEachByteOnce) {
  auto dispatcher = open();
  TApdBaseDispatcher* target = dispatcher.get();
  ReceiverWindow window(target);
  window.read_on_avail = true;
  dispatcher->SetAvailLevel(1);
  dispatcher->AddWindowReceiver(window.handle());
  dispatcher->SetEventDelivery(1);
  port_.send(bytes({1, 2, 3}));
  ASSERT_TRUE(eventually([&] { return window.taken.size() == 3; }));
  ASSERT_FALSE(window.received.empty());
  const ws::Message& first = window.received.front();
  EXPECT_EQ(first.id, MsgTriggerAvail);
  EXPECT_EQ(first.wparam, 3u);
  EXPECT_EQ(ws::high_word(static_cast<std::uintptr_t>(first.lparam)), dispatcher->GetListIndex());
  EXPECT_EQ(window.taken, bytes({1, 2, 3}));
  EXPECT_TRUE(eventually([&] { return !dispatcher->InDispatchNow(); }));
  EXPECT_EQ(dispatcher->InputCount(), 0u) << "the bytes read during the event are gone from the ring";
}

TEST_F(DispatcherTest, OneWindowWithoutForcedDeliveryGetsNothingAndTheBytesStay) {
  auto dispatcher = open();
  TApdBaseDispatcher* target = dispatcher.get();
  ReceiverWindow window(target);
  dispatcher->SetAvailLevel(1);
  dispatcher->AddWindowReceiver(window.handle());
  EXPECT_TRUE(dispatcher->DeliveryIsActive());
  arrive(*dispatcher, bytes({1, 2}));
  pause_ms(60);
  ws::process_messages();
  EXPECT_TRUE(window.received.empty());
  EXPECT_EQ(dispatcher->InputCount(), 2u);
}

TEST_F(DispatcherTest, RemovingAReceiverDuringADeliveryOnlyMarksIt) {
  auto dispatcher = open();
  TApdBaseDispatcher* target = dispatcher.get();
  ReceiverWindow window(target);
  ReceiverWindow other(target);
  dispatcher->SetAvailLevel(1);
  dispatcher->AddWindowReceiver(window.handle());
  dispatcher->AddWindowReceiver(other.handle());
  std::optional<std::size_t> receivers_during;
  window.on_message = [&](const ws::Message&) {
    dispatcher->RemoveWindowReceiver(window.handle());
    receivers_during = dispatcher->WindowReceiverCount();
  };
  port_.send(bytes({1}));
  ASSERT_TRUE(eventually([&] { return !other.received.empty(); }));
  EXPECT_EQ(receivers_during, 2u) << "still listed while the event is delivered";
  ASSERT_TRUE(eventually([&] { return dispatcher->WindowReceiverCount() == 1; }));
  EXPECT_FALSE(dispatcher->DeliveryIsActive()) << "one receiver left, delivery not forced";
  const std::size_t received = window.received.size();
  port_.send(bytes({2}));
  pause_ms(60);
  ws::process_messages();
  EXPECT_EQ(window.received.size(), received);
}

TEST_F(DispatcherTest, RemovingAnUnknownWindowRecomputesTheDeliverySwitch) {
  TApdWin32Dispatcher dispatcher(nullptr);
  dispatcher.AddWindowReceiver(7);
  EXPECT_TRUE(dispatcher.DeliveryIsActive());
  dispatcher.RemoveWindowReceiver(8);
  EXPECT_FALSE(dispatcher.DeliveryIsActive());
  EXPECT_EQ(dispatcher.WindowReceiverCount(), 1u);
  dispatcher.SetEventDelivery(1);
  dispatcher.RemoveWindowReceiver(8);
  EXPECT_TRUE(dispatcher.DeliveryIsActive()) << "forced";
  dispatcher.SetEventDelivery(2);
  EXPECT_FALSE(dispatcher.DeliveryIsActive());
}

TEST_F(DispatcherTest, ImportedTriggersFireTheirEvents) {
  auto dispatcher = open();
  TApdBaseDispatcher* target = dispatcher.get();
  ReceiverWindow window(target);
  SavedTriggers saved;
  saved.AvailLevel = 1;
  DataTrigger ok;
  ok.Handle = 0x100;
  ok.Length = 2;
  ok.Pattern[0] = 'O';
  ok.Pattern[1] = 'K';
  saved.Data.push_back(ok);
  StatusTrigger sent;
  sent.Handle = 0x200 | stOutSent;
  sent.Kind = stOutSent;
  sent.Armed = true;
  saved.Status.push_back(sent);
  TimerTrigger timer;
  timer.Handle = 0x300;
  timer.Active = true;
  StartTickTimer(timer.Timer, 0);
  saved.Timers.push_back(timer);
  dispatcher->ImportTriggers(saved);
  dispatcher->AddWindowReceiver(window.handle());
  dispatcher->SetEventDelivery(1);
  port_.send(bytes({'x', 'y', 'O', 'K'}));
  ASSERT_TRUE(eventually([&] {
    for (const ws::Message& m : window.received) {
      if (m.id == MsgTriggerData) return true;
    }
    return false;
  }));
  ASSERT_GE(window.received.size(), 2u);
  const ws::Message* avail = nullptr;
  const ws::Message* data = nullptr;
  for (const ws::Message& m : window.received) {
    if (m.id == MsgTriggerAvail && avail == nullptr) avail = &m;
    if (m.id == MsgTriggerData && data == nullptr) data = &m;
  }
  ASSERT_NE(avail, nullptr);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(avail->wparam, 2u) << "the bytes before the pattern";
  EXPECT_EQ(data->wparam, 0x100u);
  EXPECT_EQ(ws::low_word(static_cast<std::uintptr_t>(data->lparam)), 2) << "the pattern length";
  ASSERT_EQ(dispatcher->WriteOutput(1), 0);
  EXPECT_TRUE(eventually([&] {
    for (const ws::Message& m : window.received) {
      if (m.id == MsgTriggerStatus && m.wparam == (0x200u | stOutSent)) return true;
    }
    return false;
  }));
  EXPECT_TRUE(eventually([&] {
    for (const ws::Message& m : window.received) {
      if (m.id == MsgTriggerTimer && m.wparam == 0x300u) return true;
    }
    return false;
  }));
  SavedTriggers exported;
  dispatcher->ExportTriggers(exported);
  EXPECT_EQ(exported.AvailLevel, 1);
  ASSERT_EQ(exported.Timers.size(), 1u);
  EXPECT_FALSE(exported.Timers[0].Active) << "a timer fires once";
  ASSERT_EQ(exported.Status.size(), 1u);
  EXPECT_FALSE(exported.Status[0].Armed);
}

}  // namespace
}  // namespace vx::serial

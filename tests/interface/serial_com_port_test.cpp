#include <filesystem>
#include <memory>
#include <string>

#include "interface/serial/ad_except.h"
#include "interface/serial/com_port.h"
#include "support/scoped_platform.h"
#include "support/temp_dir.h"
#include "tests/interface/serial_test_support.h"

namespace vx::serial {
namespace {

using platform::SimulatedSerialPort;
using testing_support::bytes;

class ComPortTest : public testing_support::SerialTest {
 protected:
  // A component for COM3 at 115200 baud, not yet open.
  std::unique_ptr<TApdComPort> component(std::uint16_t number = 3) {
    auto port = std::make_unique<TApdComPort>();
    port->SetComNumber(number);
    port->SetBaud(115200);
    port->SetInSize(1024);
    port->SetOutSize(1024);
    return port;
  }

  SimulatedSerialPort& port_ = bus_.port(3);
};

TEST_F(ComPortTest, TheDefaultsAreThoseOfANewComponent) {
  const TApdComPort port;
  EXPECT_EQ(port.ComNumber(), 0);
  EXPECT_EQ(port.Baud(), 19200);
  EXPECT_EQ(port.Parity(), pNone);
  EXPECT_EQ(port.DataBits(), 8);
  EXPECT_EQ(port.StopBits(), 1);
  EXPECT_EQ(port.InSize(), 4096);
  EXPECT_EQ(port.OutSize(), 4096);
  EXPECT_FALSE(port.Open());
  EXPECT_TRUE(port.PromptForPort());
  EXPECT_TRUE(port.AutoOpen());
  EXPECT_TRUE(port.DTR());
  EXPECT_TRUE(port.RTS());
  EXPECT_EQ(port.TraceName(), "TARVO.TRC");
  EXPECT_EQ(port.LogName(), "TARVO.LOG");
  EXPECT_EQ(port.TraceSize(), 10000u);
  EXPECT_EQ(port.TriggerAvailLevel(), 1);
  EXPECT_EQ(port.Version(), "v4.05");
  EXPECT_EQ(port.TapiMode(), tmAuto);
  EXPECT_EQ(port.DeviceLayer(), dlWin32);
}

TEST_F(ComPortTest, TheBaudIsStoredWhileClosedAndChangesTheLineWhileOpen) {
  auto port = component();
  port->SetBaud(57600);
  EXPECT_EQ(port_.open_count(), 0u);
  EXPECT_EQ(port_.state_changes(), 0u);
  port->SetOpen(true);
  ASSERT_TRUE(port->Open());
  EXPECT_EQ(port->OpenState(), 2);
  EXPECT_EQ(port_.state().BaudRate, 57600u);
  port->SetBaud(9600);
  EXPECT_EQ(port_.state().BaudRate, 9600u);
  port->SetParity(pEven);
  port->SetDataBits(7);
  port->SetStopBits(2);
  EXPECT_EQ(port_.state().Parity, platform::EVENPARITY);
  EXPECT_EQ(port_.state().ByteSize, 7);
  EXPECT_EQ(port_.state().StopBits, platform::TWOSTOPBITS);
  port->SetOpen(false);
  EXPECT_FALSE(port->Open());
  EXPECT_FALSE(port_.is_open());
}

TEST_F(ComPortTest, WithoutAPortNumberOpeningRaisesAndLeavesItClosed) {
  auto port = component(0);
  port->SetPromptForPort(false);
  try {
    port->SetOpen(true);
    ADD_FAILURE() << "no exception";
  } catch (const ENoPortSelected& error) {
    EXPECT_EQ(error.ErrorCode(), -2011);
  }
  EXPECT_FALSE(port->Open());
  EXPECT_EQ(port->Dispatcher(), nullptr);
}

TEST_F(ComPortTest, ThePortPickerChoosesTheNumberOrCancelsTheOpen) {
  auto port = component(0);
  {
    test::RecordingResponder cancel(platform::result_cancel);
    EXPECT_THROW(port->SetOpen(true), ENoPortSelected);
    EXPECT_FALSE(port->Open());
  }
  test::RecordingResponder ok(platform::result_ok);
  port->SetOpen(true);
  EXPECT_TRUE(port->Open());
  EXPECT_EQ(port->ComNumber(), 3) << "the first port listed";
  EXPECT_TRUE(port_.is_open());
}

TEST_F(ComPortTest, DeviceErrorsOfTheOpenBecomeTheirExceptions) {
  struct Case {
    std::uint16_t number;
    std::uint32_t system_error;
    std::int32_t code;
  };
  const Case cases[] = {{4, platform::ERROR_ACCESS_DENIED, -2008},
                        {5, platform::ERROR_PATH_NOT_FOUND, -2001},
                        {7, platform::ERROR_PRIVILEGE_NOT_HELD, -1314},
                        {9, 0, -2001}};  // COM9 does not exist
  for (const Case& c : cases) {
    if (c.system_error != 0) bus_.port(c.number).set_open_error(c.system_error);
    auto port = component(c.number);
    try {
      port->SetOpen(true);
      ADD_FAILURE() << c.number;
    } catch (const EOpenComm& error) {
      EXPECT_EQ(error.ErrorCode(), c.code) << c.number;
    }
    EXPECT_FALSE(port->Open());
    EXPECT_EQ(port->OpenState(), 0);
  }
  bus_.port(6).set_open_error(platform::ERROR_GEN_FAILURE);
  auto broken = component(6);
  EXPECT_THROW(broken->SetOpen(true), EInOutError);
}

TEST_F(ComPortTest, ACountOnAClosedPortIsZeroButReadingOpensIt) {
  auto port = component();
  EXPECT_EQ(port->BytesWaiting(), 0);
  EXPECT_EQ(port->BytesPending(), 0);
  EXPECT_EQ(port->ReadLineError(), 0);
  EXPECT_EQ(port_.open_count(), 0u);
  EXPECT_THROW(port->ReadChar(), EBufferIsEmpty) << "opened, and nothing to read yet";
  EXPECT_TRUE(port->Open());
  port->SetOpen(false);
  port->SetAutoOpen(false);
  try {
    port->WriteChar(1);
    ADD_FAILURE() << "no exception";
  } catch (const ECommNotOpen& error) {
    EXPECT_EQ(error.ErrorCode(), -2007);
  }
}

TEST_F(ComPortTest, BytesTravelBothWays) {
  auto port = component();
  port->SetOpen(true);
  port->WriteChar('h');
  port->WriteChar('i');
  ASSERT_TRUE(eventually([&] { return port_.written_count() == 2; }));
  EXPECT_EQ(port_.receive(), bytes({'h', 'i'}));
  port_.send(bytes({'o', 'k'}), platform::CE_FRAME);
  ASSERT_TRUE(eventually([&] { return port->BytesWaiting() == 2; }));
  EXPECT_EQ(port->ReadChar(), 'o');
  EXPECT_EQ(port->ReadChar(), 'k');
  EXPECT_EQ(port->ReadLineError(), 4);
  EXPECT_EQ(port->ReadLineError(), 0);
  port->ServicePort();
  port_.send(bytes({1, 2}));
  ASSERT_TRUE(eventually([&] { return port->BytesWaiting() == 2; }));
  port->ClearInput();
  EXPECT_EQ(port->BytesWaiting(), 0);
}

TEST_F(ComPortTest, LinesAreDrivenUnlessUnderFlowControl) {
  auto port = component();
  port->SetDTR(false);
  port->SetOpen(true);
  EXPECT_FALSE(port_.dtr());
  EXPECT_TRUE(port_.rts());
  port->SetDTR(true);
  EXPECT_TRUE(port_.dtr());
  port->SetHWFlowOptions(hwfUseRTS);
  port->SetRTS(false);
  EXPECT_TRUE(port->RTS()) << "the line belongs to flow control";
  EXPECT_EQ(port_.state().fRtsControl, platform::RTS_CONTROL_HANDSHAKE);
  port->SetRS485Mode(true);
  EXPECT_EQ(port->HWFlowOptions(), 0) << "RS-485 takes RTS from flow control";
  EXPECT_EQ(port_.state().fRtsControl, platform::RTS_CONTROL_TOGGLE) << "and toggles it with the output";
}

TEST_F(ComPortTest, FlowOptionsFillTheBufferLimitsFromTheInputSize) {
  TApdComPort port;
  port.SetHWFlowOptions(hwfUseRTS | hwfRequireCTS);
  EXPECT_EQ(port.BufferFull(), 3686);
  EXPECT_EQ(port.BufferResume(), 410);
  TApdComPort software;
  software.SetSWFlowOptions(swfBoth);
  EXPECT_EQ(software.BufferFull(), 3072);
  EXPECT_EQ(software.BufferResume(), 1024);
  software.SetBufferResume(4000);
  EXPECT_EQ(software.BufferResume(), 307) << "10 % of BufferFull";
  software.SetBufferFull(5000);
  EXPECT_EQ(software.BufferFull(), 3072) << "90 % of the value, then set again by the flow options";
  TApdComPort plain;
  plain.SetBufferFull(5000);
  EXPECT_EQ(plain.BufferFull(), 4500);
}

TEST_F(ComPortTest, TraceAndLogSizesAreCapped) {
  TApdComPort port;
  port.SetTraceSize(5'000'000);
  EXPECT_EQ(port.TraceSize(), 4'000'000u);
  port.SetLogSize(20'000'000);
  EXPECT_EQ(port.LogSize(), 16'000'000u);
  port.SetTracing(tlDump);
  EXPECT_EQ(port.Tracing(), tlOff) << "closed, only on or off is kept";
  port.SetTracing(tlOn);
  EXPECT_EQ(port.Tracing(), tlOn);
}

TEST_F(ComPortTest, ATraceAskedForWhileClosedRunsWhileOpenAndIsWrittenAtClose) {
  test::TempDir dir;
  auto port = component();
  port->SetTraceName(ShortText(dir.file("port.trc")));
  port->SetLogName(ShortText(dir.file("port.log")));
  port->SetTraceHex(false);
  port->SetTracing(tlOn);
  port->SetLogging(tlOn);
  port->SetOpen(true);
  port->WriteChar('A');
  port->SetOpen(false);
  EXPECT_EQ(test::read_file(dir.file("port.trc")), "Transmit: \r\nA");
  EXPECT_NE(test::read_file(dir.file("port.log")).find("Device: COM3"), std::string::npos);
  EXPECT_EQ(port->Tracing(), tlOff);
  port->SetOpen(true);
  port->SetOpen(false);
  EXPECT_TRUE(std::filesystem::exists(dir.file("port.trc")));
}

TEST_F(ComPortTest, ChangingTheNumberWhileOpenMovesToTheOtherPort) {
  SimulatedSerialPort& other = bus_.port(4);
  auto port = component();
  port->SetOpen(true);
  port->SetTriggerAvailLevel(5);
  port->SetComNumber(4);
  EXPECT_TRUE(port->Open());
  EXPECT_FALSE(port_.is_open());
  EXPECT_TRUE(other.is_open());
}

TEST_F(ComPortTest, OpenAndCloseAreAnnounced) {
  auto port = component();
  std::vector<std::string> events;
  port->OnPortOpen = [&](TApdCustomComPort& p) { events.push_back("open " + std::to_string(p.OpenState())); };
  port->OnPortClose = [&](TApdCustomComPort& p) { events.push_back("close " + std::to_string(p.OpenState())); };
  port->SetOpen(true);
  port->SetOpen(false);
  EXPECT_EQ(events, (std::vector<std::string>{"open 2", "close 0"}));
}

TEST_F(ComPortTest, TriggerEventsReachTheirHandlers) {
  auto port = component();
  std::vector<std::uint8_t> taken;
  std::vector<ws::MessageId> messages;
  port->SetOnTrigger([&](TApdCustomComPort&, ws::MessageId message, std::uint32_t, std::uint32_t) {
    messages.push_back(message);
  });
  port->SetOnTriggerAvail([&](TApdCustomComPort& p, std::uint32_t count) {
    for (std::uint32_t i = 0; i < count; ++i) taken.push_back(p.ReadChar());
  });
  port->SetOpen(true);
  port_.send(bytes({4, 5, 6}));
  ASSERT_TRUE(eventually([&] { return taken.size() == 3; }));
  EXPECT_EQ(taken, bytes({4, 5, 6}));
  EXPECT_EQ(messages.front(), MsgTriggerAvail);
  ASSERT_TRUE(eventually([&] { return !port->Dispatcher()->InDispatchNow(); }));
  EXPECT_EQ(port->BytesWaiting(), 0);
}

// The handler runs while the dispatch thread waits inside the delivery, so
// the clear always lands in the middle of a data dispatch.
TEST_F(ComPortTest, InputClearedInsideADataDispatchIsNeitherCountedNorRead) {
  auto port = component();
  std::vector<std::uint8_t> taken;
  std::vector<std::uint16_t> waiting;
  bool empty_after_clear = false;
  port->SetOnTriggerAvail([&](TApdCustomComPort& p, std::uint32_t) {
    if (!taken.empty()) return;
    taken.push_back(p.ReadChar());
    waiting.push_back(p.BytesWaiting());
    p.ClearInput();
    waiting.push_back(p.BytesWaiting());
    try {
      taken.push_back(p.ReadChar());
    } catch (const EBufferIsEmpty&) {
      empty_after_clear = true;
    }
  });
  port->SetOpen(true);
  port_.send(bytes({1, 2, 3, 4}));
  ASSERT_TRUE(eventually([&] { return !taken.empty() && !port->Dispatcher()->InDispatchNow(); }));
  EXPECT_EQ(taken, bytes({1}));
  EXPECT_EQ(waiting, (std::vector<std::uint16_t>{3, 0}));
  EXPECT_TRUE(empty_after_clear);
  EXPECT_EQ(port->BytesWaiting(), 0);

  port_.send(bytes({5}));
  ASSERT_TRUE(eventually([&] { return port->BytesWaiting() == 1; }));
  EXPECT_EQ(port->ReadChar(), 5) << "the ring gave up exactly the cleared bytes";
}

TEST_F(ComPortTest, AClosingHandlerFinishesTheCloseLaterAndAReopenFollows) {
  auto port = component();
  int closes = 0;
  port->OnPortClose = [&](TApdCustomComPort&) { ++closes; };
  port->SetOnTriggerAvail([&](TApdCustomComPort& p, std::uint32_t) {
    if (closes > 0) return;
    p.SetOpen(false);
    EXPECT_EQ(p.OpenState(), 1) << "the dispatch thread is still waiting for this handler";
    p.SetOpen(true);
  });
  port->SetOpen(true);
  port_.send(bytes({1}));
  ASSERT_TRUE(eventually([&] { return port_.open_count() == 2 && port->OpenState() == 2; }));
  EXPECT_EQ(closes, 1);
  EXPECT_TRUE(port->Open());
  EXPECT_TRUE(port_.is_open());
}

TEST_F(ComPortTest, TelephonyModeCannotOpenWithoutATelephonyConnection) {
  auto port = component();
  port->SetTapiMode(tmOn);
  EXPECT_THROW(port->SetOpen(true), ENotOpenedByTapi);
  EXPECT_FALSE(port->Open());
  EXPECT_FALSE(port_.is_open());
}

TEST_F(ComPortTest, APortAskedToOpenWhileLoadingOpensWhenLoaded) {
  auto port = component();
  port->SetLoading(true);
  port->SetOpen(true);
  EXPECT_TRUE(port->Open());
  EXPECT_EQ(port_.open_count(), 0u);
  port->Loaded();
  EXPECT_TRUE(port_.is_open());
  EXPECT_EQ(port->OpenState(), 2);

  std::vector<std::string> shown;
  ws::set_exception_handler([&](const std::exception& error) { shown.push_back(error.what()); });
  auto missing = component(9);
  missing->SetLoading(true);
  missing->SetOpen(true);
  missing->Loaded();
  EXPECT_FALSE(missing->Open());
  EXPECT_EQ(shown, (std::vector<std::string>{"ie_BadId - Specified comport doesn't exist"}));
}

TEST_F(ComPortTest, AssignTakesTheSettingsAndEndsClosed) {
  auto source = component(4);
  source->SetBaud(38400);
  source->SetParity(pOdd);
  source->SetTraceName("x.trc");
  TApdComPort copy;
  copy.Assign(*source);
  EXPECT_EQ(copy.ComNumber(), 4);
  EXPECT_EQ(copy.Baud(), 38400);
  EXPECT_EQ(copy.Parity(), pOdd);
  EXPECT_EQ(copy.TraceName(), "x.trc");
  EXPECT_FALSE(copy.Open());
}

TEST_F(ComPortTest, ManyOpensAndClosesOfTheComponentLeaveNothingBehind) {
  auto port = component();
  for (int cycle = 0; cycle < 200; ++cycle) {
    port->SetOpen(true);
    ASSERT_TRUE(port->Open()) << cycle;
    port->WriteChar(static_cast<std::uint8_t>(cycle));
    port_.send(bytes({cycle & 0xFF}));
    port->SetOpen(false);
    ASSERT_FALSE(port_.is_open()) << cycle;
  }
  EXPECT_EQ(port->Dispatcher(), nullptr);
  EXPECT_EQ(port->NotificationWindow(), ws::no_window);
}

}  // namespace
}  // namespace vx::serial

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "interface/serial/dispatch_log.h"
#include "interface/serial/win32_dispatcher.h"
#include "support/scoped_platform.h"
#include "support/temp_dir.h"
#include "tests/interface/serial_test_support.h"

namespace vx::serial {
namespace {

using testing_support::bytes;

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      if (start < text.size()) lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

class TraceLogTest : public testing_support::SerialTest {
 protected:
  ShortText file(const std::string& name) const { return ShortText(dir_.file(name)); }
  std::string contents(const std::string& name) const { return test::read_file(dir_.file(name)); }
  bool exists(const std::string& name) const { return std::filesystem::exists(dir_.file(name)); }

  test::TempDir dir_;
  test::ScopedVirtualClock clock_;
  TApdWin32Dispatcher dispatcher_{nullptr};
};

TEST(DumpTextTest, BytesAreShownAsTheirOptionsSay) {
  struct Case {
    std::uint8_t byte;
    bool all_hex;
    bool hex_controls;
    const char* text;
  };
  const Case cases[] = {{0x41, false, false, "A"},    {0x20, false, false, " "},     {0x20, false, true, "[20]"},
                        {0x21, false, true, "!"},     {0x7E, false, false, "~"},     {0x7F, false, false, "[127]"},
                        {0x0D, false, false, "[13]"}, {0x0D, false, true, "[0D]"},   {0x05, false, false, "[5]"},
                        {0xFF, false, false, "[255]"}, {0x41, true, false, "[41]"},  {0xAB, true, true, "[AB]"}};
  for (const Case& c : cases) EXPECT_EQ(DumpByteText(c.byte, c.all_hex, c.hex_controls), c.text) << int{c.byte};
}

TEST(DumpTextTest, LogTimesShowSecondsAndMilliseconds) {
  EXPECT_EQ(LogTimeText(1234), "0001.234");
  EXPECT_EQ(LogTimeText(12'345'678), "12345.678");
  EXPECT_EQ(LogTimeText(0), "0000.000");
}

TEST(DumpTextTest, TheSystemIsDescribedByItsVersionRecord) {
  struct Case {
    platform::OsVersion version;
    const char* text;
  };
  const Case cases[] = {
      {{platform::OsPlatform::win32s, 1, 30, 0, "x"}, "Win32s on Windows 1.30 x"},
      {{platform::OsPlatform::windows_9x, 4, 0, 0, " xB "}, "Win32 on Windows 95 OSR 2 4.0 "},
      {{platform::OsPlatform::windows_9x, 4, 0, 0, " B "}, "Win32 on Windows 95 OSR 1 4.0 "},  // no second character once trimmed
      {{platform::OsPlatform::windows_9x, 4, 0, 0, "A"}, "Win32 on Windows 95 OSR 1 4.0 "},
      {{platform::OsPlatform::windows_9x, 4, 10, 0, " xA"}, "Win32 on Windows 98 OSR 2 4.10 "},
      {{platform::OsPlatform::windows_9x, 4, 90, 0x045A0BB8, ""}, "Win32 on Windows ME 4.90 "},
      {{platform::OsPlatform::windows_9x, 4, 90, 1, ""}, "4.90 "},
      {{platform::OsPlatform::windows_9x, 4, 3, 0, ""}, "Win32 on Windows 9x4.3 "},
      {{platform::OsPlatform::windows_nt, 3, 51, 0, "SP5"}, "Windows NT 3.5 3.51 SP5"},
      {{platform::OsPlatform::windows_nt, 4, 0, 0, ""}, "Windows NT 4 4.0 "},
      {{platform::OsPlatform::windows_nt, 5, 0, 0, "Service Pack 4"}, "Windows 2000 5.0 Service Pack 4"},
      {{platform::OsPlatform::windows_nt, 5, 1, 0, ""}, "Windows XP 5.1 "},
      {{platform::OsPlatform::windows_nt, 5, 2, 0, ""}, "5.2 "},
      {{platform::OsPlatform::windows_nt, 10, 0, 0, ""}, "WinNT 10.0 "},
      {{platform::OsPlatform::other, 6, 1, 0, "ignored"}, "Unknown6.1 "},
  };
  for (const Case& c : cases) EXPECT_EQ(OsDescription(c.version), c.text);
}

TEST_F(TraceLogTest, ATraceKeepsItsLastEntriesInBlocksByDirection) {
  ASSERT_EQ(dispatcher_.TraceStart(3), 0);
  dispatcher_.TraceAdd('R', 0x41);
  dispatcher_.TraceAdd('R', 0x0D);
  dispatcher_.TraceAdd('T', 0x42);
  dispatcher_.TraceAdd('T', 0x43);
  EXPECT_EQ(dispatcher_.TraceDump(file("t.trc"), false, false), 0);
  EXPECT_EQ(contents("t.trc"), "Receive: \r\n[13]\r\n\r\nTransmit: \r\nBC");
  std::filesystem::remove(dir_.file("t.trc"));
  EXPECT_EQ(dispatcher_.TraceDump(file("t.trc"), false, false), 0);
  EXPECT_FALSE(exists("t.trc")) << "a dump discards the trace";
}

TEST_F(TraceLogTest, AnUnstartedOrEmptyTraceWritesNoFile) {
  EXPECT_EQ(dispatcher_.TraceDump(file("none.trc"), false, false), 0);
  ASSERT_EQ(dispatcher_.TraceStart(10), 0);
  EXPECT_EQ(dispatcher_.TraceDump(file("none.trc"), false, false), 0);
  EXPECT_FALSE(exists("none.trc"));
  EXPECT_EQ(dispatcher_.TraceStart(MaxTraceEntries + 1), -1002);
  ASSERT_EQ(dispatcher_.TraceStart(0), 0);
  dispatcher_.TraceAdd('R', 1);
  EXPECT_EQ(dispatcher_.TraceDump(file("none.trc"), false, false), 0);
  EXPECT_FALSE(exists("none.trc")) << "a trace of no entries records nothing";
}

TEST_F(TraceLogTest, StartingAgainOnlyEmptiesPausingStopsRecording) {
  ASSERT_EQ(dispatcher_.TraceStart(10), 0);
  dispatcher_.TraceAdd('R', 'x');
  ASSERT_EQ(dispatcher_.TraceStart(2), 0);
  dispatcher_.TracePause();
  dispatcher_.TraceAdd('R', 'y');
  dispatcher_.TraceResume();
  for (const char c : std::string("abcdefg")) dispatcher_.TraceAdd('T', static_cast<std::uint8_t>(c));
  EXPECT_EQ(dispatcher_.TraceDump(file("s.trc"), false, true), 0);
  EXPECT_EQ(contents("s.trc"), "Transmit: \r\nabcdefg") << "still 10 entries, the paused byte left out";
}

TEST_F(TraceLogTest, TraceLinesBreakBefore78ColumnsAndAppendingKeepsTheFile) {
  ASSERT_EQ(dispatcher_.TraceStart(100), 0);
  for (int i = 0; i < 80; ++i) dispatcher_.TraceAdd('R', 'A');
  dispatcher_.TraceAdd('Z', 0x00);
  ASSERT_EQ(dispatcher_.TraceDump(file("w.trc"), true, false), 0);
  ASSERT_EQ(dispatcher_.TraceStart(4), 0);
  dispatcher_.TraceAdd('T', ' ');
  ASSERT_EQ(dispatcher_.TraceAppend(file("w.trc"), false, true), 0);
  const std::vector<std::string> lines = lines_of(contents("w.trc"));
  ASSERT_EQ(lines.size(), 10u);
  EXPECT_EQ(lines[0], "Receive: ");
  EXPECT_EQ(lines[1].size(), 76u) << "19 items of 4";
  EXPECT_EQ(lines[1].substr(0, 4), "[41]");
  EXPECT_EQ(lines[5], "[41][41][41][41]");
  EXPECT_EQ(lines[6], "");
  EXPECT_EQ(lines[7], "Special-Z: ");
  EXPECT_EQ(lines[8], "[00]Transmit: ") << "appended after the last line, which has no end";
  EXPECT_EQ(lines[9], "[20]");
}

TEST_F(TraceLogTest, AFileThatCannotBeWrittenGivesItsErrorAndDiscardsTheTrace) {
  ASSERT_EQ(dispatcher_.TraceStart(4), 0);
  dispatcher_.TraceAdd('R', 1);
  EXPECT_EQ(dispatcher_.TraceDump(file("missing/dir.trc"), false, false),
            -static_cast<std::int32_t>(platform::ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(dispatcher_.TraceDump(file("after.trc"), false, false), 0);
  EXPECT_FALSE(exists("after.trc"));
}

TEST_F(TraceLogTest, TheLogShowsItsHeaderAndEveryEntry) {
  dispatcher_.SetDeviceName("COM3");
  dispatcher_.LogStart(4096);
  clock_->advance_nanoseconds(1'234'000'000);
  dispatcher_.LogAdd(dtDispatch, dstWriteCom, 2, bytes({'A', 0x0D}).data(), 2);
  dispatcher_.LogAdd(dtTriggerHandlerAlloc, dstWindow, 0, nullptr, 0xBEEF);
  dispatcher_.LogAdd(10, 0, 0, nullptr, 1);
  dispatcher_.LogAdd(10, 0, 0, nullptr, 43);
  dispatcher_.LogAdd(5, 15, 1, bytes({2}).data(), 0);
  dispatcher_.LogAdd(dtDispatch, 4, 0, nullptr, 0x90);
  dispatcher_.LogAdd(19, dstReadCom, 1, bytes({'q'}).data(), 1);
  ASSERT_EQ(dispatcher_.LogDump(file("d.log"), true, false), 0);
  const std::vector<std::string> lines = lines_of(contents("d.log"));
  ASSERT_EQ(lines.size(), 14u);
  EXPECT_EQ(lines[0], "TARVO v4.05");
  EXPECT_EQ(lines[1], "Compiler : Unknown");
  EXPECT_EQ(lines[2], "Operating System : " + OsDescription(platform::os_version()).str());
  EXPECT_EQ(lines[3], "Device: COM3");
  EXPECT_TRUE(std::regex_match(lines[4], std::regex(R"(Date/time: \d\d/\d\d/\d\d, \d\d:\d\d:\d\d)"))) << lines[4];
  EXPECT_EQ(lines[5], "Time      Type      SubType       Data      OtherData");
  EXPECT_EQ(lines[6], "--------  --------  ------------  --------  ---------");
  EXPECT_EQ(lines[7], "0001.234  Dispatch  WriteCom      00000002  [41][0D]");
  EXPECT_EQ(lines[8], "0001.234  TrgHdAlc  Window        0000BEEF  ");
  EXPECT_EQ(lines[9], "0001.234  Telnet                  00000001   [Echo]");
  EXPECT_EQ(lines[10], "0001.234  Telnet                  0000002B   []");
  EXPECT_EQ(lines[11], "0001.234  TrigAllc  Status        00000000  (Line status)");
  EXPECT_EQ(lines[12], "0001.234  Dispatch  Modem status  00000090   (CTS DCD)");
  EXPECT_EQ(lines[13], "0001.234  User      ReadCom       00000001  q") << "a user entry shows characters";
}

TEST_F(TraceLogTest, LogBytesWrapUnderTheDataColumn) {
  dispatcher_.LogStart(4096);
  const std::vector<std::uint8_t> data(40, 'A');
  dispatcher_.LogAdd(dtDispatch, dstReadCom, 40, data.data(), 40);
  ASSERT_EQ(dispatcher_.LogDump(file("w.log"), false, false), 0);
  const std::vector<std::string> lines = lines_of(contents("w.log"));
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines[7].size(), 44u + 33u);
  EXPECT_EQ(lines[8], std::string(44, ' ') + std::string(7, 'A'));
}

TEST_F(TraceLogTest, AFullLogDropsItsOldestEntriesAndEntriesTooLargeForIt) {
  dispatcher_.LogStart(64);
  for (std::uint32_t i = 1; i <= 5; ++i) dispatcher_.LogAdd(dtTrigger, dstAvail, 0, nullptr, i);
  const std::vector<std::uint8_t> large(60, 'x');
  dispatcher_.LogAdd(dtDispatch, dstReadCom, 60, large.data(), 60);
  ASSERT_EQ(dispatcher_.LogDump(file("f.log"), false, false), 0);
  const std::vector<std::string> lines = lines_of(contents("f.log"));
  ASSERT_EQ(lines.size(), 11u) << "four entries of 14 bytes fit";
  EXPECT_NE(lines[7].find("00000002"), std::string::npos);
  EXPECT_NE(lines[10].find("00000005"), std::string::npos);
}

TEST_F(TraceLogTest, ALogThatCannotBeWrittenStaysPaused) {
  dispatcher_.LogStart(256);
  dispatcher_.LogAdd(dtTrigger, dstAvail, 0, nullptr, 1);
  EXPECT_LT(dispatcher_.LogDump(file("missing/x.log"), false, false), 0);
  dispatcher_.LogAdd(dtTrigger, dstAvail, 0, nullptr, 2);
  ASSERT_EQ(dispatcher_.LogDump(file("ok.log"), false, false), 0);
  const std::vector<std::string> lines = lines_of(contents("ok.log"));
  ASSERT_EQ(lines.size(), 8u) << "the first entry kept, the second not recorded";
  EXPECT_NE(lines[7].find("00000001"), std::string::npos);
  EXPECT_EQ(dispatcher_.LogDump(file("again.log"), false, false), 0);
  EXPECT_FALSE(exists("again.log")) << "a dump discards the log";
}

TEST_F(TraceLogTest, AnOpenPortRecordsWhatItSendsAndReceives) {
  platform::SimulatedSerialPort& port = bus_.port(3);
  auto dispatcher = std::make_unique<TApdWin32Dispatcher>(nullptr);
  ASSERT_EQ(dispatcher->AttachDevice("\\\\.\\COM3", 115200, 0, 8, 1, 1024, 1024, 0), 0);
  dispatcher->SetDeviceName("COM3");
  ASSERT_EQ(dispatcher->TraceStart(100), 0);
  dispatcher->LogStart(10000);
  ASSERT_EQ(dispatcher->WriteOutputBlock(bytes({'h', 'i'}).data(), 2), 0);
  port.send(bytes({'o', 'k'}));
  ASSERT_TRUE(eventually([&] { return dispatcher->InputCount() == 2; }));
  std::uint8_t byte = 0;
  dispatcher->ReadInput(byte);
  dispatcher->ReadInput(byte);
  dispatcher->SetAvailLevel(3);
  ASSERT_EQ(dispatcher->TraceDump(file("p.trc"), false, false), 0);
  ASSERT_EQ(dispatcher->LogDump(file("p.log"), false, false), 0);
  EXPECT_EQ(contents("p.trc"), "Transmit: \r\nhi\r\n\r\nReceive: \r\nok");
  const std::string log = contents("p.log");
  EXPECT_NE(log.find("Dispatch  WriteCom      00000002  hi"), std::string::npos) << log;
  EXPECT_NE(log.find("Dispatch  ReadCom       00000002  ok"), std::string::npos) << log;
  EXPECT_NE(log.find("TrDatChg  Avail         00000003"), std::string::npos) << log;
}

}  // namespace
}  // namespace vx::serial

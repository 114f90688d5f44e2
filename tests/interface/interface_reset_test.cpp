#include <gtest/gtest.h>

#include "foundation/kstring.h"
#include "foundation/system_helpers.h"
#include "interface/port_state.h"
#include "interface/target_pins.h"
#include "tests/interface/protocol_test_support.h"

namespace vx {
namespace {

using protocol_testing::Bytes;

// The commands of a pod's wire log from `first` on.
std::vector<Bytes> commands(const sim::Pod& pod, std::size_t first = 0) {
  std::vector<Bytes> sent;
  for (std::size_t i = first; i < pod.wire_log().size(); ++i) sent.push_back(pod.wire_log()[i].command);
  return sent;
}

ShortText beside_test_program(const char* name) {
  ShortText exe;
  GET_EXE_PATH(exe);
  return *add_backslash(path_part(exe)) + name;
}

// Interfaces of both USB families: the FTDI one first, then WinDriver ones
// whose descriptions choose different firmware files, one of them a MINI.
class InterfaceResetTest : public testing::Test {
 protected:
  static constexpr std::int32_t ftdi = 1, windriver = 2, reference = 3, full_speed = 4, other_full_speed = 5, mini = 6;

  InterfaceResetTest() {
    const char* lines[] = {"VLX,USB-QX-12 : USB Quorvex,QX1,,,,", "VLX,USB-QX-12 Ref Design,QX2,,,,",
                           "VLX,USB-QX-12 (FS),QX3,,,,", "VLX,USB-ML (FS),QX4,,,,", "VLX,USB-QX-12 MINI,QX5,,,,"};
    add_ftdi_pod({});
    for (const char* line : lines) {
      pods_.push_back(std::make_unique<sim::Pod>(sim::PodConfig{}, &target_.mcu, &usb_.clock));
      pods_.back()->keep_wire_log(true);
      usb_.usb.add({line, sim::scenario_default_vendor, 2, pods_.back().get()});
    }
  }
  void add_ftdi_pod(const sim::PodConfig& config) {
    pods_.push_back(std::make_unique<sim::Pod>(config, &target_.mcu, &usb_.clock));
    pods_.back()->keep_wire_log(true);
    usb_.ftdi.add({"VX30000" + std::to_string(pods_.size()), "VLX USB BDM", pods_.back().get()});
  }
  void SetUp() override {
    protocol_testing::reset_protocol_units();
    reset_port_state();
    start_ftdi_binding();
    load_usb_driver_dll();
    wdusb_enumerate();
    ft_list_devices();
    port_counts().found_usb_interface_count = ft_device_count() + wdusb_interface_count();
  }
  void TearDown() override {
    protocol_testing::reset_protocol_units();
    reset_port_state();
  }
  // The pod behind USB port n (FTDI ones first).
  sim::Pod& pod(std::int32_t n) {
    const auto ftdi_count = static_cast<std::size_t>(ft_device_count());
    const auto index = static_cast<std::size_t>(n - 1);
    return index < ftdi_count ? *pods_.at(index == 0 ? 0 : index + 5) : *pods_.at(index - ftdi_count + 1);
  }
  sim::Pod& reset(std::int32_t n) {
    EXPECT_TRUE(open_usb_port(n));
    link_state().interface_class = InterfaceClass::usb_interface;
    port_state().current_port = 20 + n;
    RESET_CABLE();
    return pod(n);
  }

  test::ScopedStatusOutput status_;
  test::SimulatedUsb usb_;
  protocol_testing::BackgroundTarget target_;
  std::vector<std::unique_ptr<sim::Pod>> pods_;
};

TEST_F(InterfaceResetTest, AnFtdiInterfaceIsIdentifiedSwitchedToItsUpdateAndSetUp) {
  const sim::Pod& p = reset(ftdi);
  EXPECT_EQ(commands(p), (std::vector<Bytes>{{4, 0x40, 0x58, 4},
                                             {4, 0x7F, 0xFE, 2},
                                             {4, 0x7F, 0xFE, 2},
                                             {7, 21},
                                             {4, 0x40, 0x00, 2},
                                             {7, 16},
                                             {7, 3, 8},
                                             {7, 0, 0, 0}}));
  EXPECT_TRUE(p.violations().empty());
  EXPECT_EQ(interface_state().major, 5);
  EXPECT_EQ(interface_state().minor, 12);
  EXPECT_TRUE(interface_state().block_mode);
  EXPECT_EQ(status_.lines(), std::vector<std::string>{"USB HCS08/HCS12 QUORVEX detected - Flash Version 5.12"});
  EXPECT_EQ(firmware_update_link().update_requests, std::vector<ShortText>{"5.12"});
  const fwupdate::FirmwareRequest& request = fwupdate::firmware_request();
  EXPECT_EQ(request.interface_firmware_version, 512);
  EXPECT_EQ(request.update_link_kind, fwupdate::usb_link);
  EXPECT_EQ(request.update_search_pattern, beside_test_program("usbbdmens.???"));
}

TEST_F(InterfaceResetTest, WinDriverInterfacesAreNotSwitchedAndChooseTheirFileByDescription) {
  struct Case {
    std::int32_t port;
    const char* pattern;
    std::uint8_t major_after;
  };
  const Case cases[] = {
      {windriver, "usb20bdmens.???", 5},
      {reference, "usb20bdmrefens.???", 5},
      {full_speed, "usbqxfs20bdmens.???", 5},
      {other_full_speed, "usbqxfs20bdmens.???", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.port);
    interface_state().model_message = true;
    firmware_update_link().update_requests.clear();
    const sim::Pod& p = reset(c.port);
    std::vector<Bytes> expected{{4, 0x40, 0x58, 4}, {4, 0x7F, 0xFE, 2}, {4, 0x7F, 0xFE, 2}, {7, 21},
                                {4, 0x40, 0x00, 2}, {7, 3, 8},          {7, 0, 0, 0}};
    // A version taken back to 0.00 no longer sets the speed.
    if (c.major_after == 0) expected.pop_back();
    EXPECT_EQ(commands(p), expected);
    EXPECT_EQ(fwupdate::firmware_request().update_search_pattern, beside_test_program(c.pattern));
    // The update check still gets the version read.
    EXPECT_EQ(firmware_update_link().update_requests, std::vector<ShortText>{"5.12"});
    EXPECT_EQ(fwupdate::firmware_request().interface_firmware_version, 512);
    EXPECT_EQ(interface_state().major, c.major_after);
  }
}

TEST_F(InterfaceResetTest, AMiniInterfacePowersTheTargetBeforeTheSetUp) {
  connection_settings().supply_selection = 0x33;
  const std::uint64_t before = usb_.clock.now_nanoseconds();
  const sim::Pod& p = reset(mini);
  const std::vector<Bytes> sent = commands(p);
  ASSERT_GE(sent.size(), 5u);
  EXPECT_EQ(std::vector<Bytes>(sent.end() - 5, sent.end()),
            (std::vector<Bytes>{{7, 7, 0}, {7, 35, 0x33}, {7, 7, 255}, {7, 3, 8}, {7, 0, 0, 0}}));
  EXPECT_EQ(p.supply_selection(), 0x33);
  EXPECT_FALSE(p.bkgd_low());
  // 200 ms after the USB reset, the power-up delay and two 10-ms settles.
  EXPECT_GE(usb_.clock.now_nanoseconds() - before, 470'000'000u);

  connection_settings().power_relays_in_use = false;
  const std::size_t first = p.wire_log().size();
  reset(mini);
  EXPECT_EQ(commands(p, first).back(), (Bytes{7, 0, 0, 0}));
  EXPECT_EQ(commands(p, first).size(), 7u);
}

TEST_F(InterfaceResetTest, TheModelLineAndUpdateCheckComeOncePerRunAndNotWhileUpdating) {
  reset(ftdi);
  firmware_update_link().busy = true;
  const std::size_t first = pod(ftdi).wire_log().size();
  reset(ftdi);
  EXPECT_EQ(status_.lines().size(), 1u);
  EXPECT_EQ(firmware_update_link().update_requests.size(), 1u);
  // While the update engine runs, the reset skips target type and speed.
  EXPECT_EQ(commands(pod(ftdi), first).back(), (Bytes{7, 16}));
}

TEST_F(InterfaceResetTest, AnInterfaceThatDoesNotAnswerIsReported) {
  pod(ftdi).set_link_lost(true);
  reset(ftdi);
  EXPECT_EQ(link_state().link_status, 0);
  EXPECT_FALSE(interface_state().block_mode);
  EXPECT_EQ(status_.lines(),
            std::vector<std::string>{"Could not contact VLX Hardware Interface. Check Power and Connections."});
  EXPECT_TRUE(firmware_update_link().update_requests.empty());
  protocol_testing::expect_halt([] { HS_GOOD(); });
}

struct VersionCase {
  const char* name;
  sim::PodConfig config;
  std::vector<std::uint16_t> version_reads;
  std::uint8_t major, minor;
  const char* text;
};

TEST_F(InterfaceResetTest, TheVersionIsReadAgainAtTheOriginalBlockWhenTheFirstIsNoFirmware) {
  const VersionCase cases[] = {
      {"update block with checksum", {}, {0x4058}, 5, 12, "512"},
      {"update block without checksum", {.updated_checksum = false}, {0x4058, 0xC058}, 5, 2, "502"},
      {"update block erased", {.updated_firmware = ""}, {0x4058, 0xC058}, 5, 2, "502"},
      {"major character A", {.updated_firmware = "A.00", .run_updated = false}, {0x4058, 0xC058}, 5, 2, "502"},
  };
  for (const VersionCase& c : cases) {
    SCOPED_TRACE(c.name);
    add_ftdi_pod(c.config);
    ft_list_devices();
    const std::int32_t port = ft_device_count();
    port_counts().found_usb_interface_count = ft_device_count() + wdusb_interface_count();
    ASSERT_TRUE(open_usb_port(port));
    link_state().interface_class = InterfaceClass::usb_interface;
    restart_byte_protocol();
    const sim::Pod& p = *pods_.back();
    Check_cable_version(0x4058);
    if (interface_state().major > 16) Check_cable_version(0xC058);
    std::vector<std::uint16_t> reads;
    for (const Bytes& command : commands(p)) {
      if (command.size() == 4 && command[0] == 4 && command[3] == 4) {
        reads.push_back(static_cast<std::uint16_t>(command[1] << 8 | command[2]));
      }
    }
    EXPECT_EQ(reads, c.version_reads);
    EXPECT_EQ(interface_state().major, c.major);
    EXPECT_EQ(interface_state().minor, c.minor);
    EXPECT_EQ(interface_state().version_text, c.text);
  }
}

TEST_F(InterfaceResetTest, AFirmwareBlockWithoutChecksumReadsAs255Point255) {
  add_ftdi_pod({.updated_checksum = false});
  ft_list_devices();
  port_counts().found_usb_interface_count = ft_device_count() + wdusb_interface_count();
  ASSERT_TRUE(open_usb_port(ft_device_count()));
  link_state().interface_class = InterfaceClass::usb_interface;
  restart_byte_protocol();
  Check_cable_version(0x4058);
  EXPECT_EQ(interface_state().major, 255);
  EXPECT_EQ(interface_state().minor, 255);
  EXPECT_EQ(interface_state().version_text, "XXX");
  EXPECT_TRUE(firmware_at_least(9, 99));
}

TEST_F(InterfaceResetTest, FirmwareThreeIsNeverOfferedAnUpdateAndKeepsItsOffsetAtZero) {
  add_ftdi_pod({.updated_firmware = "3.25"});
  ft_list_devices();
  port_counts().found_usb_interface_count = ft_device_count() + wdusb_interface_count();
  const sim::Pod& p = reset(ft_device_count());
  EXPECT_EQ(interface_state().major, 3);
  EXPECT_EQ(status_.lines(), std::vector<std::string>{"BDM QUORVEX detected - Flash Version 3.25"});
  EXPECT_TRUE(firmware_update_link().update_requests.empty());
  EXPECT_EQ(byte_protocol().command_offset, 0);
  EXPECT_TRUE(interface_state().block_mode);
  EXPECT_TRUE(p.violations().empty());
}

TEST_F(InterfaceResetTest, FirmwareAboveFiveShiftsTheFirmwareCommandsByTheOffset) {
  add_ftdi_pod({.updated_firmware = "6.01"});
  ft_list_devices();
  port_counts().found_usb_interface_count = ft_device_count() + wdusb_interface_count();
  const sim::Pod& p = reset(ft_device_count());
  EXPECT_EQ(byte_protocol().command_offset, 128);
  const std::vector<Bytes> sent = commands(p);
  EXPECT_NE(std::find(sent.begin(), sent.end(), Bytes{7, 128 + 21}), sent.end());
  EXPECT_NE(std::find(sent.begin(), sent.end(), Bytes{7, 128 + 16}), sent.end());
  EXPECT_TRUE(p.violations().empty());
}

TEST_F(InterfaceResetTest, TheResetTracesItselfBehindTheLinkPrefix) {
  test::SimulatedUsb::record_trace();
  reset(ftdi);
  const std::vector<std::string>& lines = test::SimulatedUsb::trace_lines();
  const auto traced = [&](const std::string& text) {
    return std::find_if(lines.begin(), lines.end(), [&](const std::string& line) {
             return line.find(text) != std::string::npos;
           }) != lines.end();
  };
  EXPECT_TRUE(traced("(HC=$FFxx/HE=$FFxx)RESET_CABLE"));
  EXPECT_TRUE(traced("Check_cable_version at address $00004058"));
  EXPECT_TRUE(traced(")  Interface Minor Rev:12"));
  EXPECT_TRUE(traced("SET_TARGET_TYPE(08)"));
  EXPECT_TRUE(traced("SET_SPEED_NO_RESET (IO_DELAY_CNT=$0000)"));
  EXPECT_TRUE(traced("RESULT = TRUE"));
  trace_set_receiver(nullptr);
}

TEST(InterfaceModel, NamesByClassAndMajor) {
  struct Case {
    std::uint8_t interface_class;
    std::uint8_t major;
    const char* name;
  };
  const Case cases[] = {
      {2, 6, "TAMBERLY PRO "},        {2, 8, "TAMBERLY PRO "}, {2, 7, "TAMBERLY MAX "}, {2, 9, "TAMBERLY MAX "},
      {2, 2, "VLX Interface "},       {0, 2, "TETHER12 "},     {1, 2, "TETHER12 "},     {0, 3, "BDM QUORVEX "},
      {1, 4, "BDM QUORVEX "},         {1, 5, "USB HCS08/HCS12 QUORVEX "},              {0, 6, "VLX Interface "},
      {1, 255, "VLX Interface "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int{c.interface_class} << "/" << int{c.major});
    EXPECT_EQ(interface_model_name(static_cast<InterfaceClass>(c.interface_class), c.major), c.name);
  }
}

}  // namespace
}  // namespace vx

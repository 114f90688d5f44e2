#include <gtest/gtest.h>

#include <algorithm>

#include "interface/drivers/wdusb_devices.h"
#include "interface/drivers/wdusb_library.h"
#include "interface/drivers/wdusb_transfer.h"
#include "support/recording_list_view.h"
#include "support/simulated_usb.h"

namespace vx {
namespace {

using platform::UsbDeviceId;

// Hands every call to the simulated bus; the devices queued here attach when the scan of that number starts.
class ScheduledBus final : public platform::UsbBus {
 public:
  explicit ScheduledBus(sim::SimUsbBus& bus) : bus_(bus) {}
  bool start(std::uint16_t vendor, std::uint16_t product, platform::UsbBusEvents& events) override {
    ++starts;
    for (const auto& [scan, device] : pending) {
      if (scan == starts) bus_.attach(device);
    }
    return bus_.start(vendor, product, events);
  }
  void stop() override { bus_.stop(); }
  std::uint32_t set_interface(UsbDeviceId d, std::uint8_t i, std::uint8_t a) override {
    return bus_.set_interface(d, i, a);
  }
  std::uint32_t reset_pipe(UsbDeviceId d, std::uint8_t p) override { return bus_.reset_pipe(d, p); }
  std::uint32_t transfer(UsbDeviceId d, std::uint8_t p, bool r, std::span<std::uint8_t> b, std::uint32_t& t,
                         std::uint32_t ms) override {
    return bus_.transfer(d, p, r, b, t, ms);
  }

  int starts = 0;
  std::vector<std::pair<int, UsbDeviceId>> pending;

 private:
  sim::SimUsbBus& bus_;
};

class WdusbBindingTest : public testing::Test {
 protected:
  UsbDeviceId add_device(const std::string& information, bool attached = true, std::uint16_t product = 2) {
    pods_.push_back(std::make_unique<sim::Pod>(sim::PodConfig{}, nullptr, &usb_.clock));
    pods_.back()->keep_wire_log(true);
    return usb_.usb.add({information, sim::scenario_default_vendor, product, pods_.back().get()}, attached);
  }
  sim::Pod& pod(UsbDeviceId device) { return *pods_.at(device - 1); }

  test::ScopedStatusOutput status_;
  test::SimulatedUsb usb_;
  std::vector<std::unique_ptr<sim::Pod>> pods_;
};

TEST_F(WdusbBindingTest, LoadsTheManagerLibraryElseTheWinDriverOne) {
  load_usb_driver_dll();
  EXPECT_TRUE(wdusb_library().loaded);
  EXPECT_EQ(wdusb_library().file_name, "VXUSBMGR.DLL");

  reset_wdusb_library();
  platform::hide_builtin_library("VXUSBMGR.DLL");
  load_usb_driver_dll();
  EXPECT_TRUE(wdusb_library().loaded);
  EXPECT_EQ(wdusb_library().file_name, "WDAPI900.DLL");
  EXPECT_TRUE(status_.lines().empty());
}

TEST_F(WdusbBindingTest, AMissingEntryIsReportedForEveryLibraryTried) {
  platform::hide_builtin_entry("VXUSBMGR.DLL", "WDU_Transfer");
  platform::hide_builtin_entry("WDAPI900.DLL", "WDU_Transfer");
  load_usb_driver_dll();
  EXPECT_FALSE(wdusb_library().loaded);
  EXPECT_EQ(status_.lines(), std::vector<std::string>(4, "WDU_Transfer not found in VLX WD-USB DLL."));
  // Without a library a scan finds nothing and every transfer is refused.
  add_device("VLX,USB-QX-12 : USB Quorvex,QX0001");
  wdusb_enumerate();
  EXPECT_EQ(wdusb_interface_count(), 0);
  EXPECT_FALSE(wdusb_open_device("QX0001"));
  EXPECT_FALSE(wdusb_write(std::vector<std::uint8_t>{1}));
}

TEST_F(WdusbBindingTest, OldSystemsLoadNothing) {
  platform::set_os_version({platform::OsPlatform::windows_nt, 4, 0, 0, {}});
  load_usb_driver_dll();
  EXPECT_TRUE(wdusb_library().loader_has_run);
  EXPECT_FALSE(wdusb_library().loaded);
  EXPECT_EQ(wdusb_library().library, 0u);
}

TEST_F(WdusbBindingTest, EnumerationSortsByNameAndClassifiesByModel) {
  const std::string sentinel = "fafhasdfuiasdhfuiasdn fico shr";
  struct Case {
    std::string information;
    const char* table;  // "interface", "programmer" or ""
  };
  const Case cases[] = {
      {"VLX,USB-QX-12 : USB Quorvex,QXB", "interface"},
      {"VLX,USB-QX-12 REF : USB Quorvex,QXA", "interface"},
      {"VLX, USB-QX-12 " + sentinel + ",QXS", ""},
      {"VLX,USB-QX-12 " + sentinel + " (FS),QXF", "interface"},
      {"VLX,Universal (FS),QXU", "interface"},
      {"VLX, 0 TAMBERLY PRO,PRO1", "programmer"},
      {"VLX,Something else,OTH", ""},
      {"", ""},  // does not answer the identification request
  };
  for (const Case& c : cases) add_device(c.information);
  add_device("VLX,USB-QX-12 : hidden,QXC", false);
  load_usb_driver_dll();
  wdusb_enumerate();
  const WdusbDeviceTable& interfaces = wdusb_state().interfaces;
  ASSERT_EQ(interfaces.count, 4);
  EXPECT_EQ(interfaces.name(1), "QXA");
  EXPECT_EQ(interfaces.name(2), "QXB");
  EXPECT_EQ(interfaces.name(3), "QXF");
  EXPECT_EQ(interfaces.name(4), "QXU");
  EXPECT_EQ(interfaces.line(1), "VLX,USB-QX-12 REF : USB Quorvex,QXA");
  ASSERT_EQ(wdusb_programmer_count(), 1);
  EXPECT_EQ(wdusb_state().programmers.identifier(1), "PRO1");
  // The silent device was listed under its handle, as model UNKNOWN.
  std::lock_guard lock(wdusb_mutex());
  const WdusbDeviceTable& raw = wdusb_state().raw;
  ASSERT_EQ(raw.count, 8);
  EXPECT_EQ(raw.line(8), "VLX,UNKNOWN," + raw.name(8).str() + ",,,,,");
  EXPECT_EQ(raw.name(8).size(), 8u);
}

TEST_F(WdusbBindingTest, AttachOrderDoesNotChangeTheTableOrder) {
  add_device("VLX,USB-QX-12,B");
  add_device("VLX,USB-QX-12,A");
  add_device("VLX,USB-QX-12,C");
  load_usb_driver_dll();
  wdusb_enumerate();
  const WdusbDeviceTable& interfaces = wdusb_state().interfaces;
  ASSERT_EQ(interfaces.count, 3);
  EXPECT_EQ(interfaces.name(1).str() + interfaces.name(2).str() + interfaces.name(3).str(), "ABC");
}

TEST_F(WdusbBindingTest, NamesAndIdentifiersFollowTheInformationFields) {
  struct Case {
    std::string information;
    const char* name;
    const char* identifier;
  };
  const Case cases[] = {
      {"VLX,USB-QX-12,QX0042,rest", "QX0042", "QX0042"},
      {"acme ,USB-QX-12, QX0043 ", "QX0043", "ACME"},
      {"VLX,USB-QX-12," + std::string(60, 'N'), "", ""},
  };
  for (const Case& c : cases) add_device(c.information);
  load_usb_driver_dll();
  wdusb_enumerate();
  const WdusbDeviceTable& interfaces = wdusb_state().interfaces;
  ASSERT_EQ(interfaces.count, 3);
  EXPECT_EQ(interfaces.identifier(1), "N" + std::string(49, 'N'));
  EXPECT_EQ(interfaces.name(2), "QX0042");
  EXPECT_EQ(interfaces.identifier(2), "QX0042");
  EXPECT_EQ(interfaces.name(3), "QX0043");
  EXPECT_EQ(interfaces.identifier(3), "ACME");
}

TEST_F(WdusbBindingTest, NineteenDevicesAtMostAndOnlyTheConfiguredVendor) {
  for (int i = 0; i < 21; ++i) add_device("VLX,USB-QX-12,QX" + std::to_string(10 + i));
  usb_.usb.add({"VLX,USB-QX-12,FOREIGN", 0x1234, 2, nullptr});
  load_usb_driver_dll();
  wdusb_enumerate();
  EXPECT_EQ(wdusb_interface_count(), 19);
  EXPECT_EQ(wdusb_state().interfaces.name(19), "QX28");
}

TEST_F(WdusbBindingTest, OpenFindsTheDeviceByItsIdentifier) {
  add_device("VLX,USB-QX-12,QX0001");
  const UsbDeviceId second = add_device("VLX,USB-QX-12,QX0002");
  load_usb_driver_dll();
  test::SimulatedUsb::record_trace();
  ASSERT_TRUE(wdusb_open_device("QX0002"));
  EXPECT_TRUE(test::SimulatedUsb::trace_lines().empty());
  EXPECT_TRUE(wdusb_state().re_open_allowed);
  EXPECT_EQ(wdusb_state().remembered_name, "QX0002");
  ASSERT_TRUE(wdusb_write(std::vector<std::uint8_t>{4, 0x40, 0x58, 4}));
  std::array<std::uint8_t, 1280> reply{};
  std::int32_t length = 0;
  ASSERT_TRUE(wdusb_read(reply, length, 250));
  EXPECT_EQ(length, 5);
  EXPECT_EQ(reply[0], 0xEE);
  EXPECT_EQ(pod(second).wire_log().size(), 1u);
  wdusb_close();
  EXPECT_FALSE(wdusb_state().re_open_allowed);
  EXPECT_FALSE(wdusb_write(std::vector<std::uint8_t>{1}));
}

TEST_F(WdusbBindingTest, OpenRetriesUpToSevenScansWithATraceLineAfterEachFailure) {
  struct Case {
    int found_on_scan;  // 0: never
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {1, {}},
      {3, {"Failed 1st Open.", "Failed 2st Open."}},
      {0,
       {"Failed 1st Open.", "Failed 2st Open.", "Failed 3rd Open.", "Failed 4th Open.", "Failed 5th Open.",
        "Failed 6th Open."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.found_on_scan);
    test::SimulatedUsb usb;
    ScheduledBus bus(usb.usb);
    platform::install_usb_bus(&bus);
    sim::Pod device_pod(sim::PodConfig{}, nullptr, &usb.clock);
    const UsbDeviceId device =
        usb.usb.add({"VLX,USB-QX-12,QX0007", sim::scenario_default_vendor, 2, &device_pod}, false);
    if (c.found_on_scan != 0) bus.pending.emplace_back(c.found_on_scan, device);
    load_usb_driver_dll();
    test::SimulatedUsb::record_trace();
    EXPECT_EQ(wdusb_open_device("QX0007"), c.found_on_scan != 0);
    EXPECT_EQ(test::SimulatedUsb::trace_lines(), c.lines);
    EXPECT_EQ(bus.starts, c.found_on_scan != 0 ? c.found_on_scan : 7);
    reset_wdusb_state();
    platform::install_usb_bus(&usb.usb);
  }
}

TEST_F(WdusbBindingTest, TheFirstAttachDelayHoldsBackTheAttachCallback) {
  add_device("VLX,USB-QX-12,QX0001");
  load_usb_driver_dll();
  set_attach_delay_1(2000);
  const std::uint64_t before = usb_.clock.now_nanoseconds();
  ASSERT_TRUE(wdusb_open_device("QX0001"));
  EXPECT_GE(usb_.clock.now_nanoseconds() - before, 2'000'000'000u);
}

TEST_F(WdusbBindingTest, FramesUpTo252BytesAreShortLongerOnesAreLongAndCut) {
  struct Case {
    std::size_t payload;
    std::uint16_t product;
    std::size_t command_seen;
  };
  const Case cases[] = {{252, 2, 252}, {253, 2, 253}, {253, 1, 253}, {1276, 2, 1276}, {2000, 2, 1276}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.payload << " bytes, product " << c.product);
    test::SimulatedUsb usb;
    sim::Pod device_pod(sim::PodConfig{}, nullptr, &usb.clock);
    device_pod.keep_wire_log(true);
    usb.usb.add({"VLX,USB-QX-12,QX0001", sim::scenario_default_vendor, c.product, &device_pod});
    load_usb_driver_dll();
    ASSERT_TRUE(wdusb_open_device("QX0001"));
    std::vector<std::uint8_t> payload(c.payload, 0x90);
    ASSERT_TRUE(wdusb_write(payload));
    ASSERT_EQ(device_pod.wire_log().size(), 1u);
    EXPECT_EQ(device_pod.wire_log()[0].command.size(), c.command_seen);
    EXPECT_EQ(usb.usb.malformed_frames(), 0u);
  }
}

TEST_F(WdusbBindingTest, EmptyWritesAndReadsWithoutADeviceFailAtOnce) {
  std::array<std::uint8_t, 1280> reply{};
  std::int32_t length = 9;
  EXPECT_FALSE(wdusb_read(reply, length, 250));
  EXPECT_EQ(length, 0);
  add_device("VLX,USB-QX-12,QX0001");
  load_usb_driver_dll();
  ASSERT_TRUE(wdusb_open_device("QX0001"));
  EXPECT_FALSE(wdusb_write({}));
  // Nothing was asked: the read waits out its time-out.
  const std::uint64_t before = usb_.clock.now_nanoseconds();
  EXPECT_FALSE(wdusb_read(reply, length, 250));
  EXPECT_GE(usb_.clock.now_nanoseconds() - before, 250'000'000u);
}

TEST_F(WdusbBindingTest, TheTakenDeviceIsTakenAgainWhenItReturns) {
  const UsbDeviceId device = add_device("VLX,USB-QX-12,QX0001");
  const UsbDeviceId other = add_device("VLX,USB-QX-12,QX0002");
  load_usb_driver_dll();
  ASSERT_TRUE(wdusb_open_device("QX0001"));
  // Another device leaving changes nothing for the open one.
  usb_.usb.detach(other);
  ASSERT_TRUE(wdusb_write(std::vector<std::uint8_t>{4, 0x40, 0x58, 4}));
  std::int32_t listed = 0;
  {
    std::lock_guard lock(wdusb_mutex());
    listed = wdusb_state().raw.count;
  }
  usb_.usb.detach(device);
  usb_.usb.attach(device);
  ASSERT_TRUE(wdusb_write(std::vector<std::uint8_t>{4, 0x40, 0x58, 4}));
  std::array<std::uint8_t, 1280> reply{};
  std::int32_t length = 0;
  EXPECT_TRUE(wdusb_read(reply, length, 250));
  EXPECT_EQ(length, 5);
  std::lock_guard lock(wdusb_mutex());
  EXPECT_EQ(wdusb_state().raw.count, listed);  // its return added nothing to the tables
  EXPECT_FALSE(wdusb_state().detached);
}

TEST_F(WdusbBindingTest, ADeviceThatStaysAwayIsOpenedAgainByName) {
  struct Case {
    bool returns;
    const char* result;
  };
  for (const Case c : {Case{true, "Result = TRUE"}, Case{false, "Result = FALSE"}}) {
    SCOPED_TRACE(c.result);
    test::SimulatedUsb usb;
    ScheduledBus bus(usb.usb);
    platform::install_usb_bus(&bus);
    sim::Pod device_pod(sim::PodConfig{}, nullptr, &usb.clock);
    const UsbDeviceId device = usb.usb.add({"VLX,USB-QX-12,QX0001", sim::scenario_default_vendor, 2, &device_pod});
    load_usb_driver_dll();
    ASSERT_TRUE(wdusb_open_device("QX0001"));
    usb.usb.detach(device);
    if (c.returns) bus.pending.emplace_back(bus.starts + 1, device);
    test::SimulatedUsb::record_trace();
    EXPECT_EQ(wdusb_write(std::vector<std::uint8_t>{4, 0x40, 0x58, 4}), c.returns);
    const std::vector<std::string>& lines = test::SimulatedUsb::trace_lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "Attempting to re-open the device...");
    EXPECT_NE(std::find(lines.begin(), lines.end(), c.result), lines.end());
    EXPECT_EQ(wdusb_state().re_open_allowed, c.returns);
    reset_wdusb_state();
    platform::install_usb_bus(&usb.usb);
  }
}

}  // namespace
}  // namespace vx

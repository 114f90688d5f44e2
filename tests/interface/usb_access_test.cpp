#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "interface/drivers/ftdi_binding.h"
#include "interface/drivers/wdusb_devices.h"
#include "interface/drivers/wdusb_library.h"
#include "platform/device_access.h"
#include "platform/wdusb.h"
#include "platform/wdusb_libusb.h"
#include "sim/scenario.h"
#include "support/recording_list_view.h"
#include "support/simulated_usb.h"

namespace vx {
namespace {

using ::testing::AllOf;
using ::testing::Contains;
using ::testing::Each;
using ::testing::HasSubstr;
using ::testing::Not;

const char* const vendor_unset_line =
    "USB interfaces are not searched: set the environment variable VX_USB_VENDOR_ID (the flash programmer also reads "
    "USB_VENDOR_ID in the STARTUP section of CQUILLHCS08.DSK) to the interfaces' vendor id (see README).";

// Devices of the simulated vendor on the bus; the setting is the test's to make.
class UsbAccessTest : public testing::Test {
 protected:
  UsbAccessTest() {
    unsetenv("VX_USB_VENDOR_ID");
    platform::reset_refused_devices();
  }
  ~UsbAccessTest() override {
    unsetenv("VX_USB_VENDOR_ID");
    platform::reset_refused_devices();
  }

  void add_interface(const std::string& information) {
    pods_.push_back(std::make_unique<sim::Pod>(sim::PodConfig{}, nullptr, &usb_.clock));
    usb_.usb.add({information, sim::scenario_default_vendor, 2, pods_.back().get()});
  }

  test::ScopedStatusOutput status_;
  test::SimulatedUsb usb_;
  std::vector<std::unique_ptr<sim::Pod>> pods_;
};

// The scan takes a device only of the vendor the setting names; another vendor's never.
TEST_F(UsbAccessTest, TheVendorComesFromTheEnvironmentElseTheDesktopElseNowhere) {
  struct Case {
    const char* environment;  // nullptr: unset
    const char* desktop;
    std::optional<std::uint16_t> vendor;
  };
  const Case cases[] = {
      {"0x1234", "", 0x1234},        {"$1234", "", 0x1234},         {"4660", "", 0x1234},
      {nullptr, "0x1234", 0x1234},   {nullptr, "$1234", 0x1234},    {nullptr, " 4660 ", 0x1234},
      {"0x1234", "0x4321", 0x1234},  {"nonsense", "0x1234", 0x1234}, {nullptr, "", std::nullopt},
      {nullptr, "0x12345", std::nullopt}, {nullptr, "vendor", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.environment != nullptr ? c.environment : "(unset)") + " / " + c.desktop);
    if (c.environment != nullptr) {
      setenv("VX_USB_VENDOR_ID", c.environment, 1);
    } else {
      unsetenv("VX_USB_VENDOR_ID");
    }
    platform::set_usb_vendor_id(std::nullopt);
    take_desktop_usb_vendor_id(c.desktop);
    const std::optional<std::uint16_t> vendor = usb_vendor_id_setting();
    EXPECT_EQ(vendor, c.vendor);
    const bool takes_own = vendor && platform::libusb_scan_takes(*vendor, 0, {0x1234, 2, 0});
    const bool takes_other = vendor && platform::libusb_scan_takes(*vendor, 0, {0x4321, 2, 0});
    EXPECT_EQ(takes_own, c.vendor.has_value());
    EXPECT_FALSE(takes_other);
  }
}

TEST_F(UsbAccessTest, WithoutAVendorTheScanFindsNothingAndSaysSoOncePerRun) {
  add_interface("VLX,USB-QX-12 : USB Quorvex,QX0001");
  load_usb_driver_dll();
  platform::set_usb_vendor_id(std::nullopt);
  wdusb_enumerate();
  EXPECT_EQ(wdusb_interface_count(), 0);
  EXPECT_FALSE(wdusb_open_device("QX0001"));
  wdusb_enumerate();
  EXPECT_EQ(status_.lines(), std::vector<std::string>{vendor_unset_line});

  platform::set_usb_vendor_id(sim::scenario_default_vendor);
  wdusb_enumerate();
  EXPECT_EQ(wdusb_interface_count(), 1);
  EXPECT_EQ(status_.lines().size(), 1u);
}

// Both families' listings name each refused device once, with what to change.
TEST_F(UsbAccessTest, ARefusedDeviceIsNamedOncePerRun) {
  add_interface("VLX,USB-QX-12 : USB Quorvex,QX0001");
  load_usb_driver_dll();
  start_ftdi_binding();
  platform::record_refused_device("/dev/bus/usb/001/004");
  wdusb_enumerate();
  EXPECT_EQ(wdusb_interface_count(), 1);
  ASSERT_EQ(status_.lines().size(), 1u);
  EXPECT_THAT(status_.lines()[0], AllOf(HasSubstr("No permission to open /dev/bus/usb/001/004"), HasSubstr("udev")));

  platform::record_refused_device("/dev/bus/usb/001/004");
  platform::record_refused_device("/dev/bus/usb/002/011");
  ft_list_devices();
  wdusb_enumerate();
  ASSERT_EQ(status_.lines().size(), 2u);
  EXPECT_THAT(status_.lines()[1], HasSubstr("No permission to open /dev/bus/usb/002/011"));
  EXPECT_THAT(status_.lines(), Each(Not(HasSubstr("in use"))));
  EXPECT_THAT(status_.lines(), Not(Contains(vendor_unset_line)));
}

}  // namespace
}  // namespace vx

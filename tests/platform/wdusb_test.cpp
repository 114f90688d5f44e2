#include "platform/wdusb.h"

#include <gtest/gtest.h>
#include <libusb-1.0/libusb.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/device_access.h"
#include "platform/dynlib.h"
#include "platform/wdusb_libusb.h"

namespace vx::platform {
namespace {

// A bus whose devices the test plugs in and out; a transfer answers with its pipe number.
class FakeBus final : public UsbBus {
 public:
  bool start(std::uint16_t vendor, std::uint16_t, UsbBusEvents& events) override {
    std::lock_guard lock(mutex_);
    if (!startable) return false;
    vendor_ = vendor;
    events_ = &events;
    for (const UsbDeviceId device : present) events.arrived(device, {vendor, 1, 0});
    return true;
  }
  void stop() override {
    std::lock_guard lock(mutex_);
    events_ = nullptr;
    ++stops;
  }
  std::uint32_t set_interface(UsbDeviceId, std::uint8_t, std::uint8_t) override { return wd::success; }
  std::uint32_t reset_pipe(UsbDeviceId, std::uint8_t) override { return wd::success; }
  std::uint32_t transfer(UsbDeviceId device, std::uint8_t pipe, bool, std::span<std::uint8_t> buffer,
                         std::uint32_t& transferred, std::uint32_t) override {
    if (!buffer.empty()) buffer[0] = static_cast<std::uint8_t>(pipe + device);
    transferred = static_cast<std::uint32_t>(buffer.size());
    return wd::success;
  }
  void plug(UsbDeviceId device) {
    std::lock_guard lock(mutex_);
    if (events_ != nullptr) events_->arrived(device, {vendor_, 2, 0});
  }
  void unplug(UsbDeviceId device) {
    std::lock_guard lock(mutex_);
    if (events_ != nullptr) events_->departed(device);
  }

  bool startable = true;
  std::vector<UsbDeviceId> present;
  int stops = 0;

 private:
  std::mutex mutex_;
  UsbBusEvents* events_ = nullptr;
  std::uint16_t vendor_ = 0;
};

// What the callbacks saw, in order, and on which thread.
struct Seen {
  std::mutex mutex;
  std::vector<std::string> events;
  std::vector<WDU_DEVICE_HANDLE> handles;
  std::atomic<bool> on_caller_thread = false;
  std::thread::id caller = std::this_thread::get_id();
};

int on_attach(WDU_DEVICE_HANDLE device, WDU_DEVICE* info, void* user) {
  auto* seen = static_cast<Seen*>(user);
  if (std::this_thread::get_id() == seen->caller) seen->on_caller_thread = true;
  std::lock_guard lock(seen->mutex);
  seen->events.push_back("attach product " + std::to_string(info->Descriptor.idProduct) + " interface " +
                         std::to_string(info->pActiveInterface[0]->pActiveAltSetting->Descriptor.bInterfaceNumber));
  seen->handles.push_back(device);
  return 1;
}

void on_detach(WDU_DEVICE_HANDLE device, void* user) {
  auto* seen = static_cast<Seen*>(user);
  std::lock_guard lock(seen->mutex);
  seen->events.push_back(device == seen->handles.front() ? "detach first" : "detach other");
}

class WdusbTest : public testing::Test {
 protected:
  void SetUp() override {
    install_usb_bus(&bus_);
    library_ = load_library("WDAPI900.DLL");
    init_ = reinterpret_cast<WDU_Init_fn>(library_entry(library_, "WDU_Init"));
    uninit_ = reinterpret_cast<WDU_Uninit_fn>(library_entry(library_, "WDU_Uninit"));
    transfer_ = reinterpret_cast<WDU_Transfer_fn>(library_entry(library_, "WDU_Transfer"));
    match_.wVendorId = 0x1234;
    events_.pfDeviceAttach = on_attach;
    events_.pfDeviceDetach = on_detach;
    events_.pUserData = &seen_;
  }
  void TearDown() override {
    install_usb_bus(nullptr);
    reset_dynlib();
  }

  std::uint32_t init(WDU_DRIVER_HANDLE& driver) { return init_(&driver, &match_, 1, &events_, "", 0); }

  FakeBus bus_;
  Seen seen_;
  LibraryHandle library_ = 0;
  WDU_Init_fn init_ = nullptr;
  WDU_Uninit_fn uninit_ = nullptr;
  WDU_Transfer_fn transfer_ = nullptr;
  WDU_MATCH_TABLE match_;
  WDU_EVENT_TABLE events_;
};

TEST_F(WdusbTest, CallbacksRunInOrderOnTheLibraryThread) {
  bus_.present = {10, 20};
  WDU_DRIVER_HANDLE driver = nullptr;
  ASSERT_EQ(init(driver), wd::success);
  ASSERT_NE(driver, nullptr);
  bus_.plug(30);
  bus_.unplug(10);
  wdusb_wait_for_callbacks();
  {
    std::lock_guard lock(seen_.mutex);
    EXPECT_EQ(seen_.events, (std::vector<std::string>{"attach product 1 interface 0", "attach product 1 interface 0",
                                                      "attach product 2 interface 0", "detach first"}));
  }
  EXPECT_FALSE(seen_.on_caller_thread);
  uninit_(driver);
  EXPECT_EQ(bus_.stops, 1);
}

TEST_F(WdusbTest, TransfersReachTheBusUntilTheirDeviceLeaves) {
  bus_.present = {10};
  WDU_DRIVER_HANDLE driver = nullptr;
  ASSERT_EQ(init(driver), wd::success);
  wdusb_wait_for_callbacks();
  WDU_DEVICE_HANDLE device = seen_.handles.at(0);
  std::uint8_t buffer[256] = {};
  std::uint32_t done = 0;
  ASSERT_EQ(transfer_(device, 0x81, 1, 0, buffer, sizeof buffer, &done, nullptr, 250), wd::success);
  EXPECT_EQ(done, 256u);
  EXPECT_EQ(buffer[0], 0x81 + 10);
  bus_.unplug(10);
  wdusb_wait_for_callbacks();
  EXPECT_EQ(transfer_(device, 0x81, 1, 0, buffer, sizeof buffer, &done, nullptr, 250), wd::device_not_found);
  EXPECT_EQ(done, 0u);
  uninit_(driver);
  EXPECT_EQ(transfer_(device, 0x81, 1, 0, buffer, sizeof buffer, &done, nullptr, 250), wd::device_not_found);
}

TEST_F(WdusbTest, OneDriverAtATimeAndAFailedBusOpensNone) {
  WDU_DRIVER_HANDLE driver = nullptr;
  ASSERT_EQ(init(driver), wd::success);
  WDU_DRIVER_HANDLE second = nullptr;
  EXPECT_EQ(init(second), wd::operation_already_done);
  uninit_(driver);
  uninit_(driver);  // a second close is harmless
  bus_.startable = false;
  EXPECT_EQ(init(second), wd::device_not_found);
  EXPECT_EQ(second, nullptr);
  EXPECT_EQ(init_(&second, &match_, 0, &events_, "", 0), wd::invalid_parameter);
}

TEST_F(WdusbTest, StatusTextsNameTheStatuses) {
  auto text = reinterpret_cast<Stat2Str_fn>(library_entry(library_, "Stat2Str"));
  EXPECT_STREQ(text(wd::time_out_expired), "Time out expired");
  EXPECT_STREQ(text(wd::device_not_found), "Device not found");
  EXPECT_STREQ(text(0x12345678), "Unrecognized error code");
}

TEST(LibusbBus, TakesOnlyDevicesOfTheVendorAndProductAsked) {
  struct Case {
    std::uint16_t vendor;
    std::uint16_t product;
    UsbDeviceInfo device;
    bool taken;
  };
  const Case cases[] = {
      {0x1234, 0, {0x1234, 0x0002, 0}, true},  {0x1234, 0, {0x1234, 0xFFFF, 3}, true},
      {0x1234, 2, {0x1234, 0x0002, 0}, true},  {0x1234, 2, {0x1234, 0x0003, 0}, false},
      {0x1234, 0, {0x4321, 0x0002, 0}, false}, {0x1234, 2, {0x0403, 0x0002, 0}, false},
      {0xFFFF, 0, {0x1234, 0x0002, 0}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.vendor << ' ' << c.product << ' ' << c.device.vendor << ' '
                                    << c.device.product);
    EXPECT_EQ(libusb_scan_takes(c.vendor, c.product, c.device), c.taken);
  }
}

// Only a refused open names the device's node; a busy or vanished device is no permission problem.
TEST(LibusbBus, ARefusedOpenRecordsTheDevicesNode) {
  struct Case {
    int result;
    bool succeeded;
    std::vector<std::string> refused;
  };
  const Case cases[] = {
      {LIBUSB_SUCCESS, true, {}},
      {LIBUSB_ERROR_ACCESS, false, {"/dev/bus/usb/003/017"}},
      {LIBUSB_ERROR_BUSY, false, {}},
      {LIBUSB_ERROR_NO_DEVICE, false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.result);
    reset_refused_devices();
    EXPECT_EQ(note_usb_open(c.result, 3, 17), c.succeeded);
    EXPECT_EQ(take_refused_devices(), c.refused);
  }
  reset_refused_devices();
}

// With no device present the real bus reports nothing, and its event thread starts and stops cleanly.
TEST(LibusbBus, StartsAndStopsItsThreadWithNoDevicePresent) {
  for (const bool poll_only : {false, true}) {
    SCOPED_TRACE(poll_only);
    install_usb_bus(nullptr);
    std::unique_ptr<UsbBus> bus = make_libusb_bus(poll_only);
    install_usb_bus(bus.get());
    const LibraryHandle library = load_library("VXUSBMGR.DLL");
    auto init = reinterpret_cast<WDU_Init_fn>(library_entry(library, "WDU_Init"));
    auto uninit = reinterpret_cast<WDU_Uninit_fn>(library_entry(library, "WDU_Uninit"));
    Seen seen;
    WDU_MATCH_TABLE match;
    match.wVendorId = 0xFFFF;
    WDU_EVENT_TABLE events;
    events.pfDeviceAttach = on_attach;
    events.pfDeviceDetach = on_detach;
    events.pUserData = &seen;
    WDU_DRIVER_HANDLE driver = nullptr;
    ASSERT_EQ(init(&driver, &match, 1, &events, "", 0), wd::success);
    wdusb_wait_for_callbacks();
    uninit(driver);
    EXPECT_TRUE(seen.events.empty());
    install_usb_bus(nullptr);
    reset_dynlib();
  }
}

}  // namespace
}  // namespace vx::platform

#include <gtest/gtest.h>

#include <deque>

#include "interface/drivers/wdusb_devices.h"
#include "interface/drivers/wdusb_library.h"
#include "interface/drivers/wdusb_transfer.h"
#include "support/simulated_usb.h"

namespace vx {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The simulated bus, except that reads of the device's answers come from a script once one is set.
class ScriptedReplies final : public platform::UsbBus {
 public:
  explicit ScriptedReplies(sim::SimUsbBus& bus) : bus_(bus) {}
  bool start(std::uint16_t v, std::uint16_t p, platform::UsbBusEvents& e) override { return bus_.start(v, p, e); }
  void stop() override { bus_.stop(); }
  std::uint32_t set_interface(platform::UsbDeviceId d, std::uint8_t i, std::uint8_t a) override {
    return bus_.set_interface(d, i, a);
  }
  std::uint32_t reset_pipe(platform::UsbDeviceId d, std::uint8_t p) override { return bus_.reset_pipe(d, p); }
  std::uint32_t transfer(platform::UsbDeviceId d, std::uint8_t p, bool read, std::span<std::uint8_t> buffer,
                         std::uint32_t& transferred, std::uint32_t ms) override {
    if (!scripted || !read) return bus_.transfer(d, p, read, buffer, transferred, ms);
    transferred = 0;
    if (parts.empty()) return platform::wd::time_out_expired;
    const Bytes part = parts.front();
    parts.pop_front();
    transferred = static_cast<std::uint32_t>(std::min(part.size(), buffer.size()));
    std::copy_n(part.begin(), transferred, buffer.begin());
    return platform::wd::success;
  }

  bool scripted = false;
  std::deque<Bytes> parts;

 private:
  sim::SimUsbBus& bus_;
};

Bytes part(std::size_t size, std::initializer_list<std::uint8_t> head = {}) {
  Bytes bytes(size, 0x33);
  std::copy(head.begin(), head.end(), bytes.begin());
  return bytes;
}

TEST(WdusbReply, TheAnnouncedLengthMustFitWhatCameAndTheCallersBuffer) {
  struct Case {
    const char* what;
    std::vector<Bytes> parts;
    std::size_t buffer;
    std::optional<std::int32_t> length;  // nullopt: the read fails
  };
  const std::vector<Case> cases = {
      {"short, 252 bytes", {part(256, {0x99, 0x66, 0x00, 252})}, 1280, 252},
      {"short, announcing 253", {part(256, {0x99, 0x66, 0x00, 253})}, 1280, std::nullopt},
      {"short, announcing 300", {part(256, {0x99, 0x66, 0x01, 0x2C})}, 1280, std::nullopt},
      {"long, 1276 bytes", {part(256, {0x88, 0xA5, 0x04, 0xFC}), part(256), part(256), part(256), part(256)}, 1280,
       1276},
      {"long, a part missing", {part(256, {0x88, 0xA5, 0x01, 0x00}), part(256), part(256), part(256)}, 1280,
       std::nullopt},
      {"long, a part cut short", {part(256, {0x88, 0xA5, 0x01, 0x00}), part(256), part(200), part(256), part(256)},
       1280, std::nullopt},
      {"unknown header", {part(256, {0xAA, 0x55, 0x00, 0x01})}, 1280, std::nullopt},
      {"a short first part", {part(100, {0x99, 0x66, 0x00, 0x01})}, 1280, std::nullopt},
      {"more than the buffer holds", {part(256, {0x99, 0x66, 0x00, 10})}, 5, std::nullopt},
      {"nothing at all", {}, 1280, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::SimulatedUsb usb;
    ScriptedReplies bus(usb.usb);
    platform::install_usb_bus(&bus);
    usb.usb.add({"VLX,USB-QX-12,QX0001", sim::scenario_default_vendor, 2, nullptr});
    load_usb_driver_dll();
    ASSERT_TRUE(wdusb_open_device("QX0001"));
    bus.scripted = true;
    bus.parts.assign(c.parts.begin(), c.parts.end());
    Bytes buffer(c.buffer);
    std::int32_t length = -1;
    EXPECT_EQ(wdusb_read(buffer, length, 250), c.length.has_value());
    EXPECT_EQ(length, c.length.value_or(0));
    if (c.length) {
      EXPECT_EQ(buffer[0], 0x33);
    }
    reset_wdusb_state();
    platform::install_usb_bus(&usb.usb);
  }
}

}  // namespace
}  // namespace vx

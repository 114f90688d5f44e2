#include "fwupdate/usb_classification.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "support/recording_list_view.h"
#include "support/simulated_usb.h"

namespace vx {
namespace {

TEST(UsbClassification, ModelTextsByTheFirstRuleThatApplies) {
  struct Case {
    const char* model;
    UsbDeviceClass expected;
  };
  const Case cases[] = {
      {"USB-QX-12 : USB Quorvex", UsbDeviceClass::quorvex},
      {"  USB-QX-12", UsbDeviceClass::quorvex},
      {"USB-QX-12 FX", UsbDeviceClass::quorvex},
      {"USB-QX-12 fafhasdfuiasdhfuiasdn fico shr", UsbDeviceClass::unknown},
      {"USB-QX-12 (FS) fafhasdfuiasdhfuiasdn fico shr", UsbDeviceClass::fs_quorvex},
      {"USB-QX-12 FX fafhasdfuiasdhfuiasdn fico shr", UsbDeviceClass::fx_quorvex},
      {"Universal (FS)", UsbDeviceClass::fs_quorvex},
      {"Universal FX", UsbDeviceClass::fx_quorvex},
      {"0 Tamberly Pro", UsbDeviceClass::programmer},
      {" 0 Tamberly Max", UsbDeviceClass::programmer},
      {"2 Zephlor", UsbDeviceClass::trace},
      {"  2", UsbDeviceClass::trace},
      {"USB-QX-ARM", UsbDeviceClass::unknown},
      {"", UsbDeviceClass::unknown},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(classify_usb_model(ShortText(c.model)), c.expected) << "'" << c.model << "'";
  }
}

// Devices on the simulated WinDriver bus, listed as the updater lists them.
class UsbClassificationTest : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* line : {"VLX,USB-QX-12 : USB Quorvex,B", "VLX,2 Zephlor,T1", "VLX,USB-QX-12 : USB Quorvex,A",
                             "VLX,0 Tamberly Pro,P1", "VLX,Gadget,G1", "VLX,Universal FX,F1"}) {
      pods_.push_back(std::make_unique<sim::Pod>(sim::PodConfig{}, nullptr, &usb_.clock));
      usb_.usb.add({line, sim::scenario_default_vendor, 2, pods_.back().get()});
    }
    test::SimulatedUsb::record_trace();
    init_usb_driver();
    enumerate_usb_devices();
  }
  void TearDown() override { reset_usb_classification(); }

  static bool traced(const std::string& line) {
    const std::vector<std::string>& lines = test::SimulatedUsb::trace_lines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }

  test::ScopedStatusOutput status_;
  test::SimulatedUsb usb_;
  std::vector<std::unique_ptr<sim::Pod>> pods_;
};

TEST_F(UsbClassificationTest, ListsAreSortedByNameAndCounted) {
  const UsbClassification& lists = usb_classification();
  ASSERT_EQ(lists.interfaces.count, 3);
  EXPECT_EQ(lists.interfaces.name(1), "A");
  EXPECT_EQ(lists.interfaces.name(2), "B");
  EXPECT_EQ(lists.interfaces.name(3), "F1");
  ASSERT_EQ(lists.programmers.count, 1);
  EXPECT_EQ(lists.programmers.identifier(1), "P1");
  ASSERT_EQ(wdusb_trace_count(), 1);
  EXPECT_EQ(lists.traces.line(1), "VLX,2 Zephlor,T1");
  EXPECT_EQ(lists.unknown_count, 1);
  EXPECT_TRUE(traced("TOTAL UNKNOWN = 1"));
  EXPECT_TRUE(traced("TOTAL USB Quorvex = 3"));
  EXPECT_TRUE(traced("WD6:ZEPHLOR:T1:T1:'VLX,2 Zephlor,T1'"));
}

TEST_F(UsbClassificationTest, TransfersNeedASelectedDevice) {
  const std::vector<std::uint8_t> command{7, 0xFF};
  const std::uint64_t before = usb_.usb.transfers();
  EXPECT_FALSE(usb_write(command));
  std::array<std::uint8_t, 1280> reply{};
  std::int32_t length = 0;
  EXPECT_FALSE(usb_read(reply, length, 100));
  EXPECT_EQ(usb_.usb.transfers(), before);
  EXPECT_EQ(usb_last_status(), 0u);

  EXPECT_FALSE(select_usb_device(ShortText("QX404")));
  EXPECT_FALSE(usb_classification().selected);
  ASSERT_TRUE(select_usb_device(ShortText("A")));
  EXPECT_EQ(usb_classification().selected_serial, "A");
  EXPECT_TRUE(usb_write(std::vector<std::uint8_t>{4, 0x40, 0x58, 4}));
  EXPECT_TRUE(usb_read(reply, length, 1000));
  EXPECT_EQ(reply[0], 0xEE);

  deselect_usb_device();
  const std::uint64_t after_deselect = usb_.usb.transfers();
  EXPECT_FALSE(usb_write(command));
  EXPECT_EQ(usb_.usb.transfers(), after_deselect);
}

}  // namespace
}  // namespace vx

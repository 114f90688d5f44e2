#include "interface/drivers/ftdi_binding.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "sim/usb/usb_time.h"
#include "support/recording_list_view.h"
#include "support/simulated_usb.h"

namespace vx {
namespace {

class FtdiBindingTest : public testing::Test {
 protected:
  sim::SimFtdiDevice& add_interface(const std::string& serial, const std::string& description) {
    pods_.push_back(std::make_unique<sim::Pod>(sim::PodConfig{}, nullptr, &usb_.clock));
    return usb_.ftdi.add({serial, description, pods_.back().get()});
  }

  test::ScopedStatusOutput status_;
  test::SimulatedUsb usb_;
  std::vector<std::unique_ptr<sim::Pod>> pods_;
};

TEST_F(FtdiBindingTest, ListsTheMakersInterfacesWhateverTheCase) {
  add_interface("VX3000001", "VLX USB BDM");
  add_interface("vx3000002", "Vlx usb bdm");
  add_interface("AB1234567", "VLX USB BDM");  // not the maker's serial
  add_interface("VX3000004", "Other cable");  // not the maker's description
  add_interface("VX", "VLX");                 // too short for the prefix
  start_ftdi_binding();
  ASSERT_TRUE(ftdi_binding().loaded);
  EXPECT_EQ(ft_device_count(), 2);
  EXPECT_EQ(ftdi_binding().serial_numbers[0], "VX3000001");
  EXPECT_EQ(ftdi_binding().descriptions[1], "Vlx usb bdm");
}

TEST_F(FtdiBindingTest, KeepsNineteenInterfacesAndFortyNineCharactersOfADescription) {
  for (int i = 0; i < 20; ++i) add_interface("VX3" + std::to_string(100 + i), "VLX " + std::string(80, 'd'));
  start_ftdi_binding();
  EXPECT_EQ(ft_device_count(), 19);
  EXPECT_EQ(ftdi_binding().serial_numbers[18], "VX3118");
  // The listing writes 63 characters; the table keeps 49.
  EXPECT_EQ(ftdi_binding().descriptions[0].size(), 49u);
}

TEST_F(FtdiBindingTest, CountIsListedOnceUntilTheScanListsAgain) {
  add_interface("VX3000001", "VLX one");
  start_ftdi_binding();
  EXPECT_EQ(ft_device_count(), 1);
  add_interface("VX3000002", "VLX two");
  EXPECT_EQ(ft_device_count(), 1);
  ft_list_devices();
  EXPECT_EQ(ft_device_count(), 2);
}

TEST_F(FtdiBindingTest, WithoutTheLibraryNothingIsListedAndEveryCallAnswersSeven) {
  add_interface("VX3000001", "VLX one");
  platform::hide_builtin_library("VXUSBV1.dll");
  start_ftdi_binding();
  EXPECT_FALSE(ftdi_binding().loaded);
  EXPECT_EQ(ft_device_count(), 0);
  EXPECT_EQ(ftdi_binding().last_status, 7u);
  EXPECT_FALSE(ft_open_device(1));
  EXPECT_EQ(ft_rx_queue_count(), 0u);
  EXPECT_EQ(ftdi_binding().last_status, 7u);
  EXPECT_EQ(ft_write(4), 0u);
  EXPECT_EQ(ftdi_binding().last_status, 7u);
  EXPECT_EQ(ft_read(4), 0u);
  EXPECT_EQ(ftdi_binding().last_status, 7u);
}

TEST_F(FtdiBindingTest, OldSystemsLoadNoLibrary) {
  add_interface("VX3000001", "VLX one");
  for (const platform::OsVersion& version : {platform::OsVersion{platform::OsPlatform::win32s, 3, 10, 0, {}},
                                            platform::OsVersion{platform::OsPlatform::windows_9x, 4, 0, 0, {}},
                                            platform::OsVersion{platform::OsPlatform::windows_nt, 4, 0, 0, {}}}) {
    platform::set_os_version(version);
    reset_ftdi_binding();
    start_ftdi_binding();
    EXPECT_FALSE(ftdi_binding().loaded);
    EXPECT_EQ(ft_device_count(), 0);
  }
}

TEST_F(FtdiBindingTest, AMissingEntryIsReportedPerSlotAndDisablesTheLibrary) {
  struct Case {
    const char* entry;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"FT_Purge", {"FT_Purge not found in VLX USB-FTDI DLL."}},
      {"FT_ListDevices",
       {"FT_ListDevices not found in VLX USB-FTDI DLL.", "FT_ListDevices not found in VLX USB-FTDI DLL."}},
  };
  add_interface("VX3000001", "VLX one");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entry);
    status_output().lines.clear();
    platform::reset_dynlib();
    reset_ftdi_binding();
    platform::hide_builtin_entry("VXUSBV1.dll", c.entry);
    start_ftdi_binding();
    // Both the program's directory and the bare name were tried.
    std::vector<std::string> expected = c.lines;
    expected.insert(expected.end(), c.lines.begin(), c.lines.end());
    EXPECT_EQ(status_.lines(), expected);
    EXPECT_FALSE(ftdi_binding().loaded);
    EXPECT_NE(ftdi_binding().library, 0u);
    EXPECT_EQ(ft_device_count(), 0);
  }
}

TEST_F(FtdiBindingTest, OpeningAnotherInterfaceClosesTheFirst) {
  const sim::SimFtdiDevice& first = add_interface("VX3000001", "VLX one");
  const sim::SimFtdiDevice& second = add_interface("VX3000002", "VLX two");
  start_ftdi_binding();
  ASSERT_EQ(ft_device_count(), 2);
  for (const std::int32_t bad : {0, 3, -1}) EXPECT_FALSE(ft_open_device(bad)) << bad;
  ASSERT_TRUE(ft_open_device(1));
  EXPECT_EQ(first.open_ports, 1u);
  ASSERT_TRUE(ft_open_device(2));
  EXPECT_EQ(first.open_ports, 0u);
  EXPECT_EQ(second.open_ports, 1u);
  ft_close_device();
  EXPECT_EQ(second.open_ports, 0u);
  EXPECT_FALSE(ftdi_binding().open);
}

TEST_F(FtdiBindingTest, FramesGoOutWholeAndRepliesComeBackThroughTheQueue) {
  add_interface("VX3000001", "VLX one");
  start_ftdi_binding();
  ASSERT_EQ(ft_device_count(), 1);
  ASSERT_TRUE(ft_open_device(1));
  const std::uint8_t frame[] = {0xAA, 0x55, 0x00, 0x04, 0x04, 0x40, 0x58, 0x04};
  std::copy(std::begin(frame), std::end(frame), link_state().usb_frame.begin());
  const std::uint64_t before = usb_.clock.now_nanoseconds();
  EXPECT_EQ(ft_write(sizeof frame), sizeof frame);
  // The round trip, and one packet each way.
  EXPECT_EQ(usb_.clock.now_nanoseconds() - before, 1'000'000u + 2 * sim::usb_bus_ns(64));
  EXPECT_EQ(ft_rx_queue_count(), 5u);
  EXPECT_EQ(ft_read(5), 5u);
  EXPECT_EQ(std::string(link_state().usb_reply.begin(), link_state().usb_reply.begin() + 5), "\xEE" "5.12");
  EXPECT_EQ(ftdi_binding().last_status, 0u);

  // A reset purges what was not read.
  ft_write(sizeof frame);
  ft_reset_device();
  EXPECT_EQ(ft_rx_queue_count(), 0u);
  // Counts past the buffers are cut to them.
  EXPECT_EQ(ft_read(100'000), 0u);
}

}  // namespace
}  // namespace vx

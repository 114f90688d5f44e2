#include "interface/serial/ad_sel_com.h"
#include "interface/serial/win32_dispatcher.h"
#include "support/scoped_platform.h"
#include "tests/interface/serial_test_support.h"

namespace vx::serial {
namespace {

using PortChoiceTest = testing_support::SerialTest;

TEST_F(PortChoiceTest, APortIsAvailableWhenItOpensIsInUseOrNeedsAPermission) {
  EXPECT_EQ(ComDeviceName(12), "\\\\.\\COM12");
  platform::SimulatedSerialPort& free = bus_.port(2);
  platform::SimulatedSerialPort& held = bus_.port(5);
  platform::SimulatedSerialPort& broken = bus_.port(6);
  broken.set_open_error(platform::ERROR_GEN_FAILURE);
  EXPECT_FALSE(is_com_port_available(0));
  EXPECT_TRUE(is_com_port_available(2));
  EXPECT_FALSE(free.is_open()) << "the probe closes what it opened";
  TApdWin32Dispatcher holder(nullptr);
  ASSERT_EQ(holder.AttachDevice(ComDeviceName(5), 9600, 0, 8, 1, 64, 64, 0), 0);
  EXPECT_TRUE(is_com_port_available(5));
  EXPECT_EQ(held.open_count(), 1u);
  EXPECT_FALSE(is_com_port_available(6));
  EXPECT_FALSE(is_com_port_available(7));
  bus_.port(8).set_open_error(platform::ERROR_PRIVILEGE_NOT_HELD);
  EXPECT_TRUE(is_com_port_available(8)) << "listed, so that choosing it says how to get the permission";
  EXPECT_EQ(bus_.port(0).open_count(), 0u);
}

TEST_F(PortChoiceTest, TheFormListsTheAvailablePortsAndGivesTheChosenNumber) {
  bus_.port(3);
  bus_.port(11);
  bus_.port(51);
  TComSelectForm form;
  EXPECT_EQ(form.caption(), "Select Port");
  EXPECT_EQ(form.PortsComboBox().items(), (std::vector<std::string>{"COM3", "COM11"}));
  EXPECT_EQ(form.SelectedComNumber(), 3u);
  form.PortsComboBox().set_item_index(1);
  EXPECT_EQ(form.SelectedComNumber(), 11u);
  test::RecordingResponder responder(platform::result_ok);
  EXPECT_EQ(form.show_modal(), platform::result_ok);
}

TEST_F(PortChoiceTest, AnEmptyListChoosesNothing) {
  TComSelectForm form;
  EXPECT_EQ(form.PortsComboBox().item_count(), 0);
  EXPECT_EQ(form.SelectedComNumber(), 0u);
  test::RecordingResponder responder(platform::result_cancel);
  EXPECT_EQ(form.show_modal(), platform::result_cancel);
}

}  // namespace
}  // namespace vx::serial

#include <gtest/gtest.h>

#include <string>

#include "controls/simple_field.h"
#include "interface/connection_settings.h"
#include "interface/engine_settings.h"
#include "platform/ws/input.h"
#include "platform/ws/messages.h"
#include "program_windows_fixture.h"
#include "programmer/connection_manager.h"
#include "programmer/ethernet_address_window.h"
#include "programmer/trim_center_frequency_window.h"
#include "programmer/trim_reference_field.h"
#include "support/scoped_platform.h"
#include "support/screenshot.h"

namespace vx::programmer {
namespace {

void keys(std::uint16_t key) {
  ws::input::press_key(key);
  ws::process_messages();
}

void typed(std::string_view text) {
  ws::input::type(text);
  ws::process_messages();
}

// The three windows made as start-up makes them, after the settings' defaults.
class EntryFieldWindowsTest : public ProgrammerWindowsTest {
 protected:
  EntryFieldWindowsTest() {
    reset_connection_settings();
    reset_engine_settings();
    ProgramWindows& windows = program_windows();
    windows.TrimCenterFrequencyForm = std::make_unique<TTrimCenterFrequencyForm>();
    windows.IPForm1 = std::make_unique<TIPForm1>();
    windows.connectiondialog2 = std::make_unique<Tconnectiondialog2>();
  }

  TTrimCenterFrequencyForm& trim_window() { return *program_windows().TrimCenterFrequencyForm; }
  TIPForm1& address_window() { return *program_windows().IPForm1; }
  Tconnectiondialog2& manager() { return *program_windows().connectiondialog2; }

  // Types into the trim field and leaves it for the next control of its window.
  std::string enter_trim(controls::TOvcPictureField& field, std::string_view value) {
    field.set_focus();
    field.SetSelection(0, 10);
    typed(value);
    keys(ws::vk::tab);
    ws::process_messages();
    return field.GetDisplayText();
  }
};

TEST_F(EntryFieldWindowsTest, TheWindowsAreMadeHiddenWithTheirFields) {
  EXPECT_FALSE(trim_window().visible());
  EXPECT_FALSE(address_window().visible());
  EXPECT_FALSE(manager().visible());

  controls::TOvcPictureField& trim = trim_window().TrimReference();
  EXPECT_EQ(trim.DataType(), controls::TPictureDataType::pftExtended);
  EXPECT_EQ(trim.PictureMask(), "#######.##");
  EXPECT_EQ(trim.MaxLength(), 10);
  EXPECT_EQ(trim.Options(), controls::efoCaretToEnd);
  EXPECT_EQ(trim.GetDisplayText(), "  31250.00") << "the custom trim reference at start";
  EXPECT_EQ(&trim.GetController(), &trim_window().OvcController1());

  for (std::size_t i = 0; i < TIPForm1::field_count; ++i) {
    controls::TOvcPictureField& field = address_window().AddressField(i);
    EXPECT_EQ(field.DataType(), controls::TPictureDataType::pftString);
    EXPECT_EQ(field.PictureMask(), "###############");
    EXPECT_EQ(field.ZeroDisplay(), controls::TZeroDisplay::zdHide);
    EXPECT_EQ(field.GetDisplayText(), std::string(15, ' '));
  }

  const struct {
    controls::TOvcNumericField& field;
    const char* mask;
    const char* high;
  } numbers[] = {
      {manager().IODelayCount(), "iiiiii", "4096"},         {manager().IODelayCount2(), "iiiii", "4096"},
      {manager().PowerDownDelay(), "iiiiii", "999999"},     {manager().PowerUpDelay(), "iiiiii", "999999"},
      {manager().BusFrequency(), "iiiiiiiiii", "2147483647"}, {manager().ResetDelay(), "iiiiiiiiii", "65535"},
  };
  for (const auto& number : numbers) {
    EXPECT_EQ(number.field.DataType(), controls::TNumericDataType::nftLongInt);
    EXPECT_EQ(number.field.PictureMask(), number.mask);
    EXPECT_EQ(number.field.Options(), 0);
    EXPECT_EQ(number.field.RangeLo(), "0");
    EXPECT_EQ(number.field.RangeHi(), number.high);
    EXPECT_EQ(number.field.GetDisplayText(), "0");
  }
  EXPECT_EQ(manager().TrimReference().GetDisplayText(), "  31250.00");
}

TEST_F(EntryFieldWindowsTest, ShowingAWindowShowsTheSettings) {
  connection_settings().io_delay_cnt = 12;
  connection_settings().power_down_delay_ms = 500;
  connection_settings().reset_delay_ms = 300;
  engine_settings().trim.custom_reference = 32768.5L;
  manager().show();
  EXPECT_EQ(manager().IODelayCount().GetDisplayText(), "12");
  EXPECT_EQ(manager().IODelayCount2().GetDisplayText(), "12");
  EXPECT_EQ(manager().PowerDownDelay().GetDisplayText(), "500");
  EXPECT_EQ(manager().PowerUpDelay().GetDisplayText(), "250");
  EXPECT_EQ(manager().ResetDelay().GetDisplayText(), "300");
  EXPECT_EQ(manager().TrimReference().GetDisplayText(), "  32768.50");
  trim_window().show();
  EXPECT_EQ(trim_window().TrimReference().GetDisplayText(), "  32768.50");
}

TEST_F(EntryFieldWindowsTest, ATrimReferenceOutsideTheRangeRevertsToTheDefault) {
  test::RecordingResponder responder(platform::result_ok);
  trim_window().show();
  controls::TOvcSimpleField next(&trim_window());
  next.Loaded();
  manager().show();
  const struct {
    controls::TOvcPictureField& field;
    const char* typed;
    const char* shown;
    std::size_t messages;
  } cases[] = {
      {trim_window().TrimReference(), "50000", "  31250.00", 1}, {trim_window().TrimReference(), "35000", "  35000.00", 1},
      {manager().TrimReference(), "20000", "  31250.00", 2},     {manager().TrimReference(), "39062.5", "  39062.50", 2},
  };
  for (const auto& test : cases) {
    EXPECT_EQ(enter_trim(test.field, test.typed), test.shown) << test.typed;
    ASSERT_EQ(responder.shown.size(), test.messages) << test.typed;
    EXPECT_EQ(responder.shown.back().text, trim_reference_reverted);
  }
}

TEST_F(EntryFieldWindowsTest, TheBusFrequencyNeverWraps) {
  test::RecordingResponder responder(platform::result_ok);
  manager().show();
  controls::TOvcNumericField& bus = manager().BusFrequency();
  bus.set_focus();
  typed("9999999999");
  keys(ws::vk::tab);
  ws::process_messages();
  EXPECT_TRUE(bus.focused());
  EXPECT_EQ(bus.GetDisplayText(), "9999999999");
  ASSERT_FALSE(responder.shown.empty());
  EXPECT_EQ(responder.shown.back().text, "Value is not valid for this field type");
}

class EntryFieldWindowsOnDisplayTest : private test::OffscreenDisplay, public EntryFieldWindowsTest {};

TEST_F(EntryFieldWindowsOnDisplayTest, Screenshots) {
  ASSERT_FALSE(ws::headless());
  connection_settings().io_delay_cnt = 12;
  manager().show();
  manager().PowerUpDelay().set_focus();
  typed("1500");
  ws::process_messages();
  EXPECT_FALSE(test::save_screenshot(manager(), "programmer_connection_manager").empty());

  trim_window().show();
  trim_window().TrimReference().set_focus();
  ws::process_messages();
  EXPECT_FALSE(test::save_screenshot(trim_window(), "programmer_trim_center_frequency").empty());

  address_window().show();
  address_window().AddressField(0).set_focus();
  typed("192.168.0.20");
  ws::process_messages();
  EXPECT_FALSE(test::save_screenshot(address_window(), "programmer_ethernet_address").empty());
}

}  // namespace
}  // namespace vx::programmer

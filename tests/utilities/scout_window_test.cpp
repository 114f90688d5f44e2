#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "foundation/run_state.h"
#include "fwupdate/osbdm_binding.h"
#include "fwupdate/updater_usb_ports.h"
#include "fwupdate/usb_classification.h"
#include "interface/drivers/wdusb_devices.h"
#include "interface/drivers/wdusb_library.h"
#include "platform/dynlib.h"
#include "platform/ws/scroll_bars.h"
#include "platform/ws/shell.h"
#include "platform/ws/timer.h"
#include "sim/hcs08/device_config.h"
#include "sim/hcs08/state_file.h"
#include "sim/simulated_world.h"
#include "support/display_input.h"
#include "support/screenshot.h"
#include "support/temp_dir.h"
#include "tests/platform/ws_test_support.h"
#include "tests/utilities/scout_bench.h"
#include "utilities/fwscout_form.h"
#include "utilities/scout_main_block.h"
#include "utilities/scout_units.h"

namespace vx::utilities::fwscout_form {
namespace {

using Lines = std::vector<std::string>;

// fwscout's window over a simulated bench, with its units started as the program starts them.
class ScoutWindow : public ws::testing_support::WindowSystemTest {
 protected:
  void TearDown() override {
    close();
    WindowSystemTest::TearDown();
  }

  void close() {
    window_.reset();
    reset_units(scout_units());
    world_.reset();
    platform::reset_dynlib();
  }


  // The window over the bench, not shown yet.
  TForm1& open(const std::string& bench) {
    const sim::ScenarioResult loaded = sim::parse_scenario(bench, dir_.path());
    EXPECT_TRUE(loaded.scenario) << loaded.error;
    world_ = std::make_unique<sim::SimulatedWorld>(*loaded.scenario);
    reset_units(scout_units());
    run_state().program_directory = ShortText(dir_.path().string());
    window_ = std::make_unique<TForm1>();
    return *window_;
  }

  Lines listed(const std::string& bench) {
    open(bench).show();
    return window_->ListBox1().items();
  }

  test::TempDir dir_;
  std::unique_ptr<sim::SimulatedWorld> world_;
  std::unique_ptr<TForm1> window_;
};

TEST_F(ScoutWindow, ShowingListsTheUniversalAndEachBoardFromItsOwnVersionBytes) {
  const Lines expected(std::begin(test::universal_and_three_boards_lines), std::end(test::universal_and_three_boards_lines));
  EXPECT_EQ(listed(test::universal_and_three_boards), expected);
  EXPECT_TRUE(window_->refreshbutton().enabled());
  EXPECT_EQ(window_->caption(), "Quorvex Universal / Osbdm / Osjtag - Firmware Information Utility v1.00");
  EXPECT_EQ(window_->ListBox1().font().name, "Courier New");
  EXPECT_EQ(window_->ListBox1().height(), 284);
  EXPECT_EQ(window_->Panel2().height(), 107);
}

TEST_F(ScoutWindow, ListsEveryKindOfEntryAsItsTextAllows) {
  struct Case {
    const char* what;
    const char* bench;
    Lines lines;
  };
  const Case cases[] = {
      {"no device at all", "", {"", "No Devices Found"}},
      {"lower-case arm is still Kinetis",
       "[interface u]\nfamily = windriver\ninformation = VLX,A: b - c - arm (FS) Rev B,S1\n",
       {"", "Device 0 : Quorvex Universal Rev B", "     Current Config :    Kinetis", "     Hardware Revision : B",
        "     Serial Number :     S1", ""}},
      {"another configuration stays as cut, blank and all; no revision without REV",
       "[interface u]\nfamily = windriver\ninformation = VLX,A: b - c - DSC (FS),S2\n",
       {"", "Device 0 : Quorvex Universal", "     Current Config :     DSC", "     Serial Number :     S2", ""}},
      {"the other configuration names",
       "[interface a]\nfamily = windriver\ninformation = VLX,A: b - c - PPCNEXUS (FS) rev 2,S3\n"
       "[interface b]\nfamily = windriver\ninformation = VLX,A: b - c - cf (FS),S4\n"
       "[interface c]\nfamily = windriver\ninformation = VLX,A: b - c - 12 (FS) Rev D,S5\n",
       {"", "Device 0 : Quorvex Universal rev 2", "     Current Config :    Qorivva", "     Hardware Revision : 2",
        "     Serial Number :     S3", "", "Device 1 : Quorvex Universal", "     Current Config :    ColdFire V234",
        "     Serial Number :     S4", "", "Device 2 : Quorvex Universal Rev D",
        "     Current Config :    RS08, S08, S12(X), ColdFire+ V1", "     Hardware Revision : D",
        "     Serial Number :     S5", ""}},
      {"REV at the very end names no revision",
       "[interface u]\nfamily = windriver\ninformation = VLX,A: b - c - CF (FS) Rev ,S6\n",
       {"", "Device 0 : Quorvex Universal Rev ", "     Current Config :    ColdFire V234", "     Serial Number :     S6",
        ""}},
      {"a model text without colon or dashes",
       "[interface u]\nfamily = windriver\ninformation = VLX,X(FS),S7\n",
       {"", "Device 0 : Quorvex Universal", "     Current Config :    ", "     Serial Number :     S7", ""}},
      {"a target code beyond this program's names: the Device line only",
       "[osbdm 1]\nversion = 1,1,4,9,0,3,0,6\n", {"", "Device 0 : Embedded OSBDM/OSJTAG Device", ""}},
      {"a board whose version cannot be read: the Device line only", "[osbdm 1]\nversion = 1,1,4,2,1,3,0,6\nrefuse_version = yes\n",
       {"", "Device 0 : Embedded OSBDM/OSJTAG Device", ""}},
      {"an interface naming OSJTAG takes no board's bytes",
       "[interface u]\nfamily = windriver\ninformation = VLX,OSJTAG: b - c - ARM (FS),S8\n[osbdm 1]\nversion = 1,1,31,2,1,5,3,0\n",
       {"", "Device 0 : Quorvex Universal", "     Current Config :    Kinetis", "     Serial Number :     S8",
        "Device 1 : OSJTAG: b - c - ARM (FS)", "", "Device 2 : Embedded S08 OSBDM/OSJTAG Device (Firmware Version 31.5)",
        "     Firmware Build :     31", "     Firmware Revision :  5", "     Firmware Target :    S08",
        "     Firmware Type :      Embedded", "     Hardware Board ID :  3", ""}},
      {"an interface that is no Universal gives its empty line only",
       "[interface q]\nfamily = windriver\ninformation = VLX,USB-QX-12 REF : USB Quorvex,Q1\n", {"", "", "No Devices Found"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(listed(std::string(c.bench)), c.lines);
    close();
  }
}

TEST_F(ScoutWindow, ABoardReportsTheVersionBytesItsImageKeeps) {
  std::array<std::uint8_t, 0x10000> image{};
  image.fill(0xFF);
  const std::array<std::uint8_t, 8> kept{3, 1, 44, 4, 1, 9, 12, 0};
  std::copy(kept.begin(), kept.end(), image.begin() + sim::SimOsbdmBoards::version_address);
  ASSERT_EQ(sim::save_flash_state(dir_.file("board.state"), sim::default_device(), image), sim::StateFileResult::Ok);
  const Lines lines = listed("[osbdm 1]\nversion = 1,1,31,2,1,5,3,0\nstate_file = board.state\n");
  const Lines expected{"",
                       "Device 0 : Embedded S12 OSBDM/OSJTAG Device (Firmware Version 44.9)",
                       "     Firmware Build :     44",
                       "     Firmware Revision :  9",
                       "     Firmware Target :    S12",
                       "     Firmware Type :      Embedded",
                       "     Hardware Board ID :  12",
                       ""};
  EXPECT_EQ(lines, expected);
}

TEST_F(ScoutWindow, RefreshListsTheBenchAsItIsNow) {
  const Lines before = listed("[osbdm 1]\nversion = 1,1,31,2,1,5,3,0\n");
  ASSERT_EQ(before.size(), 8u);
  world_->osbdm_boards().board(0).config.bootloader = true;
  window_->refreshbutton().click();
  EXPECT_EQ(window_->ListBox1().items(), (Lines{"", "Device 0 : Embedded OSBDM/OSJTAG Device - Bootloader Mode", ""}));
  EXPECT_TRUE(window_->refreshbutton().enabled());
}

TEST_F(ScoutWindow, LinkLabelsOpenTheMakersPages) {
  TForm1& window = open("");
  for (ws::Label* link : {&window.Label6(), &window.Label3(), &window.Label14(), &window.Label8(), &window.Label10()}) {
    EXPECT_EQ(link->caption(), "Click this link for more information on this hardware");
    EXPECT_TRUE(link->font().underline);
    EXPECT_EQ(link->font().color, ws::color::blue);
    EXPECT_EQ(link->color(), ws::color::white);
    link->click();
  }
  EXPECT_EQ(ws::opened_urls(), (std::vector<std::string>{universal_page, programmers_page, osbdm_page}))
      << "Label8 and Label10 have no action";
}

class ScoutWindowOnDisplay : private test::OffscreenDisplay, public ScoutWindow {
 protected:
  void SetUp() override {
    ScoutWindow::SetUp();
    ws::set_headless(false);
    ASSERT_NE(ws::display(), nullptr);
  }
};

TEST_F(ScoutWindowOnDisplay, Screenshot) {
  open(test::universal_and_three_boards).show();
  ASSERT_EQ(window_->ListBox1().item_count(), 22);
  EXPECT_FALSE(test::save_screenshot(*window_, "fwscout-list").empty());
  // Scrolled to the bootloader board, as the Down key takes the user there.
  window_->ListBox1().set_item_index(21);
  EXPECT_FALSE(test::save_screenshot(*window_, "fwscout-list-end").empty());
}

// The list as any list: the wheel over it scrolls it, PgDn, PgUp, End and Home move the selection
// and bring it into view, and its bar answers the mouse.
TEST_F(ScoutWindowOnDisplay, TheListTakesTheWheelThePageKeysAndItsBar) {
  open(test::universal_and_three_boards).show();
  ws::process_messages();
  ws::ListBox& list = window_->ListBox1();
  ASSERT_TRUE(list.scroll_bar_visible(ws::ScrollBarKind::vertical));
  ASSERT_TRUE(test::wheel_on_display(list, {40, 40}, -120));
  ws::process_messages();
  EXPECT_EQ(list.top_index(), 3);
  EXPECT_EQ(list.item_index(), -1) << "the wheel scrolls, it does not choose";
  list.set_focus();
  const int page = list.rows_per_page() - 1;
  struct Case {
    const char* key;
    int index;
  };
  for (const Case& c : {Case{"PgDown", page}, Case{"End", 21}, Case{"PgUp", 21 - page}, Case{"Home", 0}}) {
    ASSERT_TRUE(test::press_key_on_display(*window_, c.key));
    ws::process_messages();
    EXPECT_EQ(list.item_index(), c.index) << c.key;
    EXPECT_LE(list.top_index(), c.index) << c.key;
    EXPECT_GT(list.top_index() + list.rows_per_page(), c.index) << c.key;
  }
  const ws::ScrollBarLayout bar = ws::scroll_bar_layout(list.client_rect(), ws::ScrollBarKind::vertical,
                                                        list.scroll_info(ws::ScrollBarKind::vertical));
  ASSERT_TRUE(test::click_on_display(list, {bar.last_arrow.left + 8, bar.last_arrow.top + 8}));
  ws::process_messages();
  EXPECT_EQ(list.top_index(), 1);
  EXPECT_EQ(list.item_index(), 0) << "a click on the bar chooses no row";
}

// Enlarged, the panel and the list along the top take the window's new width.
TEST_F(ScoutWindowOnDisplay, ThePanelAndTheListFollowTheWindowsWidth) {
  TForm1& window = open(test::universal_and_three_boards);
  window.show();
  window.set_bounds(window.left(), window.top(), window.width() + 300, window.height() + 100);
  ws::process_messages();
  EXPECT_EQ(window.Panel2().width(), window.client_rect().width());
  EXPECT_EQ(window.ListBox1().width(), window.client_rect().width());
  EXPECT_EQ(window.ListBox1().top(), window.Panel2().height());
  EXPECT_FALSE(test::save_screenshot(window, "fwscout-enlarged").empty());
}

TEST_F(ScoutWindowOnDisplay, TheMainBlockListsOnShowingAndRefreshesUntilTheUserCloses) {
  const sim::ScenarioResult loaded = sim::parse_scenario(test::universal_and_three_boards, dir_.path());
  ASSERT_TRUE(loaded.scenario) << loaded.error;
  world_ = std::make_unique<sim::SimulatedWorld>(*loaded.scenario);
  std::vector<Lines> seen;
  std::unique_ptr<ws::Timer> user;
  const int code = scout_main_block([&](TForm1& window) {
    user = std::make_unique<ws::Timer>(20);
    user->on_timer = [&](ws::Timer&) {
      seen.push_back(window.ListBox1().items());
      if (seen.size() == 1) {
        world_->osbdm_boards().board(0).config.bootloader = true;
        window.refreshbutton().click();
      } else {
        window.close();
      }
    };
  });
  user.reset();
  EXPECT_EQ(code, 0);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].size(), 22u);
  EXPECT_EQ(seen[0][6], "Device 1 : Embedded S08 OSBDM/OSJTAG Device (Firmware Version 31.5)");
  EXPECT_EQ(seen[1][6], "Device 1 : Embedded Kinetis OSBDM/OSJTAG Device (Firmware Version 32.2)")
      << "the first board is in its bootloader now, listed last";
  EXPECT_EQ(seen[1].size(), 15u);
}

}  // namespace
}  // namespace vx::utilities::fwscout_form

#include <gtest/gtest.h>

#include <stdexcept>

#include "foundation/ini_document.h"
#include "foundation/status_output.h"
#include "fwupdate/update_decision.h"
#include "interface/firmware_update_link.h"
#include "interface/power_dialog_form.h"
#include "platform/ws/registered_messages.h"
#include "platform/ws/timer.h"
#include "programmer/connection_manager.h"
#include "programmer/firmware_update_start.h"
#include "programmer/main_window.h"
#include "programmer/program_windows.h"
#include "programmer/single_instance.h"
#include "programmer/status_window.h"
#include "programmer/window_colors.h"
#include "program_windows_fixture.h"
#include "support/display_input.h"
#include "support/display_popup.h"
#include "support/screenshot.h"

namespace vx::programmer {
namespace {

// A list box whose next item-count change fails, as a window gone astray would.
class FailingOnceView final : public StatusListView {
 public:
  void begin_update() override {}
  void end_update() override {}
  void repaint_now() override {}
  std::int32_t item_count() const override { return count_; }
  void set_num_items(std::int32_t count) override {
    if (fail_next) {
      fail_next = false;
      throw std::runtime_error("list box gone");
    }
    count_ = count;
  }
  std::int32_t top_index() const override { return 0; }
  void set_top_index(std::int32_t) override {}
  void redraw_item(std::int32_t) override {}
  std::int32_t item_index() const override { return -1; }
  void set_item_index(std::int32_t) override {}
  std::int32_t row_height() const override { return 1; }
  std::int32_t client_height() const override { return 1; }
  void line_finished(const std::string&) override {}
  bool fail_next = true;

 private:
  std::int32_t count_ = 0;
};

// The same windows on a display: real fonts and pixels.
class ProgrammerWindowsOnDisplayTest : private test::OffscreenDisplay, public ProgrammerWindowsTest {};

TEST_F(ProgrammerWindowsOnDisplayTest, Screenshots) {
  ASSERT_FALSE(ws::headless());
  ProgramWindows& program = program_windows();
  // Three parallel ports found, the second one chosen and its list open.
  startup_settings().interface_selection = 0;
  program.connectiondialog2 = std::make_unique<Tconnectiondialog2>();
  for (const auto& [port, address] : {std::pair{1, 0x378u}, {2, 0x278u}, {3, 0x3BCu}}) {
    port_table().values[port] = address;
  }
  FILL_PORT_LIST();
  Tconnectiondialog2& manager = *program.connectiondialog2;
  manager.InterfaceType().set_item_index(0);
  manager.BDMSpeed().set_item_index(4);
  manager.PCPort().set_item_index(1);
  manager.PCPort().set_dropped_down(true);
  ASSERT_EQ(manager.PCPort().item_count(), 3);
  // The power prompt as the target connection leaves it once the user clicked OK.
  program.bdcpowerdialogform = std::make_unique<Tbdcpowerdialogform>();
  Tbdcpowerdialogform& prompt = *program.bdcpowerdialogform;
  target_connection().power_dialog = &prompt;
  ws::Timer user(10);
  user.on_timer = [&prompt](ws::Timer& timer) {
    timer.set_enabled(false);
    test::click_on_display(prompt.OkButton(), {5, 5});
  };
  show_power_dialog(PowerPrompt::power_cycle);

  const std::pair<ws::Form*, const char*> windows[] = {
      {&status_window(), "programmer_status_window"},
      {&main(), "programmer_main_window"},
      {&manager, "programmer_connection_manager"},
      {program.bdcpowerdialogform.get(), "programmer_power_prompt"},
  };
  for (const auto& [window, name] : windows) {
    window->show();
    EXPECT_FALSE(test::save_screenshot(*window, name).empty()) << name;
  }
}

// A right click anywhere on the status window shows its menu on the desktop; its Help item asks for help.
TEST_F(ProgrammerWindowsOnDisplayTest, ARightClickOnTheStatusListShowsItsMenu) {
  ASSERT_FALSE(ws::headless());
  main().show();
  status_window().show();
  ws::process_messages();
  test::PopupAnswer answer{.choose = "&Help...", .screenshot = "programmer-status-popup", .seen = {}};
  test::answer_next_popup_menu(answer);
  ASSERT_TRUE(test::click_on_display(status_window().Listbox1(), {40, 20}, true));
  ws::process_messages();
  EXPECT_EQ(answer.seen, std::vector<std::string>{"&Help..."});
  ASSERT_FALSE(ws::help_requests().empty());
  EXPECT_EQ(ws::help_requests().back(), "Status_Window");
}

TEST_F(ProgrammerWindowsTest, CreationPreparesTheDesktopAndTheWindows) {
  EXPECT_EQ(main().caption(), "9S08JM60 Programmer");
  EXPECT_EQ(ws::application_title(), "CQUILLHCS08 Programmer");
  EXPECT_EQ(main().left(), 10);
  EXPECT_EQ(main().width(), 700);
  EXPECT_EQ(main().CquillCancelBtn().kind(), ws::ButtonKind::abort);
  EXPECT_FALSE(main().Timer1().enabled());
  EXPECT_TRUE(main().Timer2().enabled());
  EXPECT_EQ(status_window().caption(), " Status Window");
  EXPECT_EQ(status_window().parent(), &main().ClientArea());
  EXPECT_EQ(status_window().Panel2().caption(), "Running programming script ...");
  EXPECT_EQ(status_window().Panel2().font().color, ws::color::navy) << "set after the stored colours";
  EXPECT_EQ(status_window().Panel2().bounds().right, status_window().client_rect().right - 3);
  EXPECT_EQ(run_state().default_directory, "/tmp/sources");
  EXPECT_EQ(configuration_commands().table.rows.size(), 7u);
  ASSERT_EQ(program_windows().ChangeColor1->parts().size(), 6u);
  EXPECT_EQ(program_windows().ChangeColor1->parts()[5].second.applied_foreground, 255u);
}

TEST_F(ProgrammerWindowsTest, EscapeAbortsOnlyARunningCommand) {
  char key = 27;
  main().FormKeyPress(key);
  EXPECT_EQ(run_state().last_key, 27);
  EXPECT_FALSE(run_state().abort_flag);

  run_state().command_running = true;
  key = 27;
  status_window().Edit1KeyPress(key);
  EXPECT_TRUE(run_state().abort_flag);
  EXPECT_EQ(key, 0);

  run_state().abort_flag = false;
  key = 'a';
  status_window().Edit1KeyPress(key);
  EXPECT_EQ(run_state().last_key, 'a');
  EXPECT_FALSE(run_state().abort_flag);
}

TEST_F(ProgrammerWindowsTest, TheStatusPanelShowsReadyForNothing) {
  for (const char* text : {"", " ready ", "READY"}) {
    status_window().set_status_text(text);
    EXPECT_EQ(status_window().Panel2().caption(), "Ready") << text;
  }
  status_window().set_status_text("Busy");
  EXPECT_EQ(status_window().Panel2().caption(), "Busy");
}

TEST_F(ProgrammerWindowsTest, HelpWithoutAHelpViewerSaysSo) {
  status_window().PopupMenu1().find("&Help...")->click();
  EXPECT_EQ(lines().back(), "Error opening Help File");
  EXPECT_EQ(ws::help_requests().back(), "Status_Window");
}

TEST_F(ProgrammerWindowsTest, TheCancelButtonAbortsThenQuits) {
  main().CquillCancelBtn().click();
  EXPECT_TRUE(run_state().abort_flag);
  EXPECT_EQ(run_state().last_key, 27);
  EXPECT_EQ(run_state().last_script_result, 1);
  EXPECT_EQ(main().CquillCancelBtn().caption(), "Quit");
  EXPECT_EQ(main().active_control(), &main().CquillCancelBtn());

  EXPECT_THROW(main().CquillCancelBtn().click(), CommandException);
  EXPECT_EQ(run_state().exit_code, 1);
  EXPECT_TRUE(ws::terminated());
}

TEST_F(ProgrammerWindowsTest, ClosingDuringAScriptCountsAsACancel) {
  programmer_run().script_running = true;
  ws::CloseAction action = ws::CloseAction::hide;
  EXPECT_THROW(main().FormClose(action), CommandException);
  EXPECT_EQ(run_state().exit_code, 1);
  EXPECT_TRUE(run_state().abort_flag);

  action = ws::CloseAction::hide;
  main().FormClose(action);
  EXPECT_EQ(action, ws::CloseAction::none) << "a second close is refused";
}

TEST_F(ProgrammerWindowsTest, ClosingDuringAnUpdateTakesEffectWhenTheUpdateHasEnded) {
  start_firmware_update();
  programmer_run().script_running = true;
  firmware_update_link().busy = true;
  ws::CloseAction action = ws::CloseAction::hide;
  main().FormClose(action);
  EXPECT_EQ(action, ws::CloseAction::none);
  EXPECT_FALSE(run_state().abort_flag) << "the update goes on";
  firmware_update_link().busy = false;
  // An update check ends (here with no file to update to): the close is asked again.
  ask_update_firmware("4.07");
  EXPECT_FALSE(ws::terminated());
  ws::process_messages();
  EXPECT_EQ(run_state().exit_code, 1);
  EXPECT_TRUE(run_state().abort_flag);
  EXPECT_TRUE(ws::terminated());
  reset_firmware_update_link();
  fwupdate::reset_update_decision(fwupdate::EngineBuild::updater);
}

TEST_F(ProgrammerWindowsTest, ClosingAfterTheScriptExitsWithItsResult) {
  run_state().last_script_result = 18;
  ws::CloseAction action = ws::CloseAction::hide;
  EXPECT_THROW(main().FormClose(action), CommandException);
  EXPECT_EQ(run_state().exit_code, 18);
}

TEST_F(ProgrammerWindowsTest, TheTimerRunsTheScriptOnce) {
  ASSERT_TRUE(programmer_run().command_file.open(ShortText(write("run.cfg", "remark\n"))));
  enable_command_timer();
  main().Timer1Timer();
  EXPECT_FALSE(main().Timer1().enabled());
  EXPECT_EQ(lines().back(), " All programming steps completed.");
  EXPECT_EQ(run_state().exit_code, 0);
  EXPECT_TRUE(ws::terminated());
  EXPECT_FALSE(programmer_run().script_running);
}

TEST_F(ProgrammerWindowsTest, AnUnexpectedErrorEndsTheScriptWith62) {
  ASSERT_TRUE(programmer_run().command_file.open(ShortText(write("run.cfg", "remark\n"))));
  FailingOnceView failing;
  status_output().view = &failing;
  main().Timer1Timer();
  EXPECT_EQ(run_state().last_script_result, 62);
  EXPECT_EQ(run_state().exit_code, 62);
  status_output().view = &status.view;
}

TEST_F(ProgrammerWindowsTest, TheInstanceMessageBringsTheWindowToTheFront) {
  register_programmer_messages();
  ws::Message message{main().handle(), single_instance().messages.instance, 0, 0};
  main().set_window_state(ws::WindowState::minimized);
  ws::post_message(message.window, message.id);
  ws::process_messages();
  EXPECT_EQ(main().window_state(), ws::WindowState::normal);
  EXPECT_EQ(ws::find_registered_message("VELMORIX - CLOSE DOWN APPLICATIONS!"),
            single_instance().messages.close_down_applications);
}

TEST_F(ProgrammerWindowsTest, DestroyingTheStatusWindowSavesTheSettings) {
  const std::string log = dir.file("run.log");
  ASSERT_TRUE(status_output().log_file.create(log));
  run_state().gui_status->set_log_recording(true);
  programmer_run().object_file_name = "app.s19";
  programmer_run().object_file_specified = true;
  programmer_run().algorithm_file_name = "9S08JM60.S8P";
  startup_settings().saved_port = 23;
  program_windows().status1.reset();

  EXPECT_EQ(desktop("SETTINGS", "DEFAULT_SOURCE_PATH"), "/tmp/sources");
  EXPECT_EQ(desktop("SAVESETTINGS", "S19FILENAME"), "app.s19");
  EXPECT_EQ(desktop("SAVESETTINGS", "PRGFILENAME"), "") << "no CM completed";
  EXPECT_EQ(desktop("SAVESETTINGS", "PRGFILEPATH"), dir.path().string());
  EXPECT_EQ(desktop("STARTUP", "PORT"), "23");
  EXPECT_FALSE(status_output().log_file.is_open());
  EXPECT_EQ(run_state().gui_status, nullptr);
  EXPECT_TRUE(configuration_commands().table.rows.empty());
  WRITELN_TO_DEBUG("after the end");
  EXPECT_TRUE(status_output().lines.empty());
}

}  // namespace
}  // namespace vx::programmer

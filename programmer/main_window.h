#pragma once

#include <memory>

#include "platform/ws/buttons.h"
#include "platform/ws/controls.h"
#include "platform/ws/form.h"
#include "platform/ws/timer.h"

namespace vx::programmer {

// The main window: the frame of the status window, the cancel button that
// becomes "Quit" when a script ended, and the one-shot timer that starts
// the command loop.
class TMainWin1 final : public ws::Form {
 public:
  static constexpr std::uint32_t command_timer_ms = 100;
  static constexpr std::uint32_t twiddle_timer_ms = 200;

  TMainWin1();

  // Prepares the desktop file and places the window; may end the program (97 to 99).
  void FormCreate();
  void FormKeyPress(char& key);
  void FormClose(ws::CloseAction& action);
  void CquillCancelBtnClick();
  void Timer1Timer();
  void Timer2Timer();

  // The button becomes "Quit": the next click ends the program.
  void turn_cancel_into_quit();
  void activate_cancel_button();

  ws::Panel& Panel2() { return *panel2_; }
  ws::Button& CquillCancelBtn() { return *cancel_; }
  // Where the child windows (the status window) live: what the panel leaves of the client area.
  ws::Window& ClientArea() { return *client_area_; }
  ws::Timer& Timer1() { return timer1_; }
  ws::Timer& Timer2() { return timer2_; }

 private:
  std::unique_ptr<ws::Panel> panel2_;
  std::unique_ptr<ws::Button> cancel_;
  std::unique_ptr<ws::Window> client_area_;
  ws::Timer timer1_;
  ws::Timer timer2_;
  bool closing_ = false;
};

// Starts the command loop once, when the message loop runs.
void enable_command_timer();

}  // namespace vx::programmer

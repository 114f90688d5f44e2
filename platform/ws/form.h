#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/dialogs.h"
#include "platform/ws/window.h"

namespace vx::ws {

class MainMenu;

enum class WindowState { normal, minimized, maximized };
enum class CloseAction { none, hide, minimize };

// A form: a window with a caption, the control that has or last had its
// focus, modal showing and closing. Closing the main form ends the
// application.
class Form : public Window {
 public:
  explicit Form(Window* parent = nullptr);
  ~Form() override;

  const std::string& caption() const { return text(); }
  void set_caption(std::string_view caption) { set_text(caption); }

  // The control that gets the focus when the form does.
  Window* active_control() const;
  void set_active_control(Window* control);
  // Focuses the active control, else the first in tab order, else the form.
  void activate();
  // Moves the focus to the next (or previous) control in tab order that can
  // take it, starting after `current` (nullptr: from the start).
  bool select_next(Window* current, bool forward);

  // The form sees its controls' keys first.
  bool key_preview = false;
  // Inside another window in normal state, the form draws a frame of its own: border, caption
  // and border icons, by which the user moves, resizes and maximises it within that window.
  bool child_frame = false;
  MainMenu* menu = nullptr;

  WindowState window_state() const { return window_state_; }
  void set_window_state(WindowState state);
  void bring_to_front();

  // Shows the form, runs messages until a button or code sets the modal
  // result, and returns it. With no input left to wait for, the installed
  // dialog responder answers for the user, so it never blocks headless.
  int show_modal();
  int modal_result() const { return modal_result_; }
  void set_modal_result(int result) { modal_result_ = result; }
  // What the form answers when shown modally with nobody to answer it.
  platform::DialogResult unattended_result = platform::result_none;

  // Asks on_close what to do: hide (the default; a modal form's modal
  // result becomes Cancel), minimise, or nothing.
  void close();

  std::function<void(Form&)> on_show;
  std::function<void(Form&)> on_activate;
  std::function<void(Form&, CloseAction& action)> on_close;

  LResult window_proc(Message& message) override;

 protected:
  void visibility_changed() override;
  Insets frame_insets() const override;
  void paint_frame(Canvas& canvas) override;

 private:
  friend void change_focus(Window* target);

  // What a press on the child frame started.
  enum class FramePart : std::uint8_t { none, client, caption, edges, minimize, maximize };
  bool framed() const;
  FramePart frame_part_at(Point point, int* edges = nullptr) const;
  // True when the message belonged to the child frame.
  bool frame_mouse(const Message& message);
  FramePart frame_press_ = FramePart::none;
  int frame_edges_ = 0;
  Point frame_from_;
  Rect frame_bounds_;

  platform::FormDialog modal_question() const;

  WindowHandle active_control_ = no_window;
  WindowState window_state_ = WindowState::normal;
  bool modal_ = false;
  int modal_result_ = 0;
};

}  // namespace vx::ws

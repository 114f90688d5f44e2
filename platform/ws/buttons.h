#pragma once

#include <string>
#include <string_view>

#include "platform/ws/window.h"

namespace vx::ws {

// The kinds of a bitmap button: each sets a caption and a modal result.
enum class ButtonKind { custom, ok, cancel, help, yes, no, close, abort, retry, ignore, all };

// A push button. A click sets the form's modal result to the button's
// (when not 0) before on_click; a Close button closes its form after.
class Button : public Window {
 public:
  explicit Button(Window* parent, std::string_view caption = {});
  const std::string& caption() const { return text(); }
  void set_caption(std::string_view caption) { set_text(caption); }
  ButtonKind kind() const { return kind_; }
  void set_kind(ButtonKind kind);
  int modal_result = 0;
  // The form's default button: Enter in a control that does not take it presses this one.
  bool is_default = false;

  void click() override;
  LResult window_proc(Message& message) override;

 protected:
  void paint(Canvas& canvas) override;

 private:
  ButtonKind kind_ = ButtonKind::custom;
};

// The form's showing, enabled default button, if it has one.
Button* default_button(Window& form);

// A box that is checked or not, with a caption; the base of check boxes
// and radio buttons. Space or a click is a user's click.
class CheckControl : public Window {
 public:
  const std::string& caption() const { return text(); }
  void set_caption(std::string_view caption) { set_text(caption); }
  bool checked() const { return checked_; }
  void set_checked(bool checked);

  LResult window_proc(Message& message) override;

 protected:
  CheckControl(Window* parent, std::string_view caption);
  void paint(Canvas& canvas) override;
  virtual void checked_changed() {}
  // The box or circle that shows the state, in `mark`.
  virtual void draw_mark(Canvas& canvas, const Rect& mark) const;

 private:
  bool checked_ = false;
};

class CheckBox : public CheckControl {
 public:
  explicit CheckBox(Window* parent, std::string_view caption = {}) : CheckControl(parent, caption) {}
  // Toggles, then fires on_click.
  void click() override;
};

// Checking one radio button unchecks the others of the same parent.
class RadioButton : public CheckControl {
 public:
  explicit RadioButton(Window* parent, std::string_view caption = {}) : CheckControl(parent, caption) {}
  // Checks, then fires on_click.
  void click() override;

 protected:
  void checked_changed() override;
  // A sunken circle with a dot while checked.
  void draw_mark(Canvas& canvas, const Rect& mark) const override;
};

}  // namespace vx::ws

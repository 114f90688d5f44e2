#pragma once

#include <functional>

#include "platform/ws/messages.h"
#include "platform/ws/window.h"

namespace vx::test {

// A text field for tests of focus and keyboard routing: a tab stop that keeps
// every printable character typed into it and shows its text.
class TypingField : public ws::Window {
 public:
  explicit TypingField(ws::Window* parent) : Window(parent) {
    set_tab_stop(true);
    set_border_style(ws::BorderStyle::single);
    set_color(ws::color::window);
    set_bounds(0, 0, 121, 21);
  }

  std::function<void(TypingField&)> on_change;

  ws::LResult window_proc(ws::Message& message) override {
    switch (message.id) {
      case ws::msg::character: {
        Window::window_proc(message);
        const auto typed = static_cast<unsigned char>(message.wparam);
        if (typed >= 32) {
          set_text(text() + static_cast<char>(typed));
          if (on_change) on_change(*this);
        }
        return 0;
      }
      case ws::msg::get_dialog_code: return ws::dialog_code::want_arrows | ws::dialog_code::want_chars;
      default: return Window::window_proc(message);
    }
  }

 protected:
  void paint(ws::Canvas& canvas) override {
    canvas.background_mode = ws::BackgroundMode::transparent;
    canvas.text_out(2, 2, text());
  }
};

}  // namespace vx::test

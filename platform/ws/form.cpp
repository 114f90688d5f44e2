#include "platform/ws/form.h"

#include <algorithm>

#include "platform/ws/application.h"
#include "platform/ws/buttons.h"
#include "platform/ws/controls.h"
#include "platform/ws/dispatch.h"
#include "platform/ws/display.h"
#include "platform/ws/messages.h"

namespace vx::ws {
namespace {

bool holds(const Window& ancestor, const Window* window) {
  for (; window != nullptr; window = window->parent()) {
    if (window == &ancestor) return true;
  }
  return false;
}

// The controls of a form in tab order, depth first; a form inside the form
// keeps its own order.
void tab_sequence(const Window& window, std::vector<Window*>& sequence) {
  for (Window* child : window.tab_list()) {
    sequence.push_back(child);
    if (dynamic_cast<Form*>(child) == nullptr) tab_sequence(*child, sequence);
  }
}

template <typename Control>
void find_all(const Window& window, std::vector<Control*>& found) {
  for (Window* child : window.children()) {
    if (auto* control = dynamic_cast<Control*>(child)) found.push_back(control);
    find_all(*child, found);
  }
}

}  // namespace

Form::Form(Window* parent) : Window(parent) {
  hide();
  set_bounds(0, 0, 320, 240);
}

Form::~Form() {
  if (Display* shown = started_display()) shown->forget_form(handle());
}

Window* Form::active_control() const { return find_window(active_control_); }

void Form::set_active_control(Window* control) {
  active_control_ = control != nullptr ? control->handle() : no_window;
  if (control != nullptr && active_form() == this && control->can_focus()) control->set_focus();
}

void Form::activate() {
  Window* target = active_control();
  if (target == nullptr || !holds(*this, target) || !target->can_focus()) {
    target = nullptr;
    std::vector<Window*> sequence;
    tab_sequence(*this, sequence);
    for (Window* candidate : sequence) {
      if (candidate->tab_stop() && candidate->can_focus()) {
        target = candidate;
        break;
      }
    }
  }
  (target != nullptr ? target : this)->set_focus();
}

bool Form::select_next(Window* current, bool forward) {
  std::vector<Window*> sequence;
  tab_sequence(*this, sequence);
  const int count = static_cast<int>(sequence.size());
  if (count == 0) return false;
  const auto at = std::find(sequence.begin(), sequence.end(), current);
  const int start = at != sequence.end() ? static_cast<int>(at - sequence.begin()) : (forward ? -1 : count);
  for (int step = 1; step <= count; ++step) {
    const int index = ((forward ? start + step : start - step) % count + count) % count;
    Window* candidate = sequence[static_cast<std::size_t>(index)];
    if (candidate->tab_stop() && candidate->can_focus()) {
      candidate->set_focus();
      return true;
    }
  }
  return false;
}

void Form::set_window_state(WindowState state) {
  if (state == window_state_) return;
  window_state_ = state;
  // A child form maximised fills what its parent leaves free.
  if (parent() != nullptr) set_align(state == WindowState::maximized ? Align::client : Align::none);
  // The child frame comes or goes with the state, and the client area with it.
  if (child_frame) realign();
  if (Display* shown = started_display(); shown != nullptr && showing()) shown->set_form_state(handle(), state);
  invalidate();
}

void Form::bring_to_front() { bring_to_foreground(*this); }

platform::FormDialog Form::modal_question() const {
  platform::FormDialog question;
  question.caption = caption();
  question.unattended_answer = unattended_result;
  std::vector<Label*> labels;
  find_all(*this, labels);
  for (const Label* label : labels) {
    if (!label->visible() || label->caption().empty()) continue;
    if (!question.text.empty()) question.text += ' ';
    question.text += label->caption();
  }
  std::vector<Button*> buttons;
  find_all(*this, buttons);
  for (const Button* button : buttons) {
    if (button->showing() && button->enabled_with_parents()) {
      question.buttons |= platform::button_of_result(button->modal_result);
    }
  }
  return question;
}

int Form::show_modal() {
  modal_ = true;
  modal_result_ = 0;
  // Other forms take no input while this one is up.
  std::vector<WindowHandle> disabled;
  for (Window* window : top_level_windows()) {
    if (window != this && dynamic_cast<Form*>(window) != nullptr && window->enabled()) {
      window->set_enabled(false);
      disabled.push_back(window->handle());
    }
  }
  const Window* focus_before = focused_window();
  const WindowHandle previous = focus_before != nullptr ? focus_before->handle() : no_window;
  if (visible()) {
    activate();
  } else {
    show();
  }
  bring_to_foreground(*this);
  while (modal_result_ == 0 && !terminated()) {
    process_messages();
    if (modal_result_ != 0 || terminated()) break;
    // On a desktop the user answers through the form itself.
    if (started_display() != nullptr) {
      detail::wait_for_work();
      continue;
    }
    // No input is left: nobody but the responder can answer.
    const int answer = platform::dialog_responder().modal_form(modal_question());
    std::vector<Button*> buttons;
    find_all(*this, buttons);
    for (Button* button : buttons) {
      if (button->modal_result == answer && button->enabled_with_parents()) {
        button->click();
        break;
      }
    }
    if (modal_result_ == 0) modal_result_ = answer != platform::result_none ? answer : platform::result_cancel;
  }
  if (modal_result_ == 0) modal_result_ = platform::result_cancel;
  hide();
  for (const WindowHandle handle : disabled) {
    if (Window* window = find_window(handle)) window->set_enabled(true);
  }
  if (Window* window = find_window(previous)) change_focus(window);
  modal_ = false;
  return modal_result_;
}

void Form::close() {
  if (modal_) {
    modal_result_ = platform::result_cancel;
    return;
  }
  CloseAction action = CloseAction::hide;
  if (on_close) on_close(*this, action);
  if (action == CloseAction::none) return;
  if (main_form() == this) {
    terminate();
  } else if (action == CloseAction::minimize) {
    set_window_state(WindowState::minimized);
  } else {
    hide();
  }
}

LResult Form::window_proc(Message& message) {
  if (framed() && frame_mouse(message)) return 0;
  switch (message.id) {
    case msg::close:
      close();
      return 0;
    case msg::next_dialog_control:
      if (message.lparam != 0) {
        Window* target = find_window(static_cast<WindowHandle>(message.wparam));
        if (target != nullptr && holds(*this, target)) target->set_focus();
      } else {
        select_next(focused_window(), message.wparam == 0);
      }
      return 0;
    default: return Window::window_proc(message);
  }
}

void Form::visibility_changed() {
  if (!visible()) {
    if (Display* shown = started_display()) shown->hide_form(handle());
    return;
  }
  if (on_show) on_show(*this);
  if (showing()) activate();
}

}  // namespace vx::ws

#include <optional>

#include "platform/ws/application.h"
#include "platform/ws/buttons.h"
#include "platform/ws/dispatch.h"
#include "platform/ws/drag.h"
#include "platform/ws/form.h"
#include "platform/ws/keyboard.h"
#include "platform/ws/messages.h"
#include "platform/ws/scroll_bars.h"
#include "platform/ws/window.h"

namespace vx::ws::detail {
namespace {

struct RoutingState {
  // Set when a form took a key-down for itself: the character made from it is dropped.
  bool drop_character = false;
  // The keypad digits typed while Alt is held, and their value.
  int alt_digits = 0;
  int alt_code = 0;
};

RoutingState& routing() {
  static RoutingState instance;
  return instance;
}

bool is_keyboard(MessageId id) { return id >= msg::key_down && id <= msg::sys_character; }
bool is_mouse(MessageId id) { return id >= msg::mouse_move && id <= msg::right_button_up; }
bool is_button_press(MessageId id) {
  return id == msg::left_button_down || id == msg::left_button_double_click || id == msg::right_button_down;
}

void note_buttons(const Message& message) {
  switch (message.id) {
    case msg::left_button_down: case msg::left_button_double_click: note_key(vk::left_button, true); break;
    case msg::left_button_up: note_key(vk::left_button, false); break;
    case msg::right_button_down: note_key(vk::right_button, true); break;
    case msg::right_button_up: note_key(vk::right_button, false); break;
    default: break;
  }
}

// Tab moves between a form's controls unless the control wants it itself.
bool form_takes_tab(Window& target) {
  Form* form = target.form();
  if (form == nullptr || key_is_down(vk::control) || key_is_down(vk::alt)) return false;
  const LResult wanted = send_message(target.handle(), msg::get_dialog_code, vk::tab);
  if ((wanted & (dialog_code::want_tab | dialog_code::want_all_keys)) != 0) return false;
  form->select_next(&target == form ? nullptr : &target, !key_is_down(vk::shift));
  return true;
}

// Enter in a control that does not take it presses the form's default button; a focused button
// presses itself.
bool form_takes_enter(Window& target) {
  Form* form = target.form();
  if (form == nullptr || dynamic_cast<Button*>(&target) != nullptr) return false;
  const LResult wanted = send_message(target.handle(), msg::get_dialog_code, vk::enter);
  if ((wanted & dialog_code::want_all_keys) != 0) return false;
  Button* button = default_button(*form);
  if (button == nullptr) return false;
  button->click();
  return true;
}

// Alt held while keypad digits are typed makes the character of that code
// (modulo 256) when Alt is released.
std::optional<char> compose_alt_code(const Message& message) {
  RoutingState& state = routing();
  const auto key = static_cast<std::uint16_t>(message.wparam);
  const bool down = message.id == msg::key_down || message.id == msg::sys_key_down;
  const bool up = message.id == msg::key_up || message.id == msg::sys_key_up;
  if (key == vk::alt && down) {
    state.alt_digits = 0;
    state.alt_code = 0;
  } else if (down && message.id == msg::sys_key_down && key >= vk::numpad0 && key <= vk::numpad9) {
    ++state.alt_digits;
    state.alt_code = (state.alt_code * 10 + (key - vk::numpad0)) % 256;
  } else if (down) {
    state.alt_digits = 0;
  } else if (key == vk::alt && up && state.alt_digits > 0) {
    state.alt_digits = 0;
    return static_cast<char>(state.alt_code);
  }
  return std::nullopt;
}

void dispatch_keyboard(const QueuedInput& input) {
  bool& drop_character = routing().drop_character;
  Message message = input.message;
  if (input.character_of_key && drop_character) {
    drop_character = false;
    return;
  }
  Window* target = focused_window();
  if (target == nullptr) target = active_form();
  const bool down = message.id == msg::key_down || message.id == msg::sys_key_down;
  const bool up = message.id == msg::key_up || message.id == msg::sys_key_up;
  if (down) drop_character = false;
  if (down || up) note_key(static_cast<std::uint16_t>(message.wparam), down);
  const std::optional<char> composed = down || up ? compose_alt_code(message) : std::nullopt;
  if (drag_takes_key(message)) {
    drop_character = true;
    return;
  }
  if (target == nullptr) return;
  message.window = target->handle();
  if (hook_takes(message)) return;
  if (message.id == msg::key_down && message.wparam == vk::tab && form_takes_tab(*target)) {
    drop_character = true;
    return;
  }
  if (message.id == msg::key_down && message.wparam == vk::enter && form_takes_enter(*target)) {
    drop_character = true;
    return;
  }
  deliver(message);
  if (composed && is_window(target->handle())) {
    Message character{target->handle(), msg::character, static_cast<unsigned char>(*composed), 1};
    deliver(character);
  }
}

// The deepest showing window at a screen point, in the foreground form
// first; later children lie on top of earlier ones.
Window* window_under(Window& window, Point screen) {
  const Point inside = window.screen_to_client(screen);
  if (!window.client_rect().contains(inside)) return &window;
  const std::vector<Window*>& children = window.children();
  for (auto child = children.rbegin(); child != children.rend(); ++child) {
    if ((*child)->visible() && (*child)->bounds().contains(inside)) return window_under(**child, screen);
  }
  return &window;
}

Window* window_at_screen(Point screen) {
  std::vector<Window*> forms = top_level_windows();
  for (Form* preferred : {active_form(), foreground_form()}) {
    if (preferred != nullptr) forms.push_back(&preferred->top_level());
  }
  for (auto form = forms.rbegin(); form != forms.rend(); ++form) {
    if ((*form)->showing() && (*form)->bounds().contains(screen)) return window_under(**form, screen);
  }
  return nullptr;
}

// The wheel turns whatever lies under the pointer, focused or not; with
// nothing there it goes where the keys go.
void dispatch_wheel(const QueuedInput& input) {
  Message message = input.message;
  Window* target = window_at_screen(point_from_lparam(message.lparam));
  if (target == nullptr || !target->enabled_with_parents()) {
    dispatch_keyboard(input);
    return;
  }
  message.window = target->handle();
  if (hook_takes(message)) return;
  deliver(message);
}

void dispatch_mouse(Message message) {
  Window* target = find_window(message.window);
  if (target == nullptr) return;
  Window* capture = capture_window();
  if (capture != nullptr && capture != target) {
    const Point screen = target->client_to_screen(point_from_lparam(message.lparam));
    const Point local = capture->screen_to_client(screen);
    message.lparam = make_lparam(local.x, local.y);
    message.window = capture->handle();
    target = capture;
  } else if (!target->showing() || !target->enabled_with_parents()) {
    return;
  }
  note_buttons(message);
  track_mouse_over(target);
  if (hook_takes(message)) return;
  if (drag_takes_mouse(*target, message)) return;
  if (is_button_press(message.id) && !target->focused()) {
    const WindowHandle handle = target->handle();
    const LResult answer = send_message(handle, msg::mouse_activate, target->top_level().handle(),
                                        make_lparam(1, static_cast<int>(message.id)));
    target = find_window(handle);
    if (target == nullptr) return;
    if (answer == mouse_activation::activate || answer == mouse_activation::activate_and_eat) {
      Form* form = target->form();
      if (form != nullptr && form != active_form()) form->activate();
    }
    if (answer == mouse_activation::activate_and_eat || answer == mouse_activation::no_activate_and_eat) return;
  }
  if (scroll_bar_takes(*target, message)) return;
  deliver(message);
}

}  // namespace

// Keyboard goes to the focused window (or the active form), the wheel to the window under it, mouse
// messages to their window or to the holder of the capture, anything else
// to its window while that takes input.
void route_input(const QueuedInput& input) {
  const MessageId id = input.message.id;
  if (is_keyboard(id)) {
    dispatch_keyboard(input);
  } else if (id == msg::mouse_wheel) {
    dispatch_wheel(input);
  } else if (is_mouse(id)) {
    dispatch_mouse(input.message);
  } else if (const Window* target = find_window(input.message.window);
             target != nullptr && target->showing() && target->enabled_with_parents()) {
    dispatch_taken(input.message);
  }
}

void reset_input_routing() {
  routing() = RoutingState{};
  reset_scroll_bar_tracking();
  reset_drag();
}

}  // namespace vx::ws::detail

#include "platform/ws/window_registry.h"

#include "platform/ws/application.h"
#include "platform/ws/display.h"
#include "platform/ws/form.h"
#include "platform/ws/messages.h"
#include "platform/ws/window.h"

namespace vx::ws {
namespace detail {

WindowRegistry& registry() {
  static WindowRegistry instance;
  return instance;
}

}  // namespace detail

using detail::registry;
using detail::WindowRegistry;

Window* find_window(WindowHandle handle) {
  WindowRegistry& r = registry();
  std::lock_guard lock(r.mutex);
  const auto found = r.windows.find(handle);
  return found != r.windows.end() ? found->second : nullptr;
}

bool is_window(WindowHandle handle) { return handle != no_window && find_window(handle) != nullptr; }

std::vector<Window*> top_level_windows() {
  WindowRegistry& r = registry();
  std::lock_guard lock(r.mutex);
  std::vector<Window*> result;
  for (const auto& [handle, window] : r.windows) {
    if (window->parent() == nullptr) result.push_back(window);
  }
  return result;
}

void change_focus(Window* target) {
  WindowRegistry& r = registry();
  const WindowHandle old_handle = r.focus;
  const WindowHandle new_handle = target != nullptr ? target->handle() : no_window;
  if (old_handle == new_handle) return;
  r.focus = new_handle;
  if (is_window(old_handle)) send_message(old_handle, msg::kill_focus, new_handle);
  // A kill-focus handler that moved the focus elsewhere has the last word.
  if (r.focus != new_handle) return;
  if (target == nullptr) {
    r.active_form = no_window;
    return;
  }
  Form* form = target->form();
  if (form != nullptr && form != target) form->active_control_ = new_handle;
  const WindowHandle form_handle = form != nullptr ? form->handle() : no_window;
  if (form_handle != r.active_form) {
    r.active_form = form_handle;
    if (form != nullptr && form->on_activate) form->on_activate(*form);
  }
  if (is_window(new_handle) && r.focus == new_handle) send_message(new_handle, msg::set_focus, old_handle);
}

Window* focused_window() { return find_window(registry().focus); }

Window* capture_window() { return find_window(registry().capture); }

Form* active_form() { return dynamic_cast<Form*>(find_window(registry().active_form)); }

Form* foreground_form() { return dynamic_cast<Form*>(find_window(registry().foreground)); }

void bring_to_foreground(Form& form) {
  registry().foreground = form.handle();
  raise_on_display(form);
}

void track_mouse_over(Window* target) {
  WindowRegistry& r = registry();
  const WindowHandle target_handle = target != nullptr ? target->handle() : no_window;
  if (target_handle == r.hover) return;
  Window* previous = find_window(r.hover);
  r.hover = target_handle;
  if (previous != nullptr && previous->on_mouse_leave) previous->on_mouse_leave(*previous);
  if (target != nullptr && target->on_mouse_enter) target->on_mouse_enter(*target);
}

void reset_windows() {
  WindowRegistry& r = registry();
  r.invalid.clear();
  r.focus = r.capture = r.hover = r.active_form = r.foreground = no_window;
}

}  // namespace vx::ws

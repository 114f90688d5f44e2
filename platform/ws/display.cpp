#include "platform/ws/display.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "platform/dialogs.h"
#include "platform/ws/application.h"
#include "platform/ws/caret.h"
#include "platform/ws/display_backend.h"
#include "platform/ws/display_server.h"
#include "platform/ws/form.h"
#include "platform/ws/input.h"
#include "platform/ws/settling_responder.h"
#include "platform/ws/window.h"
#include "platform/ws/window_registry.h"

namespace vx::ws {
namespace {

DisplayBackend* installed = nullptr;
// Never deleted: Qt must not be torn down by static destructors after main.
Display* opened = nullptr;
// The backend that started `opened`; the desktop around it is that backend's.
DisplayBackend* opener = nullptr;

Form* shown_form_of(Window& window) {
  auto* form = dynamic_cast<Form*>(&window.top_level());
  return form != nullptr && form->showing() ? form : nullptr;
}

Point origin_in(const Window& window, const Window& form) {
  const Point client = window.client_to_screen({0, 0});
  return {client.x - form.left(), client.y - form.top()};
}

// The part of the form the window covers: its bounds within every
// ancestor's client area.
Rect area_in(const Window& window, const Window& form) {
  if (&window == &form) return {0, 0, form.width(), form.height()};
  const Window& parent = *window.parent();
  const Point origin = origin_in(parent, form);
  const Rect parent_client = parent.client_rect().offset(origin.x, origin.y);
  return intersect(window.bounds().offset(origin.x, origin.y), intersect(parent_client, area_in(parent, form)));
}

// The deepest showing window of the form at `point` (form coordinates);
// children drawn later lie on top.
Window& window_at(Window& window, Window& form, Point point) {
  const std::vector<Window*>& children = window.children();
  for (auto child = children.rbegin(); child != children.rend(); ++child) {
    if (!(*child)->visible()) continue;
    if (area_in(**child, form).contains(point)) return window_at(**child, form, point);
  }
  return window;
}

// What lies over the window: the showing siblings after it and after each of its ancestors.
void exclude_windows_above(const Window& window, const Window& form, std::vector<Rect>& excluded) {
  for (const Window* level = &window; level != &form && level->parent() != nullptr; level = level->parent()) {
    const std::vector<Window*>& siblings = level->parent()->children();
    for (auto above = std::find(siblings.begin(), siblings.end(), level) + 1; above < siblings.end(); ++above) {
      if ((*above)->visible()) excluded.push_back(area_in(**above, form));
    }
  }
}

Form* shown_form(WindowHandle handle) {
  auto* form = dynamic_cast<Form*>(find_window(handle));
  return form != nullptr && form->showing() ? form : nullptr;
}

// The window manager made the form's window the active one: the form takes the focus unless it
// holds it already (in a control, or in a form inside it such as the status window).
void make_active(Form& form) {
  Window* focus = focused_window();
  if (focus != nullptr && &focus->top_level() == &form) return;
  if (form.enabled()) form.reactivate();
}

}  // namespace

DisplayBackend* install_display_backend(DisplayBackend* backend) { return std::exchange(installed, backend); }

DisplayBackend* installed_display_backend() { return installed; }

Display* display() {
  if (headless()) return nullptr;
  if (opened == nullptr) {
    if (installed == nullptr) return nullptr;
    // The backend takes the server that answered, not a guess of its own.
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform == nullptr || *platform == '\0') {
      if (const std::optional<std::string> server = answering_display_server()) {
        ::setenv("QT_QPA_PLATFORM", server->c_str(), 1);
      }
    }
    opened = installed->open_display().release();
    opener = installed;
    // A responder of its own, such as a test's script, keeps answering message and file
    // dialogs; modal forms are answered through their own controls on a display.
    if (dynamic_cast<platform::NonInteractiveResponder*>(&platform::dialog_responder()) != nullptr) {
      static SettlingResponder settling(opener->dialogs());
      platform::install_dialog_responder(&settling);
    }
  }
  return opened;
}

Display* started_display() { return opened; }

DisplayBackend* display_backend() { return display() != nullptr ? opener : nullptr; }

void render_on_display(WindowHandle handle, const DrawOp& op, const Picture* picture, Point shift,
                       const Rect* limit) {
  Display* shown = display();
  Window* window = shown != nullptr ? find_window(handle) : nullptr;
  Form* form = window != nullptr ? shown_form_of(*window) : nullptr;
  if (form == nullptr) return;
  // A control may draw before its form's first paint: the form's window comes first.
  if (!shown->has_form_window(form->handle())) show_on_display(*form);
  Surface surface;
  surface.form = form->handle();
  const Point origin = origin_in(*window, *form);
  surface.origin = {origin.x + shift.x, origin.y + shift.y};
  surface.clip = area_in(*window, *form);
  if (limit != nullptr) surface.clip = intersect(surface.clip, limit->offset(origin.x, origin.y));
  for (const Window* child : window->children()) {
    if (child->visible()) surface.excluded.push_back(child->bounds().offset(origin.x, origin.y));
  }
  exclude_windows_above(*window, *form, surface.excluded);
  shown->render(surface, op, picture);
}

// Every form but the main one stays above the main form, as its owner.
void show_on_display(Window& form) {
  Display* shown = display();
  if (shown == nullptr || form.parent() != nullptr || shown_form_of(form) == nullptr) return;
  const Form* owner = main_form();
  const WindowHandle owner_handle = owner != nullptr && owner != &form ? owner->handle() : no_window;
  // What was drawn before the window existed is drawn again, at the loop's next pass.
  if (shown->show_form(form.handle(), form.text(), form.bounds(), owner_handle)) form.invalidate_tree();
}

void raise_on_display(Form& form) {
  Display* shown = display();
  if (shown == nullptr || form.parent() != nullptr || shown_form_of(form) == nullptr) return;
  show_on_display(form);
  shown->raise_form(form.handle());
}

std::optional<Color> pixel_on_display(Window& window, Point point) {
  Display* shown = display();
  Form* form = shown != nullptr ? shown_form_of(window) : nullptr;
  if (form == nullptr) return std::nullopt;
  const Point origin = origin_in(window, *form);
  return shown->pixel(form->handle(), {origin.x + point.x, origin.y + point.y});
}

std::optional<std::size_t> popup_on_display(const std::vector<PopupEntry>& entries, Point screen) {
  Display* shown = display();
  if (shown == nullptr) return std::nullopt;
  std::vector<Window*> forms = top_level_windows();
  if (Form* active = active_form()) forms.insert(forms.begin(), &active->top_level());
  for (Window* form : forms) {
    if (shown_form_of(*form) == nullptr || !form->bounds().contains(screen)) continue;
    return shown->popup_menu(form->handle(), {screen.x - form->left(), screen.y - form->top()}, entries);
  }
  return std::nullopt;
}

bool save_window_png(Window& window, const std::string& path) {
  Display* shown = display();
  Form* form = shown != nullptr ? shown_form_of(window) : nullptr;
  return form != nullptr && shown->save_png(form->handle(), area_in(window, *form), path);
}

namespace from_display {

// Keys go where the focus is; they never move it.
void key(WindowHandle form, std::uint16_t virtual_key, bool down, bool system) {
  if (shown_form(form) != nullptr) input::key_event(virtual_key, down, system);
}

void character(WindowHandle form, char c, bool system) {
  if (shown_form(form) != nullptr) input::character_event(c, system);
}

void mouse(WindowHandle form, MessageId id, WParam flags, Point point) {
  Form* target = shown_form(form);
  if (target == nullptr) return;
  Window& under = window_at(*target, *target, point);
  const Point origin = origin_in(under, *target);
  input::mouse_event(under, id, flags, {point.x - origin.x, point.y - origin.y});
}

void wheel(WindowHandle form, int delta, Point point) {
  Form* target = shown_form(form);
  if (target != nullptr) input::wheel(delta, {target->left() + point.x, target->top() + point.y});
}

void activated(WindowHandle form) {
  if (Form* target = shown_form(form)) make_active(*target);
  wake_message_loop();
}

void close(WindowHandle form) {
  if (Form* target = shown_form(form)) input::close(*target);
}

// Both leave parts to paint, which the idle loop must not sleep over.
void state_changed(WindowHandle form, WindowState state) {
  if (Form* target = shown_form(form)) target->set_window_state(state);
  wake_message_loop();
}

void placed(WindowHandle form, const Rect& bounds) {
  Form* target = shown_form(form);
  if (target != nullptr && target->bounds() != bounds) {
    target->set_bounds(bounds.left, bounds.top, bounds.width(), bounds.height());
  }
  wake_message_loop();
}

void caret_blinked() {
  blink_caret();
  wake_message_loop();
}

}  // namespace from_display

}  // namespace vx::ws

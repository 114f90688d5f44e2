#include "platform/ws/display.h"

#include <cstdlib>

#include "platform/dialogs.h"
#include "platform/ws/application.h"
#include "platform/ws/display_server.h"
#include "platform/ws/form.h"
#include "platform/ws/qt/qt_dialogs.h"
#include "platform/ws/qt/qt_display.h"
#include "platform/ws/window.h"
#include "platform/ws/window_registry.h"

namespace vx::ws {
namespace {

// Never deleted: Qt must not be torn down by static destructors after main.
Display* opened = nullptr;

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

}  // namespace

Display* display() {
  if (headless()) return nullptr;
  if (opened == nullptr) {
    // The backend takes the server that answered, not a guess of its own.
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform == nullptr || *platform == '\0') {
      if (const std::optional<std::string> server = answering_display_server()) {
        ::setenv("QT_QPA_PLATFORM", server->c_str(), 1);
      }
    }
    opened = qt::open_display().release();
    // A responder of its own, such as a test's script, keeps answering.
    if (dynamic_cast<platform::NonInteractiveResponder*>(&platform::dialog_responder()) != nullptr) {
      platform::install_dialog_responder(&qt::open_dialogs());
    }
  }
  return opened;
}

Display* started_display() { return opened; }

void render_on_display(WindowHandle handle, const DrawOp& op, const Picture* picture, Point shift,
                       const Rect* limit) {
  Display* shown = display();
  Window* window = shown != nullptr ? find_window(handle) : nullptr;
  Form* form = window != nullptr ? shown_form_of(*window) : nullptr;
  if (form == nullptr) return;
  Surface surface;
  surface.form = form->handle();
  const Point origin = origin_in(*window, *form);
  surface.origin = {origin.x + shift.x, origin.y + shift.y};
  surface.clip = area_in(*window, *form);
  if (limit != nullptr) surface.clip = intersect(surface.clip, limit->offset(origin.x, origin.y));
  for (const Window* child : window->children()) {
    if (child->visible()) surface.excluded.push_back(child->bounds().offset(origin.x, origin.y));
  }
  shown->render(surface, op, picture);
}

void show_on_display(Window& form) {
  Display* shown = display();
  if (shown != nullptr && form.parent() == nullptr && shown_form_of(form) != nullptr) {
    shown->show_form(form.handle(), form.text(), form.bounds());
  }
}

std::optional<Color> pixel_on_display(Window& window, Point point) {
  Display* shown = display();
  Form* form = shown != nullptr ? shown_form_of(window) : nullptr;
  if (form == nullptr) return std::nullopt;
  const Point origin = origin_in(window, *form);
  return shown->pixel(form->handle(), {origin.x + point.x, origin.y + point.y});
}

bool save_window_png(Window& window, const std::string& path) {
  Display* shown = display();
  Form* form = shown != nullptr ? shown_form_of(window) : nullptr;
  return form != nullptr && shown->save_png(form->handle(), area_in(window, *form), path);
}

}  // namespace vx::ws

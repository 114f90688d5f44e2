#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ws/canvas.h"
#include "platform/ws/color.h"
#include "platform/ws/font.h"
#include "platform/ws/form.h"
#include "platform/ws/picture.h"
#include "platform/ws/types.h"

struct pollfd;

namespace vx::ws {

// Where a window's drawing lands in its form's pixels, all in form
// coordinates: the window's client origin, the part the window covers, and
// its showing children, which it must not paint over.
struct Surface {
  WindowHandle form = no_window;
  Point origin;
  Rect clip;
  std::vector<Rect> excluded;
};

struct PopupEntry {
  std::string caption;
  bool enabled = true;
};

// The display backend: every shown form is a top-level window on the
// desktop with pixels of its own, into which the canvas operations of the
// form and its children are rendered.
class Display {
 public:
  virtual ~Display() = default;

  virtual FontMetrics font_metrics(const Font& font) = 0;
  virtual int text_width(const Font& font, std::string_view text) = 0;

  // Shows the form's window with this caption, or brings an existing one up
  // to date. `bounds` holds the outer frame's top left corner (screen) and the
  // client area's size; a window with an owner stays above the owner's.
  // True when the window was made now: nothing drawn before reached it.
  virtual bool show_form(WindowHandle form, const std::string& caption, const Rect& bounds, WindowHandle owner) = 0;
  // Whether the form has a window on the desktop.
  virtual bool has_form_window(WindowHandle form) const = 0;
  // Asks the window manager to raise the form's window and make it the active one.
  virtual void raise_form(WindowHandle form) = 0;
  virtual void hide_form(WindowHandle form) = 0;
  virtual void forget_form(WindowHandle form) = 0;
  virtual void set_form_state(WindowHandle form, WindowState state) = 0;

  // Handles the display's pending events without waiting.
  virtual void process_events() = 0;
  // Handles the display's events until one of `fds` is readable or the
  // limit has passed; true when the limit ran out. What the user does
  // reaches the window system's queue, whose descriptor is among `fds`.
  virtual bool wait_for_events(std::span<pollfd> fds, std::optional<std::uint64_t> microseconds) = 0;

  // Shows a pop-up menu of the entries at `point` of the form's window and
  // waits for the user; the index of the chosen item, nothing when the menu
  // was closed. A disabled item cannot be chosen.
  virtual std::optional<std::size_t> popup_menu(WindowHandle form, Point point,
                                                const std::vector<PopupEntry>& entries) = 0;

  // `picture` holds the pixels of a picture operation.
  virtual void render(const Surface& surface, const DrawOp& op, const Picture* picture) = 0;
  // The colour of a pixel of the form (form coordinates).
  virtual Color pixel(WindowHandle form, Point point) = 0;
  // Writes `area` (form coordinates) of the form's pixels as a PNG file.
  virtual bool save_png(WindowHandle form, const Rect& area, const std::string& path) = 0;
};

// The display, started on first use by the installed backend (see
// display_backend.h); nullptr when headless, so a headless run never starts
// the backend, or when no backend is installed.
Display* display();
// The display if it was started, whether or not the run is headless now.
Display* started_display();

// Renders a canvas operation of `window` into its form when a display is
// used. `shift` moves the operation and `limit` (client coordinates of
// `window`) bounds it, for the operations of a copied off-screen canvas.
void render_on_display(WindowHandle window, const DrawOp& op, const Picture* picture, Point shift = {},
                       const Rect* limit = nullptr);
// Shows or updates a shown top-level form's window.
void show_on_display(Window& form);
// Raises a shown top-level form's window and activates it through the window manager.
void raise_on_display(Form& form);
// A pixel of the window's client area as painted so far; nothing when
// there is no display or the window's form is not shown.
std::optional<Color> pixel_on_display(Window& window, Point point);
// A pop-up menu at a screen point of a shown form, the active one first;
// nothing when there is no display or no form there.
std::optional<std::size_t> popup_on_display(const std::vector<PopupEntry>& entries, Point screen);
// Writes the window, with its children, as painted so far as a PNG file;
// false when there is no display or the window's form is not shown.
bool save_window_png(Window& window, const std::string& path);

// What the user does in a form's window on the desktop, handed to the
// window system as its own input: keys go to the focused window of the
// form, mouse messages to the window under the point (form coordinates).
namespace from_display {
// `system`: Alt held without Ctrl, as the system-key messages want it.
void key(WindowHandle form, std::uint16_t virtual_key, bool down, bool system);
void character(WindowHandle form, char character, bool system);
void mouse(WindowHandle form, MessageId id, WParam flags, Point point);
void wheel(WindowHandle form, int delta, Point point);
void close(WindowHandle form);
// The window manager activated the form's window.
void activated(WindowHandle form);
void state_changed(WindowHandle form, WindowState state);
// The window manager moved or resized the window (screen coordinates).
void placed(WindowHandle form, const Rect& bounds);
// The caret's blink timer ran out.
void caret_blinked();
}  // namespace from_display

}  // namespace vx::ws

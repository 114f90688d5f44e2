#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/dialogs.h"
#include "platform/ws/display.h"
#include "platform/ws/types.h"

namespace vx::ws {

// What the window system needs of a display backend: the display itself,
// the dialogs shown on it and the desktop around the windows. The programs
// install one at start-up; without one every run is headless.
class DisplayBackend {
 public:
  virtual ~DisplayBackend() = default;

  // Starts the display on the platform QT_QPA_PLATFORM names; asked once.
  virtual std::unique_ptr<Display> open_display() = 0;

  // The rest only while the display is open.
  // Message boxes and file dialogs on the display, kept for the process.
  virtual platform::DialogResponder& dialogs() = 0;
  virtual void beep() = 0;
  virtual Size screen_size() = 0;
  // The primary screen's logical resolution, rounded.
  virtual int screen_pixels_per_inch() = 0;
  // The desktop's clipboard, text only.
  virtual void set_clipboard_text(std::string_view text) = 0;
  virtual std::optional<std::string> clipboard_text() = 0;
  virtual bool clipboard_has_text() = 0;
  virtual void clear_clipboard() = 0;
};

// Returns the previous backend; nullptr: none, so every run is headless. A
// display once started stays with the backend that started it.
DisplayBackend* install_display_backend(DisplayBackend* backend);
DisplayBackend* installed_display_backend();

// The backend of the display in use; nullptr when display() is.
DisplayBackend* display_backend();

}  // namespace vx::ws

#pragma once

#include <cstdint>

#include "foundation/short_text.h"

// What an update shows while it runs: one status line at a time in the
// progress window, and the window's two endings, each of which resets the
// interface. Without a window installed (headless) the lines go to stderr.
namespace vx::fwupdate {

enum ResultMode : std::uint8_t { update_running = 0, update_succeeded = 1, update_failed_mode = 2 };

// The progress window as the engine drives it.
class UpdateProgressView {
 public:
  virtual ~UpdateProgressView() = default;
  virtual void show_update_window() = 0;
  virtual void show_update_status(const ShortText& text) = 0;
  // Colours the window by the result mode, shows the message and the version and closes it.
  virtual void close_update_window(const ShortText& message, const ShortText& version) = 0;
};

struct UpdateProgress {
  std::uint8_t result_mode = update_running;
  ShortText last_update_status;
  UpdateProgressView* view = nullptr;
};

UpdateProgress& update_progress();
void install_update_progress_view(UpdateProgressView* view);

void show_update_window();
void update_status(const ShortText& text);
// The endings of every update: colour, close, and the interface reset into
// the new firmware (success) or the original one (failure).
void finish_update_success();
void finish_update_failure();

}  // namespace vx::fwupdate

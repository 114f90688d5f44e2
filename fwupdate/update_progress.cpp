#include "fwupdate/update_progress.h"

#include <cstdio>

#include "fwupdate/flash_update.h"
#include "fwupdate/update_decision.h"
#include "fwupdate/updater_link.h"

namespace vx::fwupdate {
namespace {

UpdateProgress progress;

void close_update_window(const ShortText& message, const ShortText& version) {
  if (progress.view != nullptr) {
    progress.view->close_update_window(message, version);
    return;
  }
  std::fprintf(stderr, "%s\n", message.c_str());
  std::fflush(stderr);
}

}  // namespace

UpdateProgress& update_progress() { return progress; }

void install_update_progress_view(UpdateProgressView* view) { progress.view = view; }

void show_update_window() {
  progress.result_mode = update_running;
  progress.last_update_status = ShortText();
  UpdateDecision& decision = update_decision();
  const updater::UpdaterLink& link = updater::updater_link();
  // The updater's link reads 0.0 for an interface whose versions it cleared: there is nothing to show.
  if (decision.build == EngineBuild::updater && link.flash_version_major == 0 && link.flash_version_minor == 0) {
    decision.current_version_text = decision.original_version_text = ShortText();
  }
  if (progress.view != nullptr) progress.view->show_update_window();
}

void update_status(const ShortText& text) {
  progress.last_update_status = text;
  if (progress.view != nullptr) {
    progress.view->show_update_status(text);
    return;
  }
  std::fprintf(stderr, "%s\n", text.c_str());
  std::fflush(stderr);
}

void finish_update_success() {
  progress.result_mode = update_succeeded;
  close_update_window("Firmware update successful.", update_decision().update_version_text);
  reset_interface_for_update(update_mode_updated);
}

void finish_update_failure() {
  progress.result_mode = update_failed_mode;
  close_update_window("Firmware update failed.", update_decision().current_version_text);
  reset_interface_for_update(update_mode_original);
}

}  // namespace vx::fwupdate

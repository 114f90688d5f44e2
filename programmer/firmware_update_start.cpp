#include "programmer/firmware_update_start.h"

#include "foundation/run_control.h"
#include "fwupdate/flash_update.h"
#include "fwupdate/update_decision.h"
#include "interface/firmware_update_link.h"
#include "platform/ws/application.h"
#include "platform/ws/messages.h"
#include "programmer/main_window.h"
#include "programmer/program_windows.h"

namespace vx::programmer {
namespace {

bool close_held = false;

// A close held back during the update is asked again once it has ended, however it ended.
void ask_update_firmware(const ShortText& version_text) {
  struct CloseAfterUpdate {
    ~CloseAfterUpdate() {
      if (!close_held || firmware_update_link().busy) return;
      close_held = false;
      if (TMainWin1* main = program_windows().MainWin1.get()) ws::post_message(main->handle(), ws::msg::close);
    }
  } close_after_update;
  const SignalEndingHold hold_signal_ending;
  fwupdate::ask_update_firmware_after_reset(version_text);
}

}  // namespace

void start_firmware_update() {
  close_held = false;
  fwupdate::reset_update_decision(fwupdate::EngineBuild::programmer);
  fwupdate::update_decision().steps = &fwupdate::flash_update_engine();
  FirmwareUpdateServices services = firmware_update_link().services;
  services.ask_update_firmware = ask_update_firmware;
  register_firmware_update_services(services);
}

bool hold_close_during_update() {
  if (!firmware_update_link().busy) return false;
  close_held = true;
  return true;
}

}  // namespace vx::programmer

#include "utilities/rescue_main_block.h"

#include "foundation/kstring.h"
#include "foundation/system_helpers.h"
#include "platform/ws/application.h"
#include "utilities/osbdm_update_firmware_form.h"

namespace vx::utilities {
namespace {

std::string program_directory() {
  ShortText exe;
  GET_EXE_PATH(exe);
  return add_backslash(path_part(exe)).value_or(ShortText()).str();
}

}  // namespace

int rescue_main_block(const std::function<void(TForm1&)>& sit_down) {
  TForm1 window(program_directory());
  ws::set_main_form(&window);
  window.FormCreate();
  if (sit_down) sit_down(window);
  ws::run();
  window.FormDestroy();
  ws::set_main_form(nullptr);
  return 0;
}

}  // namespace vx::utilities

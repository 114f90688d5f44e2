#include "interface/drivers/usb_access.h"

#include <cerrno>
#include <string>

#include "foundation/status_output.h"
#include "platform/device_access.h"

namespace vx {

void write_refused_usb_devices() {
  for (const std::string& node : platform::take_refused_devices()) {
    WRITELN_TO_DEBUG(ShortText(platform::device_open_problem(node, EACCES)));
  }
}

}  // namespace vx

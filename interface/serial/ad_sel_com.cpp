#include "interface/serial/ad_sel_com.h"

#include <string>

#include "foundation/kstring.h"
#include "interface/serial/win32_dispatcher.h"
#include "platform/ws/buttons.h"
#include "platform/ws/controls.h"

namespace vx::serial {

ShortText ComDeviceName(std::uint32_t n) { return "\\\\.\\COM" + long_to_str(static_cast<std::int32_t>(n)); }

bool is_com_port_available(std::uint32_t n) {
  if (n == 0) return false;
  try {
    TApdWin32Dispatcher probe(nullptr);
    if (probe.DevOpen(ComDeviceName(n), 64, 64) >= 0) {
      probe.DevClose();
      return true;
    }
    // A port in use exists; so does one the user may not open yet, and
    // choosing it brings the line that says how to get the permission.
    return probe.LastError() == platform::ERROR_ACCESS_DENIED ||
           probe.LastError() == platform::ERROR_PRIVILEGE_NOT_HELD;
  } catch (const std::exception&) {
    return false;
  }
}

TComSelectForm::TComSelectForm() {
  set_caption("Select Port");
  set_border_style(ws::BorderStyle::single);
  set_bounds(0, 0, 260, 150);
  controls_.push_back(std::make_unique<ws::Label>(this, "The configured serial port is not valid."));
  controls_.back()->set_bounds(12, 10, 230, 16);
  controls_.push_back(std::make_unique<ws::Label>(this, "Please choose another port."));
  controls_.back()->set_bounds(12, 30, 230, 16);
  ports_ = std::make_unique<ws::ComboBox>(this);
  ports_->set_bounds(12, 54, 230, 22);
  for (std::uint32_t n = 1; n <= highest_port; ++n) {
    if (is_com_port_available(n)) ports_->add_item("COM" + std::to_string(n));
  }
  ports_->set_item_index(0);
  auto ok = std::make_unique<ws::Button>(this, "OK");
  ok->set_kind(ws::ButtonKind::ok);
  ok->set_bounds(50, 90, 75, 25);
  auto cancel = std::make_unique<ws::Button>(this, "Cancel");
  cancel->set_kind(ws::ButtonKind::cancel);
  cancel->set_bounds(135, 90, 75, 25);
  controls_.push_back(std::move(ok));
  controls_.push_back(std::move(cancel));
}

std::uint32_t TComSelectForm::SelectedComNumber() const {
  const int index = ports_->item_index();
  if (index < 0 || index >= ports_->item_count()) return 0;
  std::int32_t number = 0;
  if (!str_to_long(ShortText(ports_->items()[static_cast<std::size_t>(index)].substr(3)), number)) return 0;
  return static_cast<std::uint32_t>(number);
}

}  // namespace vx::serial

#pragma once

#include <cstdint>
#include <memory>

#include "foundation/short_text.h"
#include "platform/ws/form.h"
#include "platform/ws/lists.h"

// Whether a COM port exists, and the form that lets the user pick one.
namespace vx::serial {

// "\\.\COMn".
ShortText ComDeviceName(std::uint32_t n);
// Opens the port's device alone (no threads, no rings) and closes it again;
// a port in use, or one the user lacks the permission for, exists. Never raises.
bool is_com_port_available(std::uint32_t n);

// Lists the available ports COM1 to COM50 and lets the user choose one.
class TComSelectForm final : public ws::Form {
 public:
  static constexpr std::uint32_t highest_port = 50;

  TComSelectForm();
  ws::ComboBox& PortsComboBox() { return *ports_; }
  // The number of the chosen entry "COMn"; 0 when none is chosen.
  std::uint32_t SelectedComNumber() const;

 private:
  std::unique_ptr<ws::ComboBox> ports_;
  std::vector<std::unique_ptr<ws::Window>> controls_;
};

}  // namespace vx::serial

#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/ws/controls.h"
#include "platform/ws/form.h"
#include "platform/ws/lists.h"

namespace vx::programmer {

const std::vector<std::string>& interface_type_names();
const std::vector<std::string>& cpu_type_names();
// " n  -  BDM CLOCK FREQ  =  f Hz" for n from 0 to 31.
std::string bdm_speed_entry(std::int32_t n);

// The connection manager. This program never shows it; its lists are what
// the port routines fill and read.
class Tconnectiondialog2 final : public ws::Form {
 public:
  static constexpr std::int32_t bdm_speed_count = 32;

  Tconnectiondialog2();

  ws::ComboBox& InterfaceType() { return *interface_type_; }
  ws::ComboBox& CPUType() { return *cpu_type_; }
  // A list of one CPU type is shown as this label instead of a choice.
  ws::Label& CPUTypeLabel() { return *cpu_type_label_; }
  ws::ComboBox& BDMSpeed() { return *bdm_speed_; }
  // Filled by the port list routine with the detected ports of the chosen kind.
  ws::ComboBox& PCPort() { return *port_; }

 private:
  std::unique_ptr<ws::ComboBox> interface_type_;
  std::unique_ptr<ws::ComboBox> cpu_type_;
  std::unique_ptr<ws::Label> cpu_type_label_;
  std::unique_ptr<ws::ComboBox> bdm_speed_;
  std::unique_ptr<ws::ComboBox> port_;
};

}  // namespace vx::programmer

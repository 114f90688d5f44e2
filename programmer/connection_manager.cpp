#include "programmer/connection_manager.h"

#include "programmer/connection_settings.h"

namespace vx::programmer {
namespace {

constexpr std::int32_t bdm_base_clock_hz = 33000000;

}  // namespace

const std::vector<std::string>& interface_type_names() {
  static const std::vector<std::string> names{
      "BDM Quorvex - Parallel Port", "USB HCS08/HCS12/CFV1 Quorvex - USB Port", "Tamberly PRO - Serial Port",
      "Tamberly PRO - Ethernet Port", "Tamberly PRO - USB Port"};
  return names;
}

const std::vector<std::string>& cpu_type_names() {
  static const std::vector<std::string> names{"HCS08 Processor - Autodetect"};
  return names;
}

std::string bdm_speed_entry(std::int32_t n) {
  return " " + std::to_string(n) + "  -  BDM CLOCK FREQ  =  " + std::to_string(bdm_base_clock_hz / (2 * n + 5)) +
         " Hz";
}

Tconnectiondialog2::Tconnectiondialog2()
    : interface_type_(std::make_unique<ws::ComboBox>(this)),
      cpu_type_(std::make_unique<ws::ComboBox>(this)),
      cpu_type_label_(std::make_unique<ws::Label>(this)),
      bdm_speed_(std::make_unique<ws::ComboBox>(this)),
      port_(std::make_unique<ws::ComboBox>(this)),
      scanning_(std::make_unique<ws::Label>(this, "SCANNING")) {
  hide();
  set_caption("VELMORIX Connection Manager");
  // One choice below the other, wide enough for the longest entries.
  set_bounds(0, 0, 372, 220);
  interface_type_->set_bounds(16, 16, 340, 21);
  cpu_type_->set_bounds(16, 48, 340, 21);
  cpu_type_label_->set_bounds(18, 52, 340, 13);
  bdm_speed_->set_bounds(16, 80, 340, 21);
  port_->set_bounds(16, 112, 340, 21);
  scanning_->set_bounds(16, 148, 80, 13);
  interface_type_->set_items(interface_type_names());
  interface_type_->set_item_index(startup_settings().interface_selection);
  cpu_type_->set_items(cpu_type_names());
  cpu_type_->set_item_index(startup_settings().cpu_type);
  const bool single_cpu_type = cpu_type_names().size() == 1;
  cpu_type_->set_visible(!single_cpu_type);
  cpu_type_label_->set_caption(cpu_type_names().front());
  cpu_type_label_->set_visible(single_cpu_type);
  for (std::int32_t n = 0; n < bdm_speed_count; ++n) bdm_speed_->add_item(bdm_speed_entry(n));
  scanning_->set_visible(false);
  register_connection_manager_view(this);
}

Tconnectiondialog2::~Tconnectiondialog2() { register_connection_manager_view(nullptr); }

void Tconnectiondialog2::show_scanning(bool visible) {
  scanning_->set_visible(visible);
  scanning_->repaint();
}

void Tconnectiondialog2::clear_port_list() { port_->clear_items(); }

std::int32_t Tconnectiondialog2::add_port_item(const ShortText& name) {
  port_->add_item(name.view());
  return static_cast<std::int32_t>(port_->items().size());
}

std::uint8_t Tconnectiondialog2::port_kind_mask() const {
  return static_cast<std::uint8_t>(programmer::interface_port_kind_mask());
}

}  // namespace vx::programmer

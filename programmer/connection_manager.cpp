#include "programmer/connection_manager.h"

#include <array>

#include "interface/connection_settings.h"
#include "interface/engine_settings.h"
#include "programmer/connection_settings.h"
#include "programmer/trim_reference_field.h"

namespace vx::programmer {
namespace {

constexpr std::int32_t bdm_base_clock_hz = 33000000;

struct NumberFieldLayout {
  const char* name;
  const char* caption;
  const char* mask;
  const char* range_high;
  int x;
  int y;
};

// The delays in ms, the bus frequency in Hz; an I/O delay count beyond the
// load cap of 4096 is never kept.
constexpr std::array<NumberFieldLayout, 6> number_fields{{
    {"IODelayCount", "I/O delay count", "iiiiii", "4096", 16, 176},
    {"IODelayCount2", "I/O delay count", "iiiii", "4096", 196, 176},
    {"PowerDownDelay", "Power-down delay (ms)", "iiiiii", "999999", 16, 224},
    {"PowerUpDelay", "Power-up delay (ms)", "iiiiii", "999999", 196, 224},
    {"BusFrequency", "Bus frequency (Hz)", "iiiiiiiiii", "2147483647", 16, 272},
    {"ResetDelay", "Reset delay (ms)", "iiiiiiiiii", "65535", 196, 272},
}};

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
    : controller_(this),
      interface_type_(std::make_unique<ws::ComboBox>(this)),
      cpu_type_(std::make_unique<ws::ComboBox>(this)),
      cpu_type_label_(std::make_unique<ws::Label>(this)),
      bdm_speed_(std::make_unique<ws::ComboBox>(this)),
      port_(std::make_unique<ws::ComboBox>(this)),
      scanning_(std::make_unique<ws::Label>(this, "SCANNING")) {
  hide();
  set_caption("VELMORIX Connection Manager");
  // One choice below the other, wide enough for the longest entries.
  set_bounds(0, 0, 372, 376);
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
  controller_.Name = "OvcController1";
  MakeNumberFields();
  auto trim_label = std::make_unique<ws::Label>(this, "Trim reference (Hz)");
  trim_label->set_bounds(16, 320, 150, 13);
  labels_.push_back(std::move(trim_label));
  trim_reference_ = make_trim_reference_field(*this, "TrimReference");
  trim_reference_->set_bounds(16, 336, 150, trim_reference_->height());
  register_connection_manager_view(this);
}

void Tconnectiondialog2::MakeNumberFields() {
  for (std::size_t i = 0; i < number_field_count; ++i) {
    const NumberFieldLayout& layout = number_fields[i];
    auto label = std::make_unique<ws::Label>(this, layout.caption);
    label->set_bounds(layout.x, layout.y, 160, 13);
    labels_.push_back(std::move(label));
    auto field = std::make_unique<controls::TOvcNumericField>(this);
    field->Name = layout.name;
    field->set_bounds(layout.x, layout.y + 16, 150, field->height());
    field->SetDataType(controls::TNumericDataType::nftLongInt);
    field->SetPictureMask(layout.mask);
    field->SetOptions(0);
    field->SetRangeLo("0");
    field->SetRangeHi(layout.range_high);
    field->Loaded();
    numbers_[i] = std::move(field);
  }
}

void Tconnectiondialog2::ShowNumber(NumberField field, std::int32_t value) {
  numbers_[field]->SetAsString(std::to_string(value));
}

void Tconnectiondialog2::ShowSettings() {
  const ConnectionSettings& settings = connection_settings();
  ShowNumber(io_delay_count, settings.io_delay_cnt);
  ShowNumber(io_delay_count_2, settings.io_delay_cnt);
  ShowNumber(power_down_delay, settings.power_down_delay_ms);
  ShowNumber(power_up_delay, settings.power_up_delay_ms);
  ShowNumber(reset_delay, settings.reset_delay_ms);
  show_trim_reference(*trim_reference_, engine_settings().trim.custom_reference);
}

void Tconnectiondialog2::visibility_changed() {
  ws::Form::visibility_changed();
  if (visible()) ShowSettings();
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

#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "controls/controller.h"
#include "controls/numeric_field.h"
#include "controls/picture_field.h"
#include "interface/connection_manager_view.h"
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
class Tconnectiondialog2 final : public ws::Form, public ConnectionManagerView {
 public:
  static constexpr std::int32_t bdm_speed_count = 32;

  // Registers itself with the port scan for its lifetime.
  Tconnectiondialog2();
  ~Tconnectiondialog2() override;
  Tconnectiondialog2(const Tconnectiondialog2&) = delete;
  Tconnectiondialog2& operator=(const Tconnectiondialog2&) = delete;

  void show_scanning(bool visible) override;
  void clear_port_list() override;
  std::int32_t add_port_item(const ShortText& name) override;
  std::uint8_t port_kind_mask() const override;

  ws::ComboBox& InterfaceType() { return *interface_type_; }
  ws::ComboBox& CPUType() { return *cpu_type_; }
  // A list of one CPU type is shown as this label instead of a choice.
  ws::Label& CPUTypeLabel() { return *cpu_type_label_; }
  ws::ComboBox& BDMSpeed() { return *bdm_speed_; }
  // Filled by the port list routine with the detected ports of the chosen kind.
  ws::ComboBox& PCPort() { return *port_; }

  controls::TOvcController& OvcController1() { return controller_; }
  controls::TOvcNumericField& IODelayCount() { return *numbers_[io_delay_count]; }
  controls::TOvcNumericField& IODelayCount2() { return *numbers_[io_delay_count_2]; }
  controls::TOvcNumericField& PowerDownDelay() { return *numbers_[power_down_delay]; }
  controls::TOvcNumericField& PowerUpDelay() { return *numbers_[power_up_delay]; }
  controls::TOvcNumericField& BusFrequency() { return *numbers_[bus_frequency]; }
  controls::TOvcNumericField& ResetDelay() { return *numbers_[reset_delay]; }
  controls::TOvcPictureField& TrimReference() { return *trim_reference_; }

  // The fields take the connection settings; done whenever the window is shown.
  void ShowSettings();

 protected:
  void visibility_changed() override;

 private:
  enum NumberField { io_delay_count, io_delay_count_2, power_down_delay, power_up_delay, bus_frequency, reset_delay };
  static constexpr std::size_t number_field_count = 6;

  void MakeNumberFields();
  void ShowNumber(NumberField field, std::int32_t value);

  controls::TOvcController controller_;
  std::unique_ptr<ws::ComboBox> interface_type_;
  std::unique_ptr<ws::ComboBox> cpu_type_;
  std::unique_ptr<ws::Label> cpu_type_label_;
  std::unique_ptr<ws::ComboBox> bdm_speed_;
  std::unique_ptr<ws::ComboBox> port_;
  std::unique_ptr<ws::Label> scanning_;
  std::vector<std::unique_ptr<ws::Label>> labels_;
  std::array<std::unique_ptr<controls::TOvcNumericField>, number_field_count> numbers_;
  std::unique_ptr<controls::TOvcPictureField> trim_reference_;
};

}  // namespace vx::programmer

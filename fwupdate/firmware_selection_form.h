#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "foundation/short_text.h"
#include "fwupdate/device_rows.h"
#include "platform/ws/buttons.h"
#include "platform/ws/controls.h"
#include "platform/ws/edits.h"
#include "platform/ws/form.h"
#include "platform/ws/lists.h"

namespace vx::fwupdate {
class Taskupdate_bdmquorvex1;
}

namespace vx::updater {

// The web pages the window's links open.
inline constexpr const char* home_page = "https://www.velmorix.example/";
inline constexpr const char* universal_page = "https://www.velmorix.example/quorvex-universal";
inline constexpr const char* universal_fx_page = "https://www.velmorix.example/quorvex-universal-fx";
inline constexpr const char* osbdm_page = "https://www.velmorix.example/osbdm-osjtag";

// The updater's main window: four numbered steps (hardware type, device,
// architecture, firmware file), then "Update Firmware" opens the device,
// resets it and hands the file to the update engine.
class Tupdatefirmwareselectionform final : public ws::Form {
 public:
  static constexpr std::size_t max_rows = 20;
  static constexpr std::uint8_t step_hardware = 0, step_architecture = 1, step_device = 3, step_hide = 4;

  // `program_folder`: the program's directory with its separator at the end.
  Tupdatefirmwareselectionform(ShortText program_folder, fwupdate::Taskupdate_bdmquorvex1& progress);
  ~Tupdatefirmwareselectionform() override;

  void FormCreate();
  void FormShow();
  void FormResize();
  void HarwareTypeComboBoxChange() { update_selection_state(step_hardware); }
  void RefreshButtonClick() { update_selection_state(step_hardware); }
  void SelectDeviceComboboxChange() { update_selection_state(step_device); }
  void SelectArchitectureComboBoxChange() { update_selection_state(step_architecture); }
  void ManualFirmwareSelectButtonClick();
  void UpdateFirmwareButtonClick();
  void Label6Click();
  void Label7Click();
  void update_selection_state(std::uint8_t step);

  ws::Panel& Panel2() { return *panel2_; }
  ws::Image& Image1() { return *logo_; }
  ws::Label& Label4() { return *introduction_; }
  ws::Label& Label7() { return *home_link_; }
  ws::Panel& Panel1() { return *panel1_; }
  ws::ComboBox& HarwareTypeComboBox() { return *hardware_type_; }
  ws::Image& QuorvexUniversalImage() { return *universal_image_; }
  ws::Image& QuorvexUniversalFxImage() { return *fx_image_; }
  ws::Image& OSBDMImage() { return *osbdm_image_; }
  ws::Memo& QuorvexUniversalMemo() { return *universal_memo_; }
  ws::Memo& QuorvexUniversalFXMemo() { return *fx_memo_; }
  ws::Memo& OSBDMMemo() { return *osbdm_memo_; }
  ws::Label& Label6() { return *hardware_link_; }
  ws::Panel& DetectAndSelectDevicePanel() { return *device_panel_; }
  ws::ComboBox& SelectDeviceCombobox() { return *device_; }
  ws::Label& PortValueInterfaceLabel() { return *undetected_; }
  ws::Button& RefreshButton() { return *refresh_; }
  ws::Button& IdentifyUnitButton() { return *identify_; }
  ws::Panel& SelectArchitecturePanel() { return *architecture_panel_; }
  ws::ComboBox& SelectArchitectureComboBox() { return *architecture_; }
  ws::Panel& FirmwareFileSelectionPanel() { return *file_panel_; }
  ws::RadioButton& AutomaticFirmwareRadiobutton() { return *automatic_; }
  ws::Label& AutomaticFirmwareNameLabel() { return *automatic_name_; }
  ws::RadioButton& ManualFirmwareRadiobutton() { return *manual_; }
  ws::Button& ManualFirmwareSelectButton() { return *manual_select_; }
  ws::Label& ManualFirmwareNameLabel() { return *manual_name_; }
  ws::Button& UpdateFirmwareButton() { return *update_; }
  ws::Label& ResultLabel() { return *result_; }

  std::uint8_t selected_hardware_type() const { return selected_hardware_type_; }
  const std::vector<DeviceRow>& device_rows() const { return rows_; }
  const ShortText& automatic_firmware_file() const { return automatic_firmware_file_; }
  const ShortText& manual_firmware_file() const { return manual_firmware_file_; }
  const ShortText& last_firmware_pattern() const { return last_firmware_pattern_; }

 private:
  void show_hardware_type();
  void build_device_list();
  void choose_device();
  void choose_architecture_row();
  enum class UpdateEnd { ran, no_file, not_connected };
  UpdateEnd run_update();
  bool open_selected_device();
  void show_result(bool failed);

  ShortText program_folder_;
  fwupdate::Taskupdate_bdmquorvex1& progress_;
  std::uint8_t selected_hardware_type_ = 0;
  std::vector<DeviceRow> rows_;
  bool auto_select_architecture_ = false;
  ShortText automatic_firmware_file_, manual_firmware_file_;
  ShortText last_firmware_pattern_ = "Not Selected Yet";
  ShortText osbdm_firmware_pattern_ = "NotSupported.*";

  std::unique_ptr<ws::Panel> panel2_, panel1_, device_panel_, architecture_panel_, file_panel_;
  std::unique_ptr<ws::Image> logo_, universal_image_, fx_image_, osbdm_image_;
  std::unique_ptr<ws::Label> introduction_, home_link_, hardware_label_, information_label_, hardware_link_,
      device_label_, undetected_, architecture_label_, file_label_, automatic_name_, manual_name_, result_;
  std::unique_ptr<ws::ComboBox> hardware_type_, device_, architecture_;
  std::unique_ptr<ws::Memo> universal_memo_, fx_memo_, osbdm_memo_;
  std::unique_ptr<ws::Button> refresh_, identify_, manual_select_, update_;
  std::unique_ptr<ws::RadioButton> automatic_, manual_;
};

}  // namespace vx::updater

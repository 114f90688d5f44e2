#include "fwupdate/firmware_selection_form.h"

#include <exception>
#include <filesystem>
#include <system_error>
#include <string_view>

#include "foundation/kstring.h"
#include "foundation/run_control.h"
#include "foundation/system_helpers.h"
#include "fwupdate/architecture_table.h"
#include "fwupdate/file_helpers.h"
#include "fwupdate/osbdm_binding.h"
#include "fwupdate/selection_pictures.h"
#include "fwupdate/update_decision.h"
#include "fwupdate/update_progress_form.h"
#include "fwupdate/updater_link.h"
#include "fwupdate/updater_usb_ports.h"
#include "interface/byte_protocol.h"
#include "interface/firmware_request.h"
#include "interface/link_state.h"
#include "interface/port_ranges.h"
#include "interface/port_table.h"
#include "interface/usb_routing.h"
#include "platform/ws/application.h"
#include "platform/ws/color.h"
#include "platform/ws/font.h"
#include "platform/ws/placed_controls.h"
#include "platform/ws/shell.h"

namespace vx::updater {
namespace {

constexpr const char* universal_caption =
    "Universal Quorvex Firmware Update and Architecture Selection Utility - Version 1.09";
constexpr const char* osbdm_caption = "Quorvex/Osbdm Firmware Update and Architecture Selection Utility - Version 1.09";
constexpr const char* introduction =
    "New versions of VLX's software products automatically update the firmware of the different hardware "
    "interfaces as necessary. This application allows updating/configuration of the hardware for use with older "
    "applications which do not have this capability.";
constexpr const char* osbdm_item = "OSBDM/OSJTAG - Embedded debug circuitry in Freescale Tower boards";
constexpr const char* undetected_text = "Undetected. Disconnect/Connect USB cable. Click Refresh List.";
constexpr const char* connect_error = "Error connecting to hardware.";
constexpr std::uint8_t universal_subcommand_base = 128;
constexpr int form_width = 669, form_height = 583;
constexpr int manual_button_left = 204, manual_button_left_board = 270;

// The memos' apostrophe is the single-byte right single quotation mark.
const std::vector<std::string> universal_lines{
    "VLX\x92s Quorvex Universal is an all-in-one development interface which",
    "allows a PC access to the Debug Mode on Freescale Kinetis, ColdFire V1/+V1,",
    "ColdFire V2-4, Qorivva 55xx/56xx, HCS08,  HC(S)12(X), RS08, and DSC",
    "microcontrollers . It connects between a USB port on a Windows machine and",
    "the standard debug connector on the target. The Freescale microcontrollers are",
    "supported via the multiple headers located on the Quorvex Universal.",
};
const std::vector<std::string> universal_fx_lines{
    "VLX\x92s Quorvex Universal FX is a high speed, powerful, all-in-one development interface",
    "which allows a PC access to the Debug Mode on Freescale Kinetis, ColdFire V1/+V1,",
    "ColdFire V2-4, Qorivva 55xx/56xx, HCS08,  HC(S)12(X), RS08, DSC, 68HC16, and 63xxx",
    "microcontrollers . It connects between a USB port on a Windows machine and the",
    "standard debug connector on the target. The Freescale microcontrollers are supported via",
    "the multiple headers located on the Quorvex Universal.",
};
const std::vector<std::string> osbdm_lines{
    "Freescale embeds an open source debug processor in many of it's Tower cards and",
    "Demonstration boards. VLX has taken a leading role, along with the open source",
    "community, in maintaining and updating the firmware of this hardware. This utility allows",
    "updating of the firmware of these boards.",
    "",
    "The Quorvex Universal is a much higher speed, more fully featured, interface designed to",
    "work either with the tower cards or the user's own target hardware.",
};

std::unique_ptr<ws::Button> make_button(ws::Window* parent, std::string_view caption, int left, int top, int width) {
  auto button = ws::make_control<ws::Button>(parent, left, top, width, 25);
  button->set_caption(caption);
  return button;
}

std::unique_ptr<ws::Image> make_picture(ws::Window* parent, ws::Picture picture, int left, int top) {
  auto image = ws::make_control<ws::Image>(parent, left, top, picture.width, picture.height);
  image->set_picture(std::move(picture));
  image->hide();
  return image;
}

std::unique_ptr<ws::Memo> make_memo(ws::Window* parent, const std::vector<std::string>& lines) {
  auto memo = ws::make_control<ws::Memo>(parent, 164, 40, 497, 126);
  // The lines are the texts' own; a smaller face keeps the longest inside the memo.
  memo->set_font({.height = 10});
  memo->set_lines(lines);
  memo->set_tab_stop(false);
  memo->hide();
  return memo;
}

const ws::Font bold{.bold = true};
const ws::Font link_font{.underline = true, .color = ws::color::blue};

// A link label shows its white background while the pointer is over it.
void make_link(ws::Label& label, std::function<void()> open) {
  label.set_color(ws::color::white);
  label.set_transparent(true);
  label.on_click = [open = std::move(open)](ws::Window&) { open(); };
  label.on_mouse_enter = [&label](ws::Window&) { label.set_transparent(false); };
  label.on_mouse_leave = [&label](ws::Window&) { label.set_transparent(true); };
}

// Any entry named like "osbdmens*.*", letters in either case, as the file searches match.
bool any_board_firmware_beside(const ShortText& folder) {
  constexpr std::string_view stem = "osbdmens";
  std::error_code failed;
  for (std::filesystem::directory_iterator entry(folder.str(), failed), end; !failed && entry != end;
       entry.increment(failed)) {
    const std::string name = lower_case(ShortText(entry->path().filename().string())).str();
    if (name.starts_with(stem) && name.find('.', stem.size()) != std::string::npos) return true;
  }
  return false;
}

}  // namespace

Tupdatefirmwareselectionform::Tupdatefirmwareselectionform(ShortText program_folder,
                                                           fwupdate::Taskupdate_bdmquorvex1& progress)
    : program_folder_(std::move(program_folder)), progress_(progress) {
  set_caption(universal_caption);
  set_bounds((ws::screen_width() - form_width) / 2, (ws::screen_height() - form_height) / 2, form_width,
             form_height);
  set_color(ws::color::button_face);

  panel2_ = ws::make_control<ws::Panel>(this, 0, 0, form_width, 75);
  panel2_->set_align(ws::Align::top);
  logo_ = make_picture(panel2_.get(), draw_logo(), 8, 5);
  logo_->show();
  logo_->on_click = [this](ws::Window&) { Label7Click(); };
  introduction_ = ws::make_label(panel2_.get(), introduction, 84, 6, ws::Font{});
  introduction_->set_auto_size(false);
  introduction_->set_word_wrap(true);
  introduction_->set_bounds(84, 6, 570, 42);
  home_link_ = ws::make_label(panel2_.get(), "www.velmorix.example", 84, 52, link_font);
  make_link(*home_link_, [this] { Label7Click(); });

  panel1_ = ws::make_control<ws::Panel>(this, 0, 75, form_width, 200);
  hardware_label_ = ws::make_label(panel1_.get(), "1. Select Hardware Type : ", 8, 12, bold);
  hardware_type_ = ws::make_control<ws::ComboBox>(panel1_.get(), 180, 8, 481, 21);
  hardware_type_->set_font(bold);
  hardware_type_->set_items({"Quorvex Universal - Low cost Debug Interface",
                             "Quorvex Universal FX - High Speed Debug Interface"});
  hardware_type_->set_item_index(0);
  hardware_type_->on_change = [this](ws::ComboBox&) { HarwareTypeComboBoxChange(); };
  universal_image_ = make_picture(panel1_.get(), draw_universal(), 8, 44);
  fx_image_ = make_picture(panel1_.get(), draw_universal_fx(), 8, 44);
  osbdm_image_ = make_picture(panel1_.get(), draw_osbdm_board(), 8, 44);
  universal_memo_ = make_memo(panel1_.get(), universal_lines);
  fx_memo_ = make_memo(panel1_.get(), universal_fx_lines);
  osbdm_memo_ = make_memo(panel1_.get(), osbdm_lines);
  information_label_ = ws::make_label(panel1_.get(), "Information : ", 8, 176, bold);
  hardware_link_ = ws::make_label(panel1_.get(), "Click this link for more information on this hardware",
                              16 + information_label_->width(), 176, link_font);
  make_link(*hardware_link_, [this] { Label6Click(); });

  device_panel_ = ws::make_control<ws::Panel>(this, 0, 275, form_width, 76);
  device_label_ = ws::make_label(device_panel_.get(), "2. Select Device : ", 8, 12, bold);
  device_ = ws::make_control<ws::ComboBox>(device_panel_.get(), 200, 8, 450, 21);
  device_->on_change = [this](ws::ComboBox&) { SelectDeviceComboboxChange(); };
  undetected_ = ws::make_label(device_panel_.get(), "", 200, 12, {.bold = true, .color = ws::color::maroon});
  undetected_->hide();
  refresh_ = make_button(device_panel_.get(), "Refresh list of devices", 200, 40, 170);
  refresh_->on_click = [this](ws::Window&) { RefreshButtonClick(); };
  identify_ = make_button(device_panel_.get(), "Identify unit by blinking LEDs", 380, 40, 200);
  identify_->hide();
  identify_->set_enabled(false);

  architecture_panel_ = ws::make_control<ws::Panel>(this, 0, 351, form_width, 40);
  architecture_label_ = ws::make_label(architecture_panel_.get(), "3. Select Architecture to Support : ", 8, 12, bold);
  architecture_ = ws::make_control<ws::ComboBox>(architecture_panel_.get(), 260, 8, 390, 21);
  architecture_->on_change = [this](ws::ComboBox&) { SelectArchitectureComboBoxChange(); };
  architecture_panel_->hide();

  file_panel_ = ws::make_control<ws::Panel>(this, 0, 391, form_width, 84);
  file_label_ = ws::make_label(file_panel_.get(), "4. Firmware File Selection : ", 8, 6, bold);
  automatic_ = ws::make_control<ws::RadioButton>(file_panel_.get(), 8, 30, 190, 17);
  automatic_->set_caption("Automatic");
  automatic_->set_checked(true);
  automatic_name_ = ws::make_label(file_panel_.get(), "Unselected ", manual_button_left, 32, bold);
  manual_ = ws::make_control<ws::RadioButton>(file_panel_.get(), 8, 56, 194, 17);
  manual_->set_caption("Choose Firmware Update File");
  manual_select_ = make_button(file_panel_.get(), "Select", manual_button_left, 52, 60);
  manual_select_->on_click = [this](ws::Window&) { ManualFirmwareSelectButtonClick(); };
  manual_name_ = ws::make_label(file_panel_.get(), "Unselected ", manual_button_left + 70, 56, bold);
  file_panel_->hide();

  update_ = make_button(this, "Update Firmware", 8, 490, 160);
  update_->set_font(bold);
  update_->on_click = [this](ws::Window&) { UpdateFirmwareButtonClick(); };
  result_ = ws::make_label(this, "Ready", 190, 492, {.height = 16, .bold = true, .color = ws::color::white});

  on_show = [this](ws::Form&) { FormShow(); };
  on_resize = [this](ws::Window&) { FormResize(); };
}

Tupdatefirmwareselectionform::~Tupdatefirmwareselectionform() = default;

void Tupdatefirmwareselectionform::FormCreate() {
  if (!any_board_firmware_beside(program_folder_)) return;
  hardware_type_->add_item(osbdm_item);
  set_caption(osbdm_caption);
}

void Tupdatefirmwareselectionform::FormShow() { update_selection_state(step_hardware); }

void Tupdatefirmwareselectionform::FormResize() {
  const int width = client_rect().width();
  for (ws::Panel* panel : {panel1_.get(), file_panel_.get(), architecture_panel_.get(), device_panel_.get()}) {
    panel->set_bounds(panel->left(), panel->top(), width, panel->height());
  }
}

void Tupdatefirmwareselectionform::Label6Click() {
  switch (selected_hardware_type_) {
    case quorvex_universal: ws::open_url(universal_page); break;
    case quorvex_universal_fx: ws::open_url(universal_fx_page); break;
    case osbdm_board: ws::open_url(osbdm_page); break;
    default: ws::open_url(home_page); break;
  }
}

void Tupdatefirmwareselectionform::Label7Click() { ws::open_url(home_page); }

void Tupdatefirmwareselectionform::update_selection_state(std::uint8_t step) {
  switch (step) {
    case step_hardware: build_device_list(); break;
    case step_architecture: choose_architecture_row(); break;
    case step_device: choose_device(); break;
    case step_hide:
      architecture_panel_->hide();
      file_panel_->hide();
      update_->hide();
      identify_->set_enabled(false);
      break;
    default: break;
  }
}

void Tupdatefirmwareselectionform::show_hardware_type() {
  const int index = hardware_type_->item_index();
  if (index < quorvex_universal || index > osbdm_board) return;
  selected_hardware_type_ = static_cast<std::uint8_t>(index);
  updater_usb_ports().usb_device_family =
      index == osbdm_board ? UpdaterUsbPorts::family_osbdm : UpdaterUsbPorts::family_windriver;
  universal_image_->set_visible(index == quorvex_universal);
  universal_memo_->set_visible(index == quorvex_universal);
  fx_image_->set_visible(index == quorvex_universal_fx);
  fx_memo_->set_visible(index == quorvex_universal_fx);
  osbdm_image_->set_visible(index == osbdm_board);
  osbdm_memo_->set_visible(index == osbdm_board);
  fwupdate::firmware_request().update_link_kind = fwupdate::usb_link;
}

void Tupdatefirmwareselectionform::build_device_list() {
  automatic_firmware_file_ = ShortText();
  show_hardware_type();
  update_selection_state(step_hide);
  refresh_->set_enabled(false);
  const std::int32_t total = enumerate_devices();
  refresh_->set_enabled(true);
  auto_select_architecture_ = true;
  rows_.clear();
  for (std::int32_t i = 1; i <= total; ++i) {
    std::optional<DeviceRow> row = device_row(selected_hardware_type_, vx::GET_USB_DEVICE_DESCRIPTION(i));
    // The table has no room for more.
    if (!row || rows_.size() == max_rows) continue;
    row->port = port_of(PortRange::usb_interface, i);
    rows_.push_back(*row);
  }
  if (rows_.empty()) {
    device_->hide();
    undetected_->set_caption(undetected_text);
    undetected_->show();
    return;
  }
  std::vector<std::string> texts;
  for (const DeviceRow& row : rows_) texts.push_back(row.text.str());
  device_->set_items(texts);
  device_->set_item_index(0);
  device_->show();
  undetected_->hide();
  update_selection_state(step_device);
}

void Tupdatefirmwareselectionform::choose_device() {
  architecture_->set_items(architecture_items(selected_hardware_type_));
  architecture_->set_item_index(-1);
  architecture_panel_->show();
  const int device = device_->item_index();
  if (auto_select_architecture_ && device >= 0 && device < static_cast<int>(rows_.size()) &&
      rows_[static_cast<std::size_t>(device)].suggested_architecture < architecture_->item_count()) {
    architecture_->set_item_index(rows_[static_cast<std::size_t>(device)].suggested_architecture);
    update_selection_state(step_architecture);
  }
  auto_select_architecture_ = false;
}

void Tupdatefirmwareselectionform::choose_architecture_row() {
  osbdm_firmware_pattern_ = choose_architecture(static_cast<std::uint32_t>(architecture_->item_index()));
  const FirmwareNameSet& names = updater_link().names;
  const ShortText pattern = selected_hardware_type_ == quorvex_universal      ? names.universal_pattern
                            : selected_hardware_type_ == quorvex_universal_fx ? names.universal_fx_pattern
                                                                             : osbdm_firmware_pattern_;
  fwupdate::firmware_request().update_search_pattern = program_folder_ + pattern;
  if (pattern != last_firmware_pattern_) {
    manual_firmware_file_ = ShortText();
    manual_name_->set_caption("Unselected");
    last_firmware_pattern_ = pattern;
    automatic_->set_checked(true);
    const bool board = selected_hardware_type_ == osbdm_board;
    manual_->set_caption(board ? "Choose Firmware Update File or S-Record" : "Choose Firmware Update File");
    manual_->set_bounds(manual_->left(), manual_->top(), board ? 260 : 194, manual_->height());
    const int button_left = board ? manual_button_left_board : manual_button_left;
    manual_select_->set_bounds(button_left, manual_select_->top(), manual_select_->width(), manual_select_->height());
    manual_name_->set_bounds(button_left + 70, manual_name_->top(), manual_name_->width(), manual_name_->height());
  }
  if (fwupdate::find_update_firmware_file()) {
    automatic_firmware_file_ = fwupdate::update_decision().update_file_name;
    automatic_name_->set_caption(file_name_part(automatic_firmware_file_).view());
  } else {
    automatic_firmware_file_ = ShortText();
    automatic_name_->set_caption("Not Found");
  }
  file_panel_->show();
  update_->show();
}

void Tupdatefirmwareselectionform::ManualFirmwareSelectButtonClick() {
  manual_firmware_file_ = ShortText();
  manual_name_->set_caption("Unselected");
  const ShortText architecture_text = architecture_->item_index() >= 0
                                          ? ShortText(architecture_->items()[static_cast<std::size_t>(
                                                architecture_->item_index())])
                                          : ShortText();
  const bool board = selected_hardware_type_ == osbdm_board;
  const ShortText title = board ? "Specify OSBDM/OSJTAG " + architecture_text + " Firmware File"
                                : "Specify Quorvex " + architecture_text + " Firmware File";
  const std::string pattern = last_firmware_pattern_.str();
  const std::string filter = board ? "VLX OSBDM/OSJTAG Firmware (" + pattern + ") | " + pattern + ";*.s19"
                                   : "VLX Quorvex Firmware (" + pattern + ") | " + pattern;
  fwupdate::FileChoice choice{.file_name = ShortText(), .default_directory = program_folder_};
  if (!fwupdate::select_file_dialog(choice, title, false, filter)) return;
  if (!board) {
    const char* required = selected_hardware_type_ == quorvex_universal ? "usbqxfs20" : "usbqxfx20";
    if (lower_case(file_name_part(choice.file_name)).view().find(required) == std::string_view::npos) {
      safe_message_dlg(0, "The firmware file selected is not valid for this hardware.", platform::DialogKind::error,
                       platform::button_ok, 0);
      return;
    }
  }
  manual_->set_checked(true);
  manual_firmware_file_ = choice.file_name;
  manual_name_->set_caption(file_name_part(manual_firmware_file_).view());
}

void Tupdatefirmwareselectionform::show_result(bool failed) {
  set_color(failed ? ws::color::maroon : ws::color::green);
  result_->set_caption(failed ? "Last Result = Failure" : "Last Result = Success");
}

bool Tupdatefirmwareselectionform::open_selected_device() {
  const bool board = selected_hardware_type_ == osbdm_board;
  if (board && upper_case(ShortText(device_->text())).view().find("BOOTLOADER") != std::string_view::npos) {
    if (!osbdm_bootloader_open_device_in_bootloader_mode()) return false;
    updater_usb_ports().usb_device_family = UpdaterUsbPorts::family_osbdm;
    link_state().interface_class = InterfaceClass::usb_interface;
    return true;
  }
  const DeviceRow& row = rows_[static_cast<std::size_t>(device_->item_index())];
  const bool loaded = LOAD_PORT_DRIVER(static_cast<std::uint16_t>(row.port));
  updater_link().check_firmware_once = false;
  RESET_CABLE();
  return loaded && link_state().link_status != 0;
}

Tupdatefirmwareselectionform::UpdateEnd Tupdatefirmwareselectionform::run_update() {
  fwupdate::UpdateDecision& decision = fwupdate::update_decision();
  fwupdate::FirmwareRequest& request = fwupdate::firmware_request();
  UpdaterLink& link = updater_link();
  decision.update_failed = false;
  byte_protocol().command_offset = universal_subcommand_base;
  request.update_link_kind = fwupdate::usb_link;
  link.flash_version_major = link.flash_version_minor = 0;
  request.interface_firmware_version = 0;
  request.use_explicit_file = true;
  request.explicit_firmware_file = automatic_->checked() ? automatic_firmware_file_ : manual_firmware_file_;
  if (trim(request.explicit_firmware_file).empty()) {
    request.use_explicit_file = false;
    return UpdateEnd::no_file;
  }
  progress_.Label1().hide();
  progress_.Label2().hide();
  progress_.Label4().hide();
  progress_.currentfirmwarelabel().hide();
  progress_.updatefirmwarelabel().set_caption(file_name_part(request.explicit_firmware_file).view());
  if (!open_selected_device()) {
    request.use_explicit_file = false;
    return UpdateEnd::not_connected;
  }
  decision.windriver_interface = updater_usb_ports().usb_device_family == UpdaterUsbPorts::family_windriver;
  decision.universal_kind = updater_usb_ports().universal_kind;
  {
    const SignalEndingHold hold_signal_ending;
    fwupdate::ask_update_firmware(ShortText());
  }
  request.use_explicit_file = false;
  close_all_ports();
  update_selection_state(step_hardware);
  // Only an update that ran to its end counts: a file gone since it was chosen runs none.
  show_result(decision.update_failed || !decision.update_done);
  return UpdateEnd::ran;
}

void Tupdatefirmwareselectionform::UpdateFirmwareButtonClick() {
  if (device_->item_index() < 0 || !device_->visible()) return;
  const std::string result_before = result_->caption();
  const ws::Color colour_before = color();
  update_->set_enabled(false);
  result_->set_caption("Updating ...");
  set_color(ws::color::button_face);
  UpdateEnd end = UpdateEnd::not_connected;
  try {
    end = run_update();
  } catch (const std::exception&) {
    fwupdate::firmware_request().use_explicit_file = false;
  }
  if (end == UpdateEnd::no_file) {
    safe_message_dlg(0, "Error - no firmware file selected.", platform::DialogKind::error, platform::button_ok, 0);
    // Nothing ran: the window shows what it showed before.
    result_->set_caption(result_before);
    set_color(colour_before);
  } else if (end == UpdateEnd::not_connected) {
    safe_message_dlg(0, connect_error, platform::DialogKind::error, platform::button_ok, 0);
    show_result(true);
  }
  update_->set_enabled(true);
}

}  // namespace vx::updater

#include "utilities/osbdm_update_firmware_form.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/atomic_file.h"
#include "foundation/file_checks.h"
#include "foundation/kstring.h"
#include "foundation/settings_file.h"
#include "foundation/system_helpers.h"
#include "fwupdate/file_helpers.h"
#include "fwupdate/update_pictures.h"
#include "platform/ws/application.h"
#include "platform/ws/color.h"
#include "platform/ws/drawing.h"
#include "platform/ws/font.h"
#include "platform/ws/placed_controls.h"
#include "platform/ws/shell.h"
#include "utilities/kexec.h"

namespace vx::utilities {
namespace {

constexpr const char* caption_text = "OSBDM Firmware Update Utility - Version 1.03 - www.velmorix.example";
constexpr const char* settings_section = "Settings";
constexpr const char* dialog_title = "Choose OSBDM Firmware Version";
constexpr const char* dialog_filter = "Motorola S19 Object (*.s19)|*.s19";
constexpr const char* method_text =
    "Use a VLX USB Quorvex (USB-QX-12E), or a USB Quorvex Universal,  to update the embedded OSBDM/OSJTAG firmware";
constexpr int form_width = 646, form_height = 473;

constexpr const char* instructions[] = {
    "This utility reprograms the firmware of an OSBDM or OSJTAG design in a fail-safe way, whether the board's "
    "9S08JM60 device is working, corrupted or blank.",
    "",
    "You need a VLX USB Quorvex interface, connected to this PC by USB and to the board by its 6-pin ribbon cable. "
    "Connect the cable to the header that programs the board's 9S08JM60: boards often have several 6-pin headers.",
    "",
    "The board must be powered. The interface's yellow LED lights when it detects the board's power.",
};

// The instructions broken into lines that fit the memo.
std::vector<std::string> memo_lines(const ws::Font& font, int width) {
  std::vector<std::string> lines;
  for (const char* paragraph : instructions) {
    const std::vector<std::string> wrapped = ws::wrap_text(font, paragraph, width);
    if (wrapped.empty()) lines.emplace_back();
    lines.insert(lines.end(), wrapped.begin(), wrapped.end());
  }
  return lines;
}

ws::Font label_font(ws::Color color, bool bold = false) { return {.bold = bold, .color = color}; }

}  // namespace

std::string rescue_command_file(const std::string& directory, const std::string& firmware_file) {
  const std::string gap(12, ' ');
  const std::string lines[] = {
      "CM " + directory + algorithm_file_name + gap + "; Select 9S08JM60 device",
      "SS " + firmware_file + gap + "; Choose firmware file as data source",
      "EM" + gap + "; Erase the entire device",
      "PM" + gap + "; Program the firmware to the device ",
      "PT" + gap + "; Program accurate device trim ",
      "VC" + gap + "; Verify that firmware programming occured properly",
      "RE" + gap,
      "GO" + gap + "; Start OSBDM Firmware running",
      "QU",
  };
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

std::string rescue_parameters(const std::string& directory) {
  return "! \"" + directory + command_file_name + "\" PORT=USB1 INTERFACE=USBQUORVEX /logfile \"" + directory +
         log_file_name + "\"";
}

TForm1::TForm1(std::string program_directory) : directory_(std::move(program_directory)) {
  set_caption(caption_text);
  set_border_style(ws::BorderStyle::single);
  set_bounds((ws::screen_width() - form_width) / 2, (ws::screen_height() - form_height) / 2, form_width,
             form_height);

  label1_ = ws::make_label(this, "Firmware file to program : ", 8, 10, label_font(ws::color::window_text));
  firmware_name_ = ws::make_label(this, "Unselected ", 8 + label1_->width(), 10, label_font(ws::color::window_text, true));

  memo_ = ws::make_control<ws::Memo>(this, 4, 32, 638, 124);
  memo_->set_lines(memo_lines(memo_->font(), memo_->width() - 16));
  memo_->set_tab_stop(false);

  panel_ = ws::make_control<ws::Panel>(this, 4, 162, 638, 100);
  ws::Picture picture = fwupdate::draw_usb_interface();
  image_ = ws::make_control<ws::Image>(panel_.get(), 8, (100 - picture.height) / 2, picture.width, picture.height);
  image_->set_picture(std::move(picture));
  const int method_left = 16 + image_->width();
  method_box_ = ws::make_control<ws::GroupBox>(panel_.get(), method_left, 8, 638 - method_left - 8, 84);
  method_box_->set_caption("Update Methodology");
  // A radio button draws its caption on one line, too long for the box: the
  // button shows its mark and a wrapped label beside it shows the caption.
  method_ = ws::make_control<ws::RadioButton>(method_box_.get(), 8, 24, 16, 16);
  method_->set_caption(method_text);
  method_->set_checked(true);
  method_text_ = std::make_unique<ws::Label>(method_box_.get());
  method_text_->set_word_wrap(true);
  method_text_->set_bounds(28, 22, method_box_->width() - 36, 40);
  method_text_->set_caption(method_text);
  method_text_->on_click = [this](ws::Window&) { method_->click(); };

  select_ = ws::make_control<ws::Button>(this, 8, 274, 110, 25);
  select_->set_caption("Select ...");
  select_->on_click = [this](ws::Window&) { Button1Click(); };
  set_active_control(select_.get());
  update_ = ws::make_control<ws::Button>(this, 128, 274, 130, 25);
  update_->set_caption("Update Firmware");
  update_->set_enabled(false);
  update_->on_click = [this](ws::Window&) { UpdateButtonClick(); };

  status_box_ = ws::make_control<ws::GroupBox>(this, 8, 312, 300, 118);
  status_box_->set_caption("Current Status of the VLX Programmer ... ");
  status_ = ws::make_label(status_box_.get(), "Not Running.", 16, 32, label_font(ws::color::navy));
  result_box_ = ws::make_control<ws::GroupBox>(this, 320, 312, 318, 118);
  result_box_->set_caption("Last result of VLX Programmer ...");
  result_ = ws::make_label(result_box_.get(), "None.", 16, 32, label_font(ws::color::navy));
  show_log_ = ws::make_control<ws::Button>(result_box_.get(), 16, 78, 130, 25);
  show_log_->set_caption("Show Logfile ...");
  // A font of its own: the box's turns white with the result, the button keeps the form's.
  show_log_->set_font(label_font(ws::color::window_text));
  show_log_->set_enabled(false);
  show_log_->on_click = [this](ws::Window&) { showlogfilebuttonClick(); };
}

TForm1::~TForm1() = default;

// Nothing when the name would not fit: a cut name would be another file.
std::optional<ShortText> TForm1::settings_file() const {
  const std::string name = file(settings_file_name);
  if (name.size() > ShortText::max_length) return std::nullopt;
  return ShortText(name);
}

void TForm1::FormCreate() {
  std::string program_directory = directory_;
  if (program_directory.size() > 1 && program_directory.back() == '/') program_directory.pop_back();
  default_directory_ = program_directory;
  firmware_file_name_ = ShortText();
  if (const std::optional<ShortText> settings = settings_file()) {
    GET_INI_STRING_REAL(*settings, settings_section, "Path", default_directory_, false, program_directory);
    GET_INI_STRING_REAL(*settings, settings_section, "FirmwareFileName", firmware_file_name_, false, "");
  }
  if (!firmware_file_name_.empty() && valid_file_exists(firmware_file_name_)) {
    firmware_name_->set_caption(file_name_part(firmware_file_name_).view());
    update_->set_enabled(true);
  }
}

void TForm1::FormDestroy() {
  const std::optional<ShortText> settings = settings_file();
  if (!settings) return;
  PUT_INI_STRING_REAL(*settings, settings_section, "Path", false, default_directory_);
  PUT_INI_STRING_REAL(*settings, settings_section, "FirmwareFileName", false, firmware_file_name_);
}

void TForm1::Button1Click() {
  // Given the chosen file's name the dialog would take that file again without opening, so the
  // user could never pick another: it opens on the folder of the last choice instead.
  fwupdate::FileChoice choice{.file_name = ShortText(), .default_directory = default_directory_};
  if (fwupdate::select_file_dialog(choice, dialog_title, true, dialog_filter)) {
    firmware_file_name_ = choice.file_name;
    default_directory_ = choice.default_directory;
    firmware_name_->set_caption(file_name_part(firmware_file_name_).view());
    update_->set_enabled(true);
  } else {
    firmware_file_name_ = ShortText();
    firmware_name_->set_caption("Unselected");
    update_->set_enabled(false);
  }
}

void TForm1::show_running() {
  status_box_->set_color(ws::color::navy);
  status_box_->set_font(label_font(ws::color::white));
  status_->set_font(label_font(ws::color::white));
  status_->set_caption("Running...");
  result_->set_caption("None.");
  result_box_->set_color(ws::color::button_face);
  result_box_->set_font(label_font(ws::color::black));
  result_->set_font(label_font(ws::color::black));
  update_->set_enabled(false);
}

void TForm1::show_not_running() {
  update_->set_enabled(true);
  status_box_->set_color(ws::color::button_face);
  status_box_->set_font(label_font(ws::color::black));
  status_->set_font(label_font(ws::color::black));
  status_->set_caption("Not Running.");
  result_->set_font(label_font(ws::color::black));
}

void TForm1::show_result(std::uint16_t result) {
  if (result != 0) {
    result_->set_caption("Error " + std::to_string(result) + " occured.");
    result_box_->set_color(ws::color::maroon);
  } else {
    result_->set_caption("Success.");
    result_box_->set_color(ws::color::green);
  }
  result_->set_font(label_font(ws::color::white));
  result_box_->set_font(label_font(ws::color::white));
  show_log_->set_enabled(true);
}

// A command file that cannot be written must not leave the programmer to run an old one.
bool TForm1::write_command_file() {
  const std::string path = file(command_file_name);
  errno = 0;
  if (replace_file_atomically(path, rescue_command_file(directory_, firmware_file_name_.str()))) return true;
  const std::string reason = errno != 0 ? std::strerror(errno) : "the file could not be written";
  safe_message_dlg(0, "Cannot write the command file " + path + ": " + reason, platform::DialogKind::error,
                   platform::button_ok, 0);
  return false;
}

void TForm1::UpdateButtonClick() {
  show_running();
  repaint();
  if (!write_command_file()) {
    show_not_running();
    return;
  }
  exec_program(file(programmer_file_name), rescue_parameters(directory_), true);
  show_not_running();
  show_result(kexec_state().exec_result);
}

void TForm1::showlogfilebuttonClick() {
  show_log_->set_enabled(false);
  const std::string log = file(log_file_name);
  exec_program_short(log_viewer, "\"" + log + "\"", false);
  // Without a viewer the click would otherwise do nothing at all.
  if (const std::uint16_t result = kexec_state().exec_result; result != 0) {
    safe_message_dlg(0, "Cannot open the log file " + log + ": " + log_viewer + " could not be started (" +
                            std::strerror(result) + ").",
                     platform::DialogKind::error, platform::button_ok, 0);
  }
  show_log_->set_enabled(true);
}

}  // namespace vx::utilities

#pragma once

#include <memory>
#include <optional>
#include <string>

#include "foundation/short_text.h"
#include "platform/ws/buttons.h"
#include "platform/ws/controls.h"
#include "platform/ws/edits.h"
#include "platform/ws/form.h"

namespace vx::utilities {

// The files fwrescue keeps beside itself.
inline constexpr const char* settings_file_name = "Settings.Ini";
inline constexpr const char* command_file_name = "OSBDMUPDATECMDLINE.CFG";
inline constexpr const char* algorithm_file_name = "9S08JM60.S8p";
inline constexpr const char* programmer_file_name = "OSBDMCQUILLJM60.EXE";
inline constexpr const char* log_file_name = "firmwareupdate.log";
// Opens the log in the desktop's editor for its kind of file.
inline constexpr const char* log_viewer = "xdg-open";

// The command file that has the programmer restore the firmware file on an
// OSBDM board's 9S08JM60; `directory` ends with its separator.
std::string rescue_command_file(const std::string& directory, const std::string& firmware_file);
// The programmer's parameters for that command file, with the log beside it.
std::string rescue_parameters(const std::string& directory);

// The recovery window: the user picks a firmware file and has the flash
// programmer beside the program write it to the board through a USB interface.
class TForm1 final : public ws::Form {
 public:
  // `program_directory`: where the programmer, its files and the settings
  // are, with its separator at the end.
  explicit TForm1(std::string program_directory);
  ~TForm1() override;

  void FormCreate();
  void FormDestroy();
  void Button1Click();
  void UpdateButtonClick();
  void showlogfilebuttonClick();

  ws::Label& Label1() { return *label1_; }
  ws::Label& FirmwareNameLabel() { return *firmware_name_; }
  ws::Memo& Memo1() { return *memo_; }
  ws::Button& Button1() { return *select_; }
  ws::Button& UpdateButton() { return *update_; }
  ws::GroupBox& GroupBox2() { return *status_box_; }
  ws::Label& Label6() { return *status_; }
  ws::GroupBox& GroupBox3() { return *result_box_; }
  ws::Label& Label5() { return *result_; }
  ws::Button& showlogfilebutton() { return *show_log_; }
  ws::Panel& Panel1() { return *panel_; }
  ws::Image& Image1() { return *image_; }
  ws::GroupBox& GroupBox1() { return *method_box_; }
  ws::RadioButton& RadioButton1() { return *method_; }

  const ShortText& default_directory() const { return default_directory_; }
  const ShortText& firmware_file_name() const { return firmware_file_name_; }

 private:
  std::string file(const char* name) const { return directory_ + name; }
  std::optional<ShortText> settings_file() const;
  void show_running();
  void show_not_running();
  void show_result(std::uint16_t result);
  bool write_command_file();

  std::string directory_;
  ShortText default_directory_;
  ShortText firmware_file_name_;
  std::unique_ptr<ws::Label> label1_, firmware_name_;
  std::unique_ptr<ws::Memo> memo_;
  std::unique_ptr<ws::Button> select_, update_;
  std::unique_ptr<ws::Panel> panel_;
  std::unique_ptr<ws::Image> image_;
  std::unique_ptr<ws::GroupBox> method_box_;
  std::unique_ptr<ws::RadioButton> method_;
  std::unique_ptr<ws::Label> method_text_;
  std::unique_ptr<ws::GroupBox> status_box_, result_box_;
  std::unique_ptr<ws::Label> status_, result_;
  std::unique_ptr<ws::Button> show_log_;
};

}  // namespace vx::utilities

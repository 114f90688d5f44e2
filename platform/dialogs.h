#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vx::platform {

enum class DialogKind { warning, error, information, confirmation, custom };

// Buttons of a message dialog, as a bit set.
enum DialogButton : std::uint16_t {
  button_yes = 1 << 0,
  button_no = 1 << 1,
  button_ok = 1 << 2,
  button_cancel = 1 << 3,
  button_abort = 1 << 4,
  button_retry = 1 << 5,
  button_ignore = 1 << 6,
  button_all = 1 << 7,
  button_no_to_all = 1 << 8,
  button_yes_to_all = 1 << 9,
  button_help = 1 << 10,
};
using DialogButtons = std::uint16_t;

// The answer of a dialog: the code of the button pressed.
enum DialogResult : int {
  result_none = 0,
  result_ok = 1,
  result_cancel = 2,
  result_abort = 3,
  result_retry = 4,
  result_ignore = 5,
  result_yes = 6,
  result_no = 7,
  result_all = 8,
  result_no_to_all = 9,
  result_yes_to_all = 10,
};

struct MessageDialog {
  std::string text;
  DialogKind kind = DialogKind::information;
  DialogButtons buttons = button_ok;
  std::uint32_t help_context = 0;
};

// The file-open dialog. The filter is "description|pattern|..." pairs;
// the filter index counts from 1. A chosen name whose file-name part has
// no '.' comes back with the default extension added, as the user would
// otherwise get a name nobody asked for.
struct FileOpenDialog {
  std::string title;
  std::string filter;
  int filter_index = 1;
  std::string initial_directory;
  std::string file_name;
  std::string default_extension;
  bool hide_read_only = false;
  bool path_must_exist = false;
};

// A form shown modally that nobody has answered through its controls:
// its caption, the texts of its labels, and the modal results of its
// buttons as a button set.
struct FormDialog {
  std::string caption;
  std::string text;
  DialogButtons buttons = 0;
  // The answer the form itself takes when nobody can give one (result_none:
  // the least acting button).
  DialogResult unattended_answer = result_none;
};

// The name with "." and the extension added when its file-name part holds
// no '.' and there is an extension to add; otherwise the name as it is.
std::string with_default_extension(std::string_view name, std::string_view extension);

// "caption: text", or the caption alone.
std::string describe(const FormDialog& dialog);

// Whoever answers the program's dialogs: a user, a test script, or nobody.
class DialogResponder {
 public:
  virtual ~DialogResponder() = default;
  virtual DialogResult message_box(const MessageDialog& dialog) = 0;
  // The chosen file's name, or nothing when the dialog was cancelled.
  virtual std::optional<std::string> open_file(const FileOpenDialog& dialog) = 0;
  virtual DialogResult modal_form(const FormDialog& dialog) = 0;
};

// Answers for nobody: never waits, takes the button that does the least
// (Cancel, then No, then OK), cancels every file dialog, and writes the
// dialog and its answer to stderr.
class NonInteractiveResponder final : public DialogResponder {
 public:
  DialogResult message_box(const MessageDialog& dialog) override;
  std::optional<std::string> open_file(const FileOpenDialog& dialog) override;
  DialogResult modal_form(const FormDialog& dialog) override;
};

DialogResult non_interactive_answer(DialogButtons buttons);
// The form's unattended answer when it is one of its buttons, else as above.
DialogResult non_interactive_answer(const FormDialog& dialog);
// "OK", "Cancel", ... "Yes to All"; "none" for result_none.
const char* dialog_result_name(DialogResult result);
// The button of a modal result (1 OK ... 10 Yes to All); 0 for any other.
DialogButtons button_of_result(int result);

// The installed responder; the non-interactive one unless another is installed.
DialogResponder& dialog_responder();
// Installs a responder (nullptr restores the non-interactive one) and returns the previous one.
DialogResponder* install_dialog_responder(DialogResponder* replacement);

}  // namespace vx::platform

#include "platform/ws/qt/qt_dialogs.h"

#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <utility>

#include "platform/ws/display.h"
#include "platform/ws/shell.h"
#include "platform/ws/qt/qt_text.h"

namespace vx::ws::qt {
namespace {

using platform::DialogButton;
using platform::DialogResult;

struct ButtonChoice {
  DialogButton button;
  const char* label;
  DialogResult result;
};

// In the order the box shows them. Help answers nothing: it asks for help
// and leaves the box open.
constexpr std::array<ButtonChoice, 11> button_choices{{
    {platform::button_yes, "&Yes", platform::result_yes},
    {platform::button_no, "&No", platform::result_no},
    {platform::button_ok, "OK", platform::result_ok},
    {platform::button_cancel, "Cancel", platform::result_cancel},
    {platform::button_abort, "&Abort", platform::result_abort},
    {platform::button_retry, "&Retry", platform::result_retry},
    {platform::button_ignore, "&Ignore", platform::result_ignore},
    {platform::button_all, "&All", platform::result_all},
    {platform::button_no_to_all, "N&o to All", platform::result_no_to_all},
    {platform::button_yes_to_all, "Yes to &All", platform::result_yes_to_all},
    {platform::button_help, "&Help", platform::result_none},
}};

// Escape answers the first of these the box has.
constexpr std::array<DialogButton, 3> escape_buttons{platform::button_cancel, platform::button_no,
                                                     platform::button_ok};

QMessageBox::Icon icon_of(platform::DialogKind kind) {
  switch (kind) {
    case platform::DialogKind::warning: return QMessageBox::Warning;
    case platform::DialogKind::error: return QMessageBox::Critical;
    case platform::DialogKind::information: return QMessageBox::Information;
    case platform::DialogKind::confirmation: return QMessageBox::Question;
    case platform::DialogKind::custom: break;
  }
  return QMessageBox::NoIcon;
}

DialogResult show_message_box(const platform::MessageDialog& dialog) {
  // A box needs a button that closes it.
  const platform::DialogButtons buttons =
      (dialog.buttons & ~platform::button_help) != 0 ? dialog.buttons : dialog.buttons | platform::button_ok;
  QMessageBox box;
  box.setWindowTitle(to_qstring(application_title()));
  box.setIcon(icon_of(dialog.kind));
  box.setTextFormat(Qt::PlainText);
  box.setText(to_qstring(dialog.text));
  std::vector<std::pair<QPushButton*, const ButtonChoice*>> shown;
  for (const ButtonChoice& choice : button_choices) {
    if ((buttons & choice.button) == 0) continue;
    // One role for all, so that the desktop's button layout keeps this order.
    shown.emplace_back(box.addButton(QString::fromLatin1(choice.label), QMessageBox::ActionRole), &choice);
  }
  box.setDefaultButton(shown.front().first);
  for (const DialogButton escape : escape_buttons) {
    const auto found =
        std::find_if(shown.begin(), shown.end(), [&](const auto& s) { return s.second->button == escape; });
    if (found != shown.end()) {
      box.setEscapeButton(found->first);
      break;
    }
  }
  for (;;) {
    box.exec();
    const auto clicked =
        std::find_if(shown.begin(), shown.end(), [&](const auto& s) { return s.first == box.clickedButton(); });
    if (clicked == shown.end()) return platform::non_interactive_answer(buttons);
    if (clicked->second->button != platform::button_help) return clicked->second->result;
    show_help(std::to_string(dialog.help_context));
  }
}

std::optional<std::string> show_file_dialog(const platform::FileOpenDialog& dialog) {
  QFileDialog box;
  // Qt's own dialog rather than the desktop's, so it behaves the same everywhere.
  box.setOption(QFileDialog::DontUseNativeDialog);
  // The descriptions as given; they often name their patterns already.
  box.setOption(QFileDialog::HideNameFilterDetails);
  box.setAcceptMode(QFileDialog::AcceptOpen);
  box.setFileMode(dialog.path_must_exist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  if (!dialog.title.empty()) box.setWindowTitle(to_qstring(dialog.title));
  QStringList filters;
  for (const std::string& filter : name_filters(dialog.filter)) filters.append(to_qstring(filter));
  if (!filters.isEmpty()) {
    box.setNameFilters(filters);
    if (dialog.filter_index >= 1 && dialog.filter_index <= filters.size()) {
      box.selectNameFilter(filters[dialog.filter_index - 1]);
    }
  }
  if (!dialog.initial_directory.empty()) box.setDirectory(QFile::decodeName(dialog.initial_directory.c_str()));
  if (!dialog.file_name.empty()) box.selectFile(QFile::decodeName(dialog.file_name.c_str()));
  box.setDefaultSuffix(to_qstring(dialog.default_extension));
  if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty()) return std::nullopt;
  return QFile::encodeName(box.selectedFiles().constFirst()).toStdString();
}

class QtDialogs final : public platform::DialogResponder {
 public:
  DialogResult message_box(const platform::MessageDialog& dialog) override {
    return display() != nullptr ? show_message_box(dialog) : nobody_.message_box(dialog);
  }

  std::optional<std::string> open_file(const platform::FileOpenDialog& dialog) override {
    return display() != nullptr ? show_file_dialog(dialog) : nobody_.open_file(dialog);
  }

  DialogResult modal_form(const platform::FormDialog& dialog) override { return nobody_.modal_form(dialog); }

 private:
  platform::NonInteractiveResponder nobody_;
};

std::string_view trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') + 1 - first);
}

// "*.a;*.b" as "*.a *.b"; "*.*" means every file, also those without a dot.
std::string qt_patterns(std::string_view patterns) {
  std::string result;
  while (!patterns.empty()) {
    const std::size_t end = patterns.find(';');
    const std::string_view pattern = trimmed(patterns.substr(0, end));
    if (!pattern.empty()) {
      if (!result.empty()) result += ' ';
      result += pattern == "*.*" ? "*" : pattern;
    }
    patterns = end == std::string_view::npos ? std::string_view() : patterns.substr(end + 1);
  }
  return result;
}

}  // namespace

platform::DialogResponder& open_dialogs() {
  static QtDialogs dialogs;
  return dialogs;
}

std::vector<std::string> name_filters(const std::string& filter) {
  std::vector<std::string> result;
  std::string_view rest = filter;
  while (!rest.empty()) {
    const std::size_t bar = rest.find('|');
    if (bar == std::string_view::npos) break;
    const std::string_view description = rest.substr(0, bar);
    const std::size_t end = rest.find('|', bar + 1);
    const std::string_view patterns = rest.substr(bar + 1, end == std::string_view::npos ? end : end - bar - 1);
    result.push_back(std::string(description) + " (" + qt_patterns(patterns) + ")");
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
  }
  return result;
}

}  // namespace vx::ws::qt

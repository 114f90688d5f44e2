#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialogs.h"

namespace vx::platform {

// What a scripted responder was asked and what it answered.
struct DialogRecord {
  enum class Type { message, open_file, form };
  Type type = Type::message;
  std::string text;    // message text, file dialog title, or form caption and text
  std::string answer;  // the result's name, or the file name ("Cancel" when none)
  bool scripted = true;
};

// Answers dialogs from queues that a test fills beforehand, one queue per
// kind of dialog, and logs every dialog. A dialog with no answer queued
// gets the non-interactive answer and is logged as not scripted.
class ScriptedResponder final : public DialogResponder {
 public:
  void answer_message(DialogResult result) { messages_.push_back(result); }
  // The name as the user would type it; the dialog's default extension completes it.
  void answer_open_file(std::optional<std::string> file_name) { files_.push_back(std::move(file_name)); }
  void answer_form(DialogResult result) { forms_.push_back(result); }

  const std::vector<DialogRecord>& log() const { return log_; }
  bool all_answered() const { return messages_.empty() && files_.empty() && forms_.empty(); }

  DialogResult message_box(const MessageDialog& dialog) override;
  std::optional<std::string> open_file(const FileOpenDialog& dialog) override;
  DialogResult modal_form(const FormDialog& dialog) override;

 private:
  std::deque<DialogResult> messages_;
  std::deque<std::optional<std::string>> files_;
  std::deque<DialogResult> forms_;
  std::vector<DialogRecord> log_;
};

}  // namespace vx::platform

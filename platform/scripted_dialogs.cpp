#include "platform/scripted_dialogs.h"

namespace vx::platform {
namespace {

template <typename Answer>
std::optional<Answer> take(std::deque<Answer>& queue) {
  if (queue.empty()) return std::nullopt;
  Answer answer = std::move(queue.front());
  queue.pop_front();
  return answer;
}

}  // namespace

DialogResult ScriptedResponder::message_box(const MessageDialog& dialog) {
  const std::optional<DialogResult> scripted = take(messages_);
  const DialogResult answer = scripted.value_or(non_interactive_answer(dialog.buttons));
  log_.push_back({DialogRecord::Type::message, dialog.text, dialog_result_name(answer), scripted.has_value()});
  return answer;
}

std::optional<std::string> ScriptedResponder::open_file(const FileOpenDialog& dialog) {
  const std::optional<std::optional<std::string>> scripted = take(files_);
  std::optional<std::string> answer = scripted.value_or(std::nullopt);
  // A scripted name stands for what the user typed; the dialog completes it.
  if (answer) answer = with_default_extension(*answer, dialog.default_extension);
  log_.push_back({DialogRecord::Type::open_file, dialog.title, answer.value_or(dialog_result_name(result_cancel)),
                  scripted.has_value()});
  return answer;
}

DialogResult ScriptedResponder::modal_form(const FormDialog& dialog) {
  const std::optional<DialogResult> scripted = take(forms_);
  const DialogResult answer = scripted.value_or(non_interactive_answer(dialog));
  log_.push_back({DialogRecord::Type::form, describe(dialog), dialog_result_name(answer), scripted.has_value()});
  return answer;
}

}  // namespace vx::platform

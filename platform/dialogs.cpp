#include "platform/dialogs.h"

#include <array>
#include <atomic>
#include <cstdio>
#include <utility>

namespace vx::platform {
namespace {

// Safest first. Retry is never chosen: with nobody to fix the cause it would repeat forever.
constexpr std::array<std::pair<DialogButton, DialogResult>, 6> least_acting_answers{{
    {button_cancel, result_cancel},
    {button_no, result_no},
    {button_no_to_all, result_no_to_all},
    {button_abort, result_abort},
    {button_ok, result_ok},
    {button_ignore, result_ignore},
}};

void write_dialog(const std::string& text, const char* answer) {
  std::fprintf(stderr, "[dialog] %s\n[dialog answer] %s\n", text.c_str(), answer);
  std::fflush(stderr);
}

NonInteractiveResponder& non_interactive_responder() {
  static NonInteractiveResponder instance;
  return instance;
}

std::atomic<DialogResponder*> installed_responder{nullptr};

}  // namespace

std::string with_default_extension(std::string_view name, std::string_view extension) {
  std::string result(name);
  const std::size_t last_separator = name.find_last_of('/');
  const std::string_view file_name = last_separator == std::string_view::npos ? name : name.substr(last_separator + 1);
  if (!extension.empty() && !file_name.empty() && file_name.find('.') == std::string_view::npos) {
    result += '.';
    result += extension;
  }
  return result;
}

const char* dialog_result_name(DialogResult result) {
  switch (result) {
    case result_ok: return "OK";
    case result_cancel: return "Cancel";
    case result_abort: return "Abort";
    case result_retry: return "Retry";
    case result_ignore: return "Ignore";
    case result_yes: return "Yes";
    case result_no: return "No";
    case result_all: return "All";
    case result_no_to_all: return "No to All";
    case result_yes_to_all: return "Yes to All";
    case result_none: break;
  }
  return "none";
}

DialogButtons button_of_result(int result) {
  constexpr std::array<DialogButton, 10> buttons{button_ok,    button_cancel, button_abort,     button_retry,
                                                 button_ignore, button_yes,   button_no,        button_all,
                                                 button_no_to_all, button_yes_to_all};
  return result >= result_ok && result <= result_yes_to_all ? buttons[static_cast<std::size_t>(result - 1)] : 0;
}

std::string describe(const FormDialog& dialog) {
  return dialog.text.empty() ? dialog.caption : dialog.caption + ": " + dialog.text;
}

DialogResult non_interactive_answer(DialogButtons buttons) {
  for (const auto& [button, result] : least_acting_answers) {
    if ((buttons & button) != 0) return result;
  }
  return result_cancel;
}

DialogResult non_interactive_answer(const FormDialog& dialog) {
  if ((dialog.buttons & button_of_result(dialog.unattended_answer)) != 0) return dialog.unattended_answer;
  return non_interactive_answer(dialog.buttons);
}

DialogResult NonInteractiveResponder::message_box(const MessageDialog& dialog) {
  const DialogResult answer = non_interactive_answer(dialog.buttons);
  write_dialog(dialog.text, dialog_result_name(answer));
  return answer;
}

std::optional<std::string> NonInteractiveResponder::open_file(const FileOpenDialog& dialog) {
  write_dialog(dialog.title, dialog_result_name(result_cancel));
  return std::nullopt;
}

DialogResult NonInteractiveResponder::modal_form(const FormDialog& dialog) {
  const DialogResult answer = non_interactive_answer(dialog);
  write_dialog(describe(dialog), dialog_result_name(answer));
  return answer;
}

DialogResponder& dialog_responder() {
  DialogResponder* current = installed_responder.load(std::memory_order_acquire);
  return current != nullptr ? *current : non_interactive_responder();
}

DialogResponder* install_dialog_responder(DialogResponder* replacement) {
  DialogResponder* previous = installed_responder.exchange(replacement, std::memory_order_acq_rel);
  return previous != nullptr ? previous : &non_interactive_responder();
}

}  // namespace vx::platform

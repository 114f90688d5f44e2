#include "controls/controller.h"

#include <algorithm>
#include <exception>

#include "controls/control_messages.h"
#include "controls/custom_control.h"
#include "controls/helpers.h"
#include "platform/dialogs.h"
#include "platform/ws/application.h"
#include "platform/ws/messages.h"

namespace vx::controls {
namespace {

constexpr std::int32_t first_epoch = 1600;
constexpr std::int32_t last_epoch = 3999;

// The controls in and below a window.
void collect_controls(ws::Window& window, std::vector<TOvcCustomControlEx*>& found) {
  for (ws::Window* child : window.children()) {
    if (auto* control = dynamic_cast<TOvcCustomControlEx*>(child)) found.push_back(control);
    collect_controls(*child, found);
  }
}

}  // namespace

TOvcController::TOvcController(ws::Form* owner)
    : TOvcComponent(owner),
      entry_commands_(std::make_unique<TOvcCommandProcessor>()),
      timer_pool_(std::make_unique<TOvcTimerPool>()),
      epoch_(CurrentCentury()) {
  timer_pool_->OnAllTriggers = [this](TOvcTimerPool&, std::int32_t handle, std::int32_t interval,
                                      std::int32_t elapsed_time) {
    if (OnTimerTrigger) OnTimerTrigger(*this, handle, interval, elapsed_time);
  };
  if (owner == nullptr) return;
  std::vector<TOvcCustomControlEx*> controls;
  collect_controls(*owner, controls);
  for (TOvcCustomControlEx* control : controls) control->ControllerInserted(*this);
}

TOvcController::~TOvcController() {
  // A control may unlink itself while it is told, so tell from a copy.
  for (TOvcCustomControlEx* control : std::vector(linked_)) control->ControllerRemoved(*this);
  entry_commands_.reset();
  timer_pool_.reset();
  window_.reset();
}

std::int32_t TOvcController::GetEpoch() {
  std::int32_t epoch = epoch_;
  if (OnGetEpoch) OnGetEpoch(*this, epoch);
  return epoch;
}

void TOvcController::SetEpoch(std::int32_t epoch) {
  if (epoch >= first_epoch && epoch <= last_epoch) epoch_ = epoch;
}

int TOvcController::ReportError(ws::Window& field, std::uint16_t code, const std::string& text) {
  if (OnError) {
    OnError(field, code, text);
    return 0;
  }
  return platform::dialog_responder().message_box({text, platform::DialogKind::error, platform::button_ok, 0});
}

void TOvcController::DelayPreEdit(ws::Window& field, ws::Window* losing_control) {
  ws::post_message(MessageWindow(), MSG_PRE_EDIT, losing_control != nullptr ? losing_control->handle() : 0,
                   field.handle());
}

void TOvcController::DelayPostEdit(ws::Window& field, ws::Window* gaining_control) {
  ws::post_message(MessageWindow(), MSG_POST_EDIT, gaining_control != nullptr ? gaining_control->handle() : 0,
                   field.handle());
}

bool TOvcController::IsSpecialControl(ws::WindowHandle window) {
  bool special = false;
  if (OnIsSpecialControl) OnIsSpecialControl(*this, ws::find_window(window), special);
  return special;
}

ws::WindowHandle TOvcController::MessageWindow() {
  if (!window_) {
    window_ = std::make_unique<ws::MessageWindow>(
        [this](ws::MessageWindow& window, ws::Message& message) { return HandleMessage(window, message); });
  }
  return window_->handle();
}

void TOvcController::FreeNotification(TOvcCustomControlEx& control) {
  if (std::ranges::find(linked_, &control) == linked_.end()) linked_.push_back(&control);
}

void TOvcController::RemoveFreeNotification(TOvcCustomControlEx& control) { std::erase(linked_, &control); }

ws::LResult TOvcController::HandleMessage(ws::MessageWindow& window, ws::Message& message) {
  switch (message.id) {
    case MSG_FOCUS_CONTROL:
    case MSG_PRE_EDIT:
    case MSG_POST_EDIT:
    case MSG_DELAY_NOTIFY:
      try {
        Dispatch(message);
      } catch (const std::exception& error) {
        ws::handle_exception(error);
      }
      return 0;
    default: return window.default_proc(message);
  }
}

void TOvcController::Dispatch(const ws::Message& message) {
  ws::Window* sender = ws::find_window(static_cast<ws::WindowHandle>(message.lparam));
  // The control went away while its message waited.
  if (sender == nullptr) return;
  ws::Window* other = ws::find_window(static_cast<ws::WindowHandle>(message.wparam));
  switch (message.id) {
    case MSG_FOCUS_CONTROL:
      sender->show();
      if (sender->can_focus()) sender->set_focus();
      break;
    case MSG_PRE_EDIT:
      if (OnPreEdit) OnPreEdit(*sender, other);
      break;
    case MSG_POST_EDIT:
      if (OnPostEdit) OnPostEdit(*sender, other);
      break;
    case MSG_DELAY_NOTIFY:
      if (OnDelayNotify) OnDelayNotify(*sender, ws::low_word(message.wparam));
      break;
    default: break;
  }
}

TOvcController& DefaultController() {
  static const std::unique_ptr<TOvcController> controller = std::make_unique<TOvcController>(nullptr);
  return *controller;
}

}  // namespace vx::controls

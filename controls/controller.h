#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/command_processor.h"
#include "controls/component.h"
#include "controls/timer_pool.h"
#include "platform/ws/message_window.h"

namespace vx::controls {

class TOvcCustomControlEx;

enum TOvcBaseEFOption : std::uint8_t {
  efoAutoAdvanceChar = 1 << 0,
  efoAutoAdvanceLeftRight = 1 << 1,
  efoAutoAdvanceUpDown = 1 << 2,
  efoAutoSelect = 1 << 3,
  efoBeepOnError = 1 << 4,
  efoInsertPushes = 1 << 5,
};
using TOvcBaseEFOptions = std::uint8_t;

// What the fields of one form share: the key commands, the entry options,
// the century for two-digit years, the insert mode, the report of a failed
// field, deferred notifications and a timer pool.
class TOvcController : public TOvcComponent {
 public:
  using TDelayNotifyEvent = std::function<void(ws::Window& sender, std::uint16_t notify_code)>;
  using TDataErrorEvent =
      std::function<void(ws::Window& sender, std::uint16_t error_code, const std::string& error_msg)>;
  using TGetEpochEvent = std::function<void(TOvcController& sender, std::int32_t& epoch)>;
  using TIsSpecialControlEvent = std::function<void(TOvcController& sender, ws::Window* control, bool& special)>;
  using TPostEditEvent = std::function<void(ws::Window& sender, ws::Window* gaining_control)>;
  using TPreEditEvent = std::function<void(ws::Window& sender, ws::Window* losing_control)>;
  using TTriggerEvent = std::function<void(TOvcController& sender, std::int32_t handle, std::int32_t interval,
                                           std::int32_t elapsed_time)>;

  // The controls of the owning form that have no controller yet take this one.
  explicit TOvcController(ws::Form* owner);
  ~TOvcController() override;

  TOvcBaseEFOptions EntryOptions = efoAutoSelect | efoBeepOnError | efoInsertPushes;
  TOvcCommandProcessor& EntryCommands() { return *entry_commands_; }
  TOvcTimerPool& TimerPool() { return *timer_pool_; }

  // The stored epoch as OnGetEpoch leaves it.
  std::int32_t GetEpoch();
  // Only 1600 to 3999 are taken.
  void SetEpoch(std::int32_t epoch);

  // Only the first field failing in one change of focus reports.
  bool ErrorPending = false;
  // Reported for an error code with bit 15 set.
  std::string ErrorText;
  bool InsertMode = true;

  // OnError when assigned (0), else an error box with OK and its answer.
  int ReportError(ws::Window& field, std::uint16_t code, const std::string& text);
  // OnPreEdit and OnPostEdit run once the focus change has completed.
  void DelayPreEdit(ws::Window& field, ws::Window* losing_control);
  void DelayPostEdit(ws::Window& field, ws::Window* gaining_control);
  virtual bool IsSpecialControl(ws::WindowHandle window);
  // The hidden window that takes the deferred work, made on first use.
  ws::WindowHandle MessageWindow();

  TDelayNotifyEvent OnDelayNotify;
  TDataErrorEvent OnError;
  TGetEpochEvent OnGetEpoch;
  TIsSpecialControlEvent OnIsSpecialControl;
  TPostEditEvent OnPostEdit;
  TPreEditEvent OnPreEdit;
  TTriggerEvent OnTimerTrigger;

  // A linked control is told when this controller goes away.
  void FreeNotification(TOvcCustomControlEx& control);
  void RemoveFreeNotification(TOvcCustomControlEx& control);

 private:
  ws::LResult HandleMessage(ws::MessageWindow& window, ws::Message& message);
  void Dispatch(const ws::Message& message);

  std::unique_ptr<TOvcCommandProcessor> entry_commands_;
  std::unique_ptr<TOvcTimerPool> timer_pool_;
  std::unique_ptr<ws::MessageWindow> window_;
  std::int32_t epoch_;
  std::vector<TOvcCustomControlEx*> linked_;
};

// The controller of controls whose form has none; made on first use, kept
// until the program ends.
TOvcController& DefaultController();

}  // namespace vx::controls

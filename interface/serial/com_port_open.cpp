#include "foundation/command_exception.h"
#include "interface/serial/ad_except.h"
#include "interface/serial/ad_sel_com.h"
#include "interface/serial/com_port.h"
#include "interface/serial/dispatcher_list.h"
#include "interface/serial/win32_dispatcher.h"
#include "platform/ws/application.h"
#include "platform/ws/messages.h"

namespace vx::serial {
namespace {

// While a close waits for the workers, the window looks again this often.
constexpr std::uintptr_t close_timer_id = 1;
constexpr std::uint32_t close_recheck_ms = 10;
constexpr auto no_permission = static_cast<std::int32_t>(platform::ERROR_PRIVILEGE_NOT_HELD);

// Counts how deep the calls of a kind are nested, however they are left.
class Depth {
 public:
  explicit Depth(int& depth) : depth_(depth) { ++depth_; }
  ~Depth() { --depth_; }
  Depth(const Depth&) = delete;
  Depth& operator=(const Depth&) = delete;

 private:
  int& depth_;
};

// A port that is missing, or that the user may not open, is told in the
// device layer's line: it names the node and what to do about it.
void raise_for_refused_device(const TApdBaseDispatcher& dispatcher, std::int32_t result) {
  const std::string& problem = dispatcher.OpenProblem();
  if (result == -2001 && !problem.empty()) throw EBadId(result, problem);
  if (result == -no_permission) {
    throw EOpenComm(result,
                    problem.empty() ? platform::system_error_text(platform::ERROR_PRIVILEGE_NOT_HELD) : problem);
  }
}

}  // namespace

void TApdCustomComPort::SetOpen(bool value) {
  if (Loading()) {
    Open_ = value;
    OpenAfterLoad_ = value;
    return;
  }
  if (!value) {
    ClosePort();
  } else if (Closing()) {
    ReopenPending_ = true;
  } else if (OpenState_ == 0) {
    OpenPort();
  }
}

void TApdCustomComPort::Loaded() {
  SetLoading(false);
  if (OpenAfterLoad_) Open_ = true;
  if (!Open_) return;
  OpenAfterLoad_ = false;
  Open_ = false;
  try {
    OpenPort();
  } catch (const CommandException&) {
    throw;
  } catch (const std::exception& error) {
    Open_ = false;
    ws::handle_exception(error);
  }
}

std::unique_ptr<TApdBaseDispatcher> TApdCustomComPort::CreateDispatcher() {
  return std::make_unique<TApdWin32Dispatcher>(this);
}

std::int32_t TApdCustomComPort::OpenDevice() {
  std::uint32_t line_options = (DTR_ ? LineDtrOn : 0) | (RTS_ ? LineRtsOn : 0);
  if ((HWFlowOptions_ & hwfUseDTR) != 0) line_options |= LineDtrFlow;
  if ((HWFlowOptions_ & hwfUseRTS) != 0) line_options |= LineRtsFlow;
  return Dispatcher_->AttachDevice(ComDeviceName(ComNumber_), static_cast<std::uint32_t>(Baud_), Parity_,
                                   static_cast<std::uint8_t>(DataBits_), static_cast<std::uint8_t>(StopBits_),
                                   InSize_, OutSize_, line_options);
}

void TApdCustomComPort::ValidatePort() {
  if (ComNumber_ != 0) return;
  if (!PromptForPort_) throw ENoPortSelected(-2011);
  TComSelectForm form;
  if (form.show_modal() != platform::result_ok) throw ENoPortSelected(-2011);
  ComNumber_ = static_cast<std::uint16_t>(form.SelectedComNumber());
}

// Telephony does not exist here: a port in telephony mode never holds a
// telephony connection.
void TApdCustomComPort::OpenPort() {
  if (TapiMode_ != tmOn) ValidatePort();
  Dispatcher_ = CreateDispatcher();
  Dispatcher_->SetDeviceName("COM" + std::to_string(ComNumber_));
  try {
    if (TapiMode_ == tmOn) throw ENotOpenedByTapi(-2012);
    std::int32_t result = OpenDevice();
    if (result == -5) result = -2008;
    if (result == -2 || result == -3) result = -2001;
    raise_for_refused_device(*Dispatcher_, result);
    if (RaiseForCode(this, result) != 0) {
      Dispatcher_.reset();
      return;
    }
    OpenState_ = 2;
    UpdateEventDelivery();
    Forced([this] {
      SetTracing(Tracing_);
      SetLogging(Logging_);
      SetHWFlowOptions(HWFlowOptions_);
      SetSWFlowOptions(SWFlowOptions_);
      SetXOnChar(XOnChar_);
      SetXOffChar(XOffChar_);
      SetTriggerAvailLevel(TriggerAvailLevel_);
      SetDTR(DTR_);
      SetRTS(RTS_);
      SetUseEventWord(UseEventWord_);
      SetRS485Mode(RS485Mode_);
      SetThreadBoost(ThreadBoost_);
    });
    Open_ = true;
    ComWindow(true);
    if (RestoreTriggers_) {
      RestoreTriggers_ = false;
      Dispatcher_->ImportTriggers(SavedTriggers_);
    }
    PortOpened();
  } catch (...) {
    if (Window_) ComWindow(false);
    Open_ = false;
    OpenState_ = 0;
    Dispatcher_.reset();
    throw;
  }
}

// Inside one of this component's trigger handlers the dispatch thread waits
// for the handler: the close is finished later by the window. Anywhere else
// it is finished at once, the dispatcher joining its workers.
void TApdCustomComPort::ClosePort() {
  if (!IsOpen()) return;
  SetTracing(tlDump);
  SetLogging(tlDump);
  OpenState_ = 1;
  Dispatcher_->ExportTriggers(SavedTriggers_);
  RestoreTriggers_ = true;
  Dispatcher_->DetachDevice();
  if (Dispatcher_->CloseIsRequested() && TriggerHandlerDepth_ > 0) {
    const auto index = static_cast<std::uint32_t>(Dispatcher_->GetListIndex());
    ws::post_message(Window_->handle(), MsgPortClosing, 0, static_cast<ws::LParam>(index << 16));
    PumpOneMessage();
  } else {
    EndClose();
  }
  PortClosed();
}

void TApdCustomComPort::EndClose() {
  ComWindow(false);
  Dispatcher_.reset();
  OpenState_ = 0;
  Open_ = false;
}

void TApdCustomComPort::FinishClose() {
  if (!Dispatcher_ || !Closing()) return;
  if (Dispatcher_->RunningWorkerCount() > 0) {
    ws::set_timer(Window_->handle(), close_timer_id, close_recheck_ms);
    return;
  }
  EndClose();
  if (ReopenPending_) {
    ReopenPending_ = false;
    OpenPort();
  }
}

void TApdCustomComPort::PortOpened() {
  if (OnPortOpen) OnPortOpen(*this);
}

void TApdCustomComPort::PortClosed() {
  if (OnPortClose) OnPortClose(*this);
}

// A window let go from inside its own procedure is kept until that has returned.
void TApdCustomComPort::ComWindow(bool create) {
  if (WindowProcDepth_ == 0) RetiredWindows_.clear();
  if (create) {
    Window_ = std::make_unique<ws::MessageWindow>(
        [this](ws::MessageWindow& window, ws::Message& message) { return ComWindowProc(window, message); });
    Dispatcher_->AddWindowReceiver(Window_->handle());
    return;
  }
  if (!Window_) return;
  if (Dispatcher_) Dispatcher_->RemoveWindowReceiver(Window_->handle());
  ws::kill_window_timers(Window_->handle());
  if (WindowProcDepth_ > 0) {
    RetiredWindows_.push_back(std::move(Window_));
  } else {
    Window_.reset();
  }
}

void TApdCustomComPort::UpdateEventDelivery() {
  if (!IsOpen()) return;
  const bool assigned = OnTrigger_ || OnTriggerAvail_ || OnTriggerData_ || OnTriggerStatus_ || OnTriggerTimer_ ||
                        OnTriggerLineError_ || OnTriggerModemStatus_ || OnTriggerOutbuffFree_ ||
                        OnTriggerOutbuffUsed_ || OnTriggerOutSent_;
  Dispatcher_->SetEventDelivery(assigned ? 1 : 2);
}

ws::LResult TApdCustomComPort::ComWindowProc(ws::MessageWindow& window, ws::Message& message) {
  if (&window != Window_.get()) return window.default_proc(message);
  const bool trigger_message = message.id >= MsgTriggerAvail && message.id <= MsgTriggerStatus;
  const bool close_timer = message.id == ws::msg::timer && message.wparam == close_timer_id;
  if (!trigger_message && message.id != MsgPortClosing && !close_timer) return window.default_proc(message);
  const Depth in_window_proc(WindowProcDepth_);
  try {
    TApdCustomComPort* port = this;
    if (!close_timer) {
      const auto index = ws::high_word(static_cast<std::uintptr_t>(message.lparam));
      const TApdBaseDispatcher* dispatcher = dispatcher_at(index);
      port = dispatcher != nullptr ? dynamic_cast<TApdCustomComPort*>(dispatcher->Owner()) : nullptr;
    }
    if (port == nullptr) return 0;
    if (!trigger_message) {
      port->FinishClose();
      return 0;
    }
    const Depth in_handler(port->TriggerHandlerDepth_);
    const auto trigger = static_cast<std::uint32_t>(message.wparam);
    const std::uint32_t data =
        message.id == MsgTriggerAvail ? trigger : ws::low_word(static_cast<std::uintptr_t>(message.lparam));
    port->TriggerEventHandler(message.id, trigger, data);
    switch (message.id) {
      case MsgTriggerAvail: port->TriggerAvailHandler(trigger); break;
      case MsgTriggerData: port->TriggerDataHandler(trigger); break;
      case MsgTriggerTimer: port->TriggerTimerHandler(trigger); break;
      default: port->TriggerStatusHandler(trigger); break;
    }
  } catch (const CommandException&) {
    throw;
  } catch (const std::exception& error) {
    ws::handle_exception(error);
  }
  return 0;
}

void TApdCustomComPort::TriggerEventHandler(ws::MessageId message, std::uint32_t trigger, std::uint32_t data) {
  if (OnTrigger_) OnTrigger_(*this, message, trigger, data);
}

void TApdCustomComPort::TriggerAvailHandler(std::uint32_t count) {
  if (OnTriggerAvail_) OnTriggerAvail_(*this, count);
}

void TApdCustomComPort::TriggerDataHandler(std::uint32_t trigger) {
  if (OnTriggerData_) OnTriggerData_(*this, trigger);
}

void TApdCustomComPort::TriggerTimerHandler(std::uint32_t trigger) {
  if (OnTriggerTimer_) OnTriggerTimer_(*this, trigger);
}

// A status trigger's handle carries its kind, which picks the event.
void TApdCustomComPort::TriggerStatusHandler(std::uint32_t trigger) {
  if (OnTriggerStatus_) OnTriggerStatus_(*this, trigger);
  switch (TApdBaseDispatcher::StatusTriggerKind(trigger)) {
    case stModem: TriggerModemStatusHandler(); break;
    case stLine: {
      const std::uint16_t error = ReadLineError();
      TriggerLineErrorHandler(error, ReadLineBreak());
      break;
    }
    case stOutBuffFree: TriggerOutbuffFreeHandler(); break;
    case stOutBuffUsed: TriggerOutbuffUsedHandler(); break;
    case stOutSent: TriggerOutSentHandler(); break;
    default: break;
  }
}

void TApdCustomComPort::TriggerLineErrorHandler(std::uint16_t error, bool line_break) {
  if (OnTriggerLineError_) OnTriggerLineError_(*this, error, line_break);
}

void TApdCustomComPort::TriggerModemStatusHandler() {
  if (OnTriggerModemStatus_) OnTriggerModemStatus_(*this);
}

void TApdCustomComPort::TriggerOutbuffFreeHandler() {
  if (OnTriggerOutbuffFree_) OnTriggerOutbuffFree_(*this);
}

void TApdCustomComPort::TriggerOutbuffUsedHandler() {
  if (OnTriggerOutbuffUsed_) OnTriggerOutbuffUsed_(*this);
}

void TApdCustomComPort::TriggerOutSentHandler() {
  if (OnTriggerOutSent_) OnTriggerOutSent_(*this);
}

}  // namespace vx::serial

#include "interface/serial/com_port.h"

#include <cmath>

#include "interface/serial/ad_except.h"
#include "interface/serial/dispatch_log.h"

namespace vx::serial {
namespace {

std::uint16_t percent_of(std::uint32_t value, double percent) {
  return static_cast<std::uint16_t>(std::lround(value * percent / 100.0));
}

}  // namespace

TApdCustomComPort::TApdCustomComPort() = default;

// A close that waits for its workers is finished here: the dispatcher joins
// them. A destructor cannot pass a failure of the close on.
TApdCustomComPort::~TApdCustomComPort() {
  try {
    ClosePort();
  } catch (const std::exception&) {
  }
  Dispatcher_.reset();
  Window_.reset();
  RetiredWindows_.clear();
  TApdBaseDispatcher::FreeSavedTriggers(SavedTriggers_);
}

void TApdCustomComPort::SetDeviceLayer(TDeviceLayer value) {
  if (value == DeviceLayer_ || OpenState_ != 0 || value != dlWin32) return;
  DeviceLayer_ = value;
}

void TApdCustomComPort::SetComNumber(std::uint16_t value) {
  if (value == ComNumber_) return;
  if (!IsOpen()) {
    ComNumber_ = value;
    return;
  }
  SavedTriggers saved;
  Dispatcher_->ExportTriggers(saved);
  const TTraceLogState tracing = Tracing_;
  const TTraceLogState logging = Logging_;
  SetOpen(false);
  ComNumber_ = value;
  SetTracing(tracing);
  SetLogging(logging);
  SetOpen(true);
  if (Dispatcher_) Dispatcher_->ImportTriggers(saved);
}

void TApdCustomComPort::SetBaud(std::int32_t value) {
  if (value == Baud_) return;
  Baud_ = value;
  ApplyLine();
}

void TApdCustomComPort::SetParity(TParity value) {
  if (value == Parity_) return;
  Parity_ = value;
  ApplyLine();
}

void TApdCustomComPort::SetDataBits(std::uint16_t value) {
  if (value == DataBits_) return;
  DataBits_ = value;
  ApplyLine();
}

void TApdCustomComPort::SetStopBits(std::uint16_t value) {
  if (value == StopBits_) return;
  StopBits_ = value;
  ApplyLine();
}

void TApdCustomComPort::ApplyLine() {
  if (!IsOpen()) return;
  const auto data_bits = static_cast<std::uint8_t>(DataBits_);
  const auto stop_bits = static_cast<std::uint8_t>(StopBits_);
  RaiseForCode(this, Dispatcher_->ChangeLine(static_cast<std::uint32_t>(Baud_), Parity_, data_bits, stop_bits));
}

void TApdCustomComPort::SetInSize(std::uint16_t value) {
  if (value == InSize_) return;
  InSize_ = value;
  if (IsOpen()) Dispatcher_->DevSetQueues(InSize_, OutSize_);
}

void TApdCustomComPort::SetOutSize(std::uint16_t value) {
  if (value == OutSize_) return;
  OutSize_ = value;
  if (IsOpen()) Dispatcher_->DevSetQueues(InSize_, OutSize_);
}

void TApdCustomComPort::SetRS485Mode(bool value) {
  if (value == RS485Mode_ && !ForceUpdate_) return;
  RS485Mode_ = value;
  if (IsOpen()) Dispatcher_->ApplyRS485(value);
  if (value) {
    SetHWFlowOptions(HWFlowOptions_ & ~(hwfUseRTS | hwfRequireCTS));
    SetRTS(false);
  }
}

void TApdCustomComPort::SetThreadBoost(std::uint8_t value) {
  if (value == ThreadBoost_ && !ForceUpdate_) return;
  ThreadBoost_ = value;
  if (IsOpen()) Dispatcher_->ApplyThreadBoost(value);
}

// The line keeps its level when the dispatcher answers 1: it is under flow control.
void TApdCustomComPort::SetDTR(bool value) {
  if (value == DTR_ && !ForceUpdate_) return;
  if (!IsOpen() || RaiseForCode(this, Dispatcher_->DriveDtr(value)) == 0) DTR_ = value;
}

void TApdCustomComPort::SetRTS(bool value) {
  if (value == RTS_ && !ForceUpdate_) return;
  if (!IsOpen() || RaiseForCode(this, Dispatcher_->DriveRts(value)) == 0) RTS_ = value;
}

void TApdCustomComPort::SetBufferFull(std::uint16_t value) {
  if (value == BufferFull_ && !ForceUpdate_) return;
  BufferFull_ = value > InSize_ ? percent_of(value, 90) : value;
  ApplyFlow();
}

void TApdCustomComPort::SetBufferResume(std::uint16_t value) {
  if (value == BufferResume_ && !ForceUpdate_) return;
  BufferResume_ = value > BufferFull_ ? percent_of(BufferFull_, 10) : value;
  ApplyFlow();
}

void TApdCustomComPort::ApplyFlow() {
  Forced([this] {
    SetHWFlowOptions(HWFlowOptions_);
    SetSWFlowOptions(SWFlowOptions_);
  });
}

void TApdCustomComPort::SetHWFlowOptions(THWFlowOptionSet value) {
  if (value == HWFlowOptions_ && !ForceUpdate_) return;
  const std::uint32_t word = value & (hwfUseDTR | hwfUseRTS | hwfRequireDSR | hwfRequireCTS);
  if (word != 0) {
    if (BufferFull_ == 0 || BufferFull_ > InSize_) BufferFull_ = percent_of(InSize_, 90);
    if (BufferResume_ == 0 || BufferResume_ > BufferFull_) BufferResume_ = percent_of(InSize_, 10);
  }
  if (IsOpen()) RaiseForCode(this, Dispatcher_->ApplyHardwareFlow(BufferFull_, BufferResume_, word));
  HWFlowOptions_ = value;
  if ((value & (hwfUseRTS | hwfRequireCTS)) != 0) RS485Mode_ = false;
}

void TApdCustomComPort::SetSWFlowOptions(TSWFlowOptions value) {
  if (value == SWFlowOptions_ && !ForceUpdate_) return;
  std::uint32_t code = 0;
  if (value == swfBoth) code = sfTransmitFlow | sfReceiveFlow;
  if (value == swfTransmit) code = sfTransmitFlow;
  if (value == swfReceive) code = sfReceiveFlow;
  if (code != 0) {
    if (BufferFull_ == 0 || BufferFull_ > InSize_) BufferFull_ = percent_of(InSize_, 75);
    if (BufferResume_ == 0 || BufferResume_ > BufferFull_) BufferResume_ = percent_of(InSize_, 25);
  }
  if (IsOpen()) {
    RaiseForCode(this, code != 0 ? Dispatcher_->ApplySoftwareFlow(BufferFull_, BufferResume_, code)
                                 : Dispatcher_->StopSoftwareFlow());
  }
  SWFlowOptions_ = value;
}

void TApdCustomComPort::SetXOnChar(char value) {
  if (value == XOnChar_ && !ForceUpdate_) return;
  XOnChar_ = value;
  if (IsOpen()) RaiseForCode(this, Dispatcher_->SetFlowChars(XOnChar_, XOffChar_));
}

void TApdCustomComPort::SetXOffChar(char value) {
  if (value == XOffChar_ && !ForceUpdate_) return;
  XOffChar_ = value;
  if (IsOpen()) RaiseForCode(this, Dispatcher_->SetFlowChars(XOnChar_, XOffChar_));
}

void TApdCustomComPort::SetTracing(TTraceLogState value) { ApplyTraceLog(true, value); }

void TApdCustomComPort::SetLogging(TTraceLogState value) { ApplyTraceLog(false, value); }

namespace {

// The operations of one recorder of the dispatcher: the byte trace or the dispatch log.
struct Recorder {
  std::int32_t (TApdBaseDispatcher::*start)(std::uint32_t);
  std::int32_t (TApdBaseDispatcher::*clear)();
  void (TApdBaseDispatcher::*discard)();
  void (TApdBaseDispatcher::*resume)();
  void (TApdBaseDispatcher::*pause)();
  std::int32_t (TApdBaseDispatcher::*dump)(const ShortText&, bool, bool);
  std::int32_t (TApdBaseDispatcher::*append)(const ShortText&, bool, bool);
};

constexpr Recorder trace_recorder{&TApdBaseDispatcher::TraceStart,   &TApdBaseDispatcher::TraceClear,
                                  &TApdBaseDispatcher::TraceDiscard, &TApdBaseDispatcher::TraceResume,
                                  &TApdBaseDispatcher::TracePause,   &TApdBaseDispatcher::TraceDump,
                                  &TApdBaseDispatcher::TraceAppend};
constexpr Recorder log_recorder{&TApdBaseDispatcher::LogStart,   &TApdBaseDispatcher::LogClear,
                                &TApdBaseDispatcher::LogDiscard, &TApdBaseDispatcher::LogResume,
                                &TApdBaseDispatcher::LogPause,   &TApdBaseDispatcher::LogDump,
                                &TApdBaseDispatcher::LogAppend};

}  // namespace

// Closed, only on or off is kept. Open, the state says what the change does;
// a dump that fails is not raised here, so that a closing port still closes.
void TApdCustomComPort::ApplyTraceLog(bool trace, TTraceLogState value) {
  TTraceLogState& state = trace ? Tracing_ : Logging_;
  if (value == state && !ForceUpdate_) return;
  if (!IsOpen()) {
    state = value == tlOn ? tlOn : tlOff;
    return;
  }
  const Recorder& recorder = trace ? trace_recorder : log_recorder;
  TApdBaseDispatcher& d = *Dispatcher_;
  const bool recording = state == tlOn || state == tlPause;
  switch (value) {
    case tlOff:
      if (recording) (d.*recorder.discard)();
      state = tlOff;
      break;
    case tlOn:
      if (state == tlPause) {
        (d.*recorder.resume)();
      } else {
        RaiseForCode(this, (d.*recorder.start)(trace ? TraceSize_ : LogSize_));
      }
      state = tlOn;
      break;
    case tlDump:
    case tlAppend:
      if (recording) {
        (d.*recorder.resume)();
        const auto write = value == tlAppend ? recorder.append : recorder.dump;
        (d.*write)(trace ? TraceName_ : LogName_, trace ? TraceAllHex_ : LogAllHex_, trace ? TraceHex_ : LogHex_);
      }
      state = tlOff;
      break;
    case tlClear:
      if (recording) (d.*recorder.clear)();
      break;
    case tlPause:
      if (state == tlOn) {
        (d.*recorder.pause)();
        state = tlPause;
      }
      break;
  }
}

void TApdCustomComPort::SetTraceSize(std::uint32_t value) {
  TraceSize_ = std::min(value, MaxTraceEntries);
  if (IsOpen() && (Tracing_ == tlOn || Tracing_ == tlPause)) {
    Dispatcher_->TraceDiscard();
    RaiseForCode(this, Dispatcher_->TraceStart(TraceSize_));
    Tracing_ = tlOn;
  }
}

void TApdCustomComPort::SetLogSize(std::uint32_t value) {
  LogSize_ = std::min(value, MaxLogSize);
  if (IsOpen() && (Logging_ == tlOn || Logging_ == tlPause)) {
    Dispatcher_->LogDiscard();
    Dispatcher_->LogStart(LogSize_);
    Logging_ = tlOn;
  }
}

void TApdCustomComPort::SetUseEventWord(bool value) {
  if (value == UseEventWord_ && !ForceUpdate_) return;
  UseEventWord_ = value;
  if (!IsOpen()) return;
  constexpr std::uint32_t event_word_bit = 4;
  value ? Dispatcher_->SetOptionBits(event_word_bit) : Dispatcher_->ClearOptionBits(event_word_bit);
}

void TApdCustomComPort::SetTriggerAvailLevel(std::uint16_t value) {
  if (value == TriggerAvailLevel_ && !ForceUpdate_) return;
  TriggerAvailLevel_ = value;
  if (IsOpen()) Dispatcher_->SetAvailLevel(value);
}

void TApdCustomComPort::SetOnTrigger(TriggerEvent handler) {
  OnTrigger_ = std::move(handler);
  UpdateEventDelivery();
}

void TApdCustomComPort::SetOnTriggerAvail(TriggerAvailEvent handler) {
  OnTriggerAvail_ = std::move(handler);
  UpdateEventDelivery();
}

void TApdCustomComPort::SetOnTriggerData(TriggerHandleEvent handler) {
  OnTriggerData_ = std::move(handler);
  UpdateEventDelivery();
}

void TApdCustomComPort::SetOnTriggerStatus(TriggerHandleEvent handler) {
  OnTriggerStatus_ = std::move(handler);
  UpdateEventDelivery();
}

void TApdCustomComPort::SetOnTriggerTimer(TriggerHandleEvent handler) {
  OnTriggerTimer_ = std::move(handler);
  UpdateEventDelivery();
}

void TApdCustomComPort::SetOnTriggerLineError(TriggerLineErrorEvent handler) {
  OnTriggerLineError_ = std::move(handler);
  UpdateEventDelivery();
}

void TApdCustomComPort::SetOnTriggerModemStatus(NotifyEvent handler) {
  OnTriggerModemStatus_ = std::move(handler);
  UpdateEventDelivery();
}

void TApdCustomComPort::SetOnTriggerOutbuffFree(NotifyEvent handler) {
  OnTriggerOutbuffFree_ = std::move(handler);
  UpdateEventDelivery();
}

void TApdCustomComPort::SetOnTriggerOutbuffUsed(NotifyEvent handler) {
  OnTriggerOutbuffUsed_ = std::move(handler);
  UpdateEventDelivery();
}

void TApdCustomComPort::SetOnTriggerOutSent(NotifyEvent handler) {
  OnTriggerOutSent_ = std::move(handler);
  UpdateEventDelivery();
}

void TApdCustomComPort::Assign(const TApdCustomComPort& source) {
  if (source.IsOpen()) {
    source.Dispatcher_->ExportTriggers(SavedTriggers_);
    RestoreTriggers_ = true;
  }
  ForceUpdate_ = source.ForceUpdate_;
  DeviceLayer_ = source.DeviceLayer_;
  ComNumber_ = source.ComNumber_;
  Baud_ = source.Baud_;
  Parity_ = source.Parity_;
  DataBits_ = source.DataBits_;
  StopBits_ = source.StopBits_;
  InSize_ = source.InSize_;
  OutSize_ = source.OutSize_;
  AutoOpen_ = source.AutoOpen_;
  PromptForPort_ = source.PromptForPort_;
  RS485Mode_ = source.RS485Mode_;
  ThreadBoost_ = source.ThreadBoost_;
  DTR_ = source.DTR_;
  RTS_ = source.RTS_;
  BufferFull_ = source.BufferFull_;
  BufferResume_ = source.BufferResume_;
  HWFlowOptions_ = source.HWFlowOptions_;
  SWFlowOptions_ = source.SWFlowOptions_;
  XOnChar_ = source.XOnChar_;
  XOffChar_ = source.XOffChar_;
  Tracing_ = source.Tracing_;
  TraceSize_ = source.TraceSize_;
  TraceName_ = source.TraceName_;
  TraceHex_ = source.TraceHex_;
  TraceAllHex_ = source.TraceAllHex_;
  Logging_ = source.Logging_;
  LogSize_ = source.LogSize_;
  LogName_ = source.LogName_;
  LogHex_ = source.LogHex_;
  LogAllHex_ = source.LogAllHex_;
  OnTrigger_ = source.OnTrigger_;
  OnTriggerAvail_ = source.OnTriggerAvail_;
  OnTriggerData_ = source.OnTriggerData_;
  OnTriggerStatus_ = source.OnTriggerStatus_;
  OnTriggerTimer_ = source.OnTriggerTimer_;
  OnPortOpen = source.OnPortOpen;
  OnPortClose = source.OnPortClose;
  TapiMode_ = source.TapiMode_;
  SetOpen(false);
}

}  // namespace vx::serial

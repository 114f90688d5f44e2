#include "interface/serial/ad_except.h"
#include "interface/serial/com_port.h"

namespace vx::serial {

TApdBaseDispatcher& TApdCustomComPort::PortDispatcher() {
  if (!Dispatcher_ && !Loading() && OpenState_ == 0 && AutoOpen_) SetOpen(true);
  if (!Dispatcher_) throw ECommNotOpen(-2007);
  return *Dispatcher_;
}

std::uint16_t TApdCustomComPort::ReadLineError() {
  if (!IsOpen()) return 0;
  return static_cast<std::uint16_t>(RaiseForCode(this, Dispatcher_->TakeLineError()));
}

bool TApdCustomComPort::ReadLineBreak() { return IsOpen() && Dispatcher_->TakeLineBreak(); }

std::uint16_t TApdCustomComPort::BytesWaiting() {
  return IsOpen() ? static_cast<std::uint16_t>(Dispatcher_->InputCount()) : 0;
}

std::uint16_t TApdCustomComPort::BytesPending() {
  return IsOpen() ? static_cast<std::uint16_t>(Dispatcher_->OutputCount()) : 0;
}

std::uint8_t TApdCustomComPort::ReadChar() {
  TApdBaseDispatcher& dispatcher = PortDispatcher();
  if (Closing()) return 0;
  std::uint8_t byte = 0;
  RaiseForCode(this, dispatcher.ReadInput(byte));
  return byte;
}

void TApdCustomComPort::WriteChar(std::uint8_t byte) {
  TApdBaseDispatcher& dispatcher = PortDispatcher();
  if (!Closing()) RaiseForCode(this, dispatcher.WriteOutput(byte));
}

void TApdCustomComPort::ClearInput() {
  TApdBaseDispatcher& dispatcher = PortDispatcher();
  if (!Closing()) RaiseForCode(this, dispatcher.DiscardInput());
}

void TApdCustomComPort::ClearOutput() {
  TApdBaseDispatcher& dispatcher = PortDispatcher();
  if (!Closing()) RaiseForCode(this, dispatcher.DiscardOutput());
}

void TApdCustomComPort::ServicePort() {
  TApdBaseDispatcher& dispatcher = PortDispatcher();
  if (!Closing()) RaiseForCode(this, dispatcher.YieldToWorkers());
}

void TApdCustomComPort::StartTrace(std::uint32_t entries) {
  if (!IsOpen()) return;
  RaiseForCode(this, Dispatcher_->TraceStart(entries));
  Tracing_ = tlOn;
}

void TApdCustomComPort::SaveTraceToFile(const ShortText& name, bool hex) {
  if (!IsOpen()) return;
  Tracing_ = tlOff;
  RaiseForCode(this, Dispatcher_->TraceDump(name, TraceAllHex_, hex));
}

void TApdCustomComPort::AppendTraceToFile(const ShortText& name, bool hex) {
  if (!IsOpen()) return;
  Tracing_ = tlOff;
  RaiseForCode(this, Dispatcher_->TraceAppend(name, TraceAllHex_, hex));
}

void TApdCustomComPort::ClearTrace() {
  if (IsOpen()) Dispatcher_->TraceClear();
}

void TApdCustomComPort::StopTrace() {
  if (!IsOpen()) return;
  Dispatcher_->TraceDiscard();
  Tracing_ = tlOff;
}

void TApdCustomComPort::ResumeTrace() {
  if (!IsOpen()) return;
  Dispatcher_->TraceResume();
  Tracing_ = tlOn;
}

void TApdCustomComPort::PauseTrace() {
  if (!IsOpen()) return;
  Dispatcher_->TracePause();
  Tracing_ = tlPause;
}

void TApdCustomComPort::StartLog(std::uint32_t bytes) {
  if (!IsOpen()) return;
  Dispatcher_->LogStart(bytes);
  Logging_ = tlOn;
}

void TApdCustomComPort::SaveLogToFile(const ShortText& name, bool hex) {
  if (!IsOpen()) return;
  Logging_ = tlOff;
  RaiseForCode(this, Dispatcher_->LogDump(name, LogAllHex_, hex));
}

void TApdCustomComPort::AppendLogToFile(const ShortText& name, bool hex) {
  if (!IsOpen()) return;
  Logging_ = tlOff;
  RaiseForCode(this, Dispatcher_->LogAppend(name, LogAllHex_, hex));
}

void TApdCustomComPort::ClearLog() {
  if (IsOpen()) Dispatcher_->LogClear();
}

void TApdCustomComPort::StopLog() {
  if (!IsOpen()) return;
  Dispatcher_->LogDiscard();
  Logging_ = tlOff;
}

void TApdCustomComPort::ResumeLog() {
  if (!IsOpen()) return;
  Dispatcher_->LogResume();
  Logging_ = tlOn;
}

void TApdCustomComPort::PauseLog() {
  if (!IsOpen()) return;
  Dispatcher_->LogPause();
  Logging_ = tlPause;
}

}  // namespace vx::serial

#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "foundation/short_text.h"
#include "interface/serial/base_dispatcher.h"
#include "interface/serial/oo_misc.h"
#include "platform/ws/message_window.h"

// The component through which the program uses a COM port: it keeps the
// port's settings, makes a dispatcher when the port opens, turns negative
// dispatcher results into exceptions, and receives the dispatcher's event
// messages on a hidden window of the main thread.
namespace vx::serial {

enum TParity : std::uint8_t { pNone = 0, pOdd = 1, pEven = 2, pMark = 3, pSpace = 4 };
enum TDeviceLayer : std::uint8_t { dlWin32 = 0, dlWinsock = 1 };
enum TTapiMode : std::uint8_t { tmNone = 0, tmAuto = 1, tmOn = 2, tmOff = 3 };
enum THWFlowOptions : std::uint8_t { hwfUseDTR = 1, hwfUseRTS = 2, hwfRequireDSR = 4, hwfRequireCTS = 8 };
using THWFlowOptionSet = std::uint8_t;
enum TSWFlowOptions : std::uint8_t { swfNone = 0, swfReceive = 1, swfTransmit = 2, swfBoth = 3 };
enum TTraceLogState : std::uint8_t { tlOff = 0, tlOn = 1, tlDump = 2, tlAppend = 3, tlClear = 4, tlPause = 5 };

// Posted by the component to its notification window for a close that waits for its workers.
inline constexpr ws::MessageId MsgPortClosing = 32266;

inline constexpr std::uint32_t MaxLogSize = 16'000'000;

class TApdCustomComPort : public TApdBaseComponent {
 public:
  using TriggerEvent = std::function<void(TApdCustomComPort&, ws::MessageId message, std::uint32_t trigger,
                                          std::uint32_t data)>;
  using TriggerAvailEvent = std::function<void(TApdCustomComPort&, std::uint32_t count)>;
  using TriggerHandleEvent = std::function<void(TApdCustomComPort&, std::uint32_t trigger)>;
  using TriggerLineErrorEvent = std::function<void(TApdCustomComPort&, std::uint16_t error, bool line_break)>;
  using NotifyEvent = std::function<void(TApdCustomComPort&)>;

  TApdCustomComPort();
  ~TApdCustomComPort() override;
  TApdCustomComPort(const TApdCustomComPort&) = delete;
  TApdCustomComPort& operator=(const TApdCustomComPort&) = delete;

  TDeviceLayer DeviceLayer() const { return DeviceLayer_; }
  void SetDeviceLayer(TDeviceLayer value);
  std::uint16_t ComNumber() const { return ComNumber_; }
  void SetComNumber(std::uint16_t value);
  std::int32_t Baud() const { return Baud_; }
  void SetBaud(std::int32_t value);
  TParity Parity() const { return Parity_; }
  void SetParity(TParity value);
  std::uint16_t DataBits() const { return DataBits_; }
  void SetDataBits(std::uint16_t value);
  std::uint16_t StopBits() const { return StopBits_; }
  void SetStopBits(std::uint16_t value);
  std::uint16_t InSize() const { return InSize_; }
  void SetInSize(std::uint16_t value);
  std::uint16_t OutSize() const { return OutSize_; }
  void SetOutSize(std::uint16_t value);
  bool Open() const { return Open_; }
  void SetOpen(bool value);
  bool PromptForPort() const { return PromptForPort_; }
  void SetPromptForPort(bool value) { PromptForPort_ = value; }
  bool AutoOpen() const { return AutoOpen_; }
  void SetAutoOpen(bool value) { AutoOpen_ = value; }
  std::uint16_t CommNotificationLevel() const { return CommNotificationLevel_; }
  void SetCommNotificationLevel(std::uint16_t value) { CommNotificationLevel_ = value; }
  TTapiMode TapiMode() const { return TapiMode_; }
  void SetTapiMode(TTapiMode value) { TapiMode_ = value; }
  bool RS485Mode() const { return RS485Mode_; }
  void SetRS485Mode(bool value);
  std::uint8_t ThreadBoost() const { return ThreadBoost_; }
  void SetThreadBoost(std::uint8_t value);
  bool DTR() const { return DTR_; }
  void SetDTR(bool value);
  bool RTS() const { return RTS_; }
  void SetRTS(bool value);
  std::uint16_t BufferFull() const { return BufferFull_; }
  void SetBufferFull(std::uint16_t value);
  std::uint16_t BufferResume() const { return BufferResume_; }
  void SetBufferResume(std::uint16_t value);
  THWFlowOptionSet HWFlowOptions() const { return HWFlowOptions_; }
  void SetHWFlowOptions(THWFlowOptionSet value);
  TSWFlowOptions SWFlowOptions() const { return SWFlowOptions_; }
  void SetSWFlowOptions(TSWFlowOptions value);
  char XOnChar() const { return XOnChar_; }
  void SetXOnChar(char value);
  char XOffChar() const { return XOffChar_; }
  void SetXOffChar(char value);
  TTraceLogState Tracing() const { return Tracing_; }
  void SetTracing(TTraceLogState value);
  std::uint32_t TraceSize() const { return TraceSize_; }
  void SetTraceSize(std::uint32_t value);
  const ShortText& TraceName() const { return TraceName_; }
  void SetTraceName(const ShortText& value) { TraceName_ = value; }
  bool TraceHex() const { return TraceHex_; }
  void SetTraceHex(bool value) { TraceHex_ = value; }
  bool TraceAllHex() const { return TraceAllHex_; }
  void SetTraceAllHex(bool value) { TraceAllHex_ = value; }
  TTraceLogState Logging() const { return Logging_; }
  void SetLogging(TTraceLogState value);
  std::uint32_t LogSize() const { return LogSize_; }
  void SetLogSize(std::uint32_t value);
  const ShortText& LogName() const { return LogName_; }
  void SetLogName(const ShortText& value) { LogName_ = value; }
  bool LogHex() const { return LogHex_; }
  void SetLogHex(bool value) { LogHex_ = value; }
  bool LogAllHex() const { return LogAllHex_; }
  void SetLogAllHex(bool value) { LogAllHex_ = value; }
  bool UseMSRShadow() const { return UseMSRShadow_; }
  void SetUseMSRShadow(bool value) { UseMSRShadow_ = value; }
  bool UseEventWord() const { return UseEventWord_; }
  void SetUseEventWord(bool value);
  std::uint16_t TriggerAvailLevel() const { return TriggerAvailLevel_; }
  void SetTriggerAvailLevel(std::uint16_t value);

  // Trigger events; assigning one tells the dispatcher whether any is assigned.
  void SetOnTrigger(TriggerEvent handler);
  void SetOnTriggerAvail(TriggerAvailEvent handler);
  void SetOnTriggerData(TriggerHandleEvent handler);
  void SetOnTriggerStatus(TriggerHandleEvent handler);
  void SetOnTriggerTimer(TriggerHandleEvent handler);
  void SetOnTriggerLineError(TriggerLineErrorEvent handler);
  void SetOnTriggerModemStatus(NotifyEvent handler);
  void SetOnTriggerOutbuffFree(NotifyEvent handler);
  void SetOnTriggerOutbuffUsed(NotifyEvent handler);
  void SetOnTriggerOutSent(NotifyEvent handler);
  NotifyEvent OnPortOpen;
  NotifyEvent OnPortClose;

  // 1 input overflow, 2 overrun, 3 parity, 4 framing, 9 break, 0 none; taking clears it. 0 when not open.
  std::uint16_t ReadLineError();
  bool ReadLineBreak();
  std::uint16_t BytesWaiting();
  std::uint16_t BytesPending();
  std::uint8_t ReadChar();
  void WriteChar(std::uint8_t byte);
  void ClearInput();
  void ClearOutput();
  // Gives the rest of the caller's time slice to the port's threads.
  void ServicePort();

  void StartTrace(std::uint32_t entries);
  void SaveTraceToFile(const ShortText& name, bool hex);
  void AppendTraceToFile(const ShortText& name, bool hex);
  void ClearTrace();
  void StopTrace();
  void ResumeTrace();
  void PauseTrace();
  void StartLog(std::uint32_t bytes);
  void SaveLogToFile(const ShortText& name, bool hex);
  void AppendLogToFile(const ShortText& name, bool hex);
  void ClearLog();
  void StopLog();
  void ResumeLog();
  void PauseLog();

  // Takes the settings of another component; this one ends closed.
  void Assign(const TApdCustomComPort& source);
  // Ends loading: a port asked to open meanwhile opens now.
  void Loaded();

  // 0 closed, 1 closing, 2 open.
  std::uint8_t OpenState() const { return OpenState_; }
  TApdBaseDispatcher* Dispatcher() const { return Dispatcher_.get(); }
  ws::WindowHandle NotificationWindow() const { return Window_ ? Window_->handle() : ws::no_window; }

 protected:
  virtual std::unique_ptr<TApdBaseDispatcher> CreateDispatcher();
  virtual std::int32_t OpenDevice();
  virtual void ComWindow(bool create);
  virtual void ValidatePort();
  virtual void TriggerEventHandler(ws::MessageId message, std::uint32_t trigger, std::uint32_t data);
  virtual void TriggerAvailHandler(std::uint32_t count);
  virtual void TriggerDataHandler(std::uint32_t trigger);
  virtual void TriggerStatusHandler(std::uint32_t trigger);
  virtual void TriggerTimerHandler(std::uint32_t trigger);
  virtual void UpdateEventDelivery();
  virtual void TriggerLineErrorHandler(std::uint16_t error, bool line_break);
  virtual void TriggerModemStatusHandler();
  virtual void TriggerOutbuffFreeHandler();
  virtual void TriggerOutbuffUsedHandler();
  virtual void TriggerOutSentHandler();
  virtual void ClosePort();
  virtual void PortOpened();
  virtual void PortClosed();
  virtual void OpenPort();

 private:
  bool IsOpen() const { return OpenState_ == 2; }
  bool Closing() const { return OpenState_ == 1; }
  // The dispatcher, opening the port first when AutoOpen allows; raises -2007 without one.
  TApdBaseDispatcher& PortDispatcher();
  // Gives the line settings to an open port.
  void ApplyLine();
  void ApplyFlow();
  void ApplyTraceLog(bool trace, TTraceLogState value);
  // The window procedure of the notification window.
  ws::LResult ComWindowProc(ws::MessageWindow& window, ws::Message& message);
  // Frees the dispatcher once its workers have ended, else looks again shortly.
  void FinishClose();
  void EndClose();
  // Runs a setter with the force-update flag set.
  template <typename Setter>
  void Forced(Setter setter) {
    const bool before = ForceUpdate_;
    ForceUpdate_ = true;
    setter();
    ForceUpdate_ = before;
  }

  bool ForceUpdate_ = false;
  std::uint8_t OpenState_ = 0;
  bool ReopenPending_ = false;
  bool OpenAfterLoad_ = false;
  bool RestoreTriggers_ = false;
  SavedTriggers SavedTriggers_;
  std::unique_ptr<ws::MessageWindow> Window_;
  // Windows whose procedure may still be running when they were let go.
  std::vector<std::unique_ptr<ws::MessageWindow>> RetiredWindows_;
  int WindowProcDepth_ = 0;
  int TriggerHandlerDepth_ = 0;
  std::unique_ptr<TApdBaseDispatcher> Dispatcher_;

  TDeviceLayer DeviceLayer_ = dlWin32;
  std::uint16_t ComNumber_ = 0;
  std::int32_t Baud_ = 19200;
  TParity Parity_ = pNone;
  std::uint16_t DataBits_ = 8;
  std::uint16_t StopBits_ = 1;
  std::uint16_t InSize_ = 4096;
  std::uint16_t OutSize_ = 4096;
  bool Open_ = false;
  bool PromptForPort_ = true;
  bool AutoOpen_ = true;
  std::uint16_t CommNotificationLevel_ = 10;
  TTapiMode TapiMode_ = tmAuto;
  bool RS485Mode_ = false;
  std::uint8_t ThreadBoost_ = 0;
  bool DTR_ = true;
  bool RTS_ = true;
  std::uint16_t BufferFull_ = 0;
  std::uint16_t BufferResume_ = 0;
  THWFlowOptionSet HWFlowOptions_ = 0;
  TSWFlowOptions SWFlowOptions_ = swfNone;
  char XOnChar_ = 17;
  char XOffChar_ = 19;
  TTraceLogState Tracing_ = tlOff;
  std::uint32_t TraceSize_ = 10000;
  ShortText TraceName_ = "TARVO.TRC";
  bool TraceHex_ = true;
  bool TraceAllHex_ = false;
  TTraceLogState Logging_ = tlOff;
  std::uint32_t LogSize_ = 10000;
  ShortText LogName_ = "TARVO.LOG";
  bool LogHex_ = true;
  bool LogAllHex_ = false;
  bool UseMSRShadow_ = true;
  bool UseEventWord_ = true;
  std::uint16_t TriggerAvailLevel_ = 1;

  TriggerEvent OnTrigger_;
  TriggerAvailEvent OnTriggerAvail_;
  TriggerHandleEvent OnTriggerData_;
  TriggerHandleEvent OnTriggerStatus_;
  TriggerHandleEvent OnTriggerTimer_;
  TriggerLineErrorEvent OnTriggerLineError_;
  NotifyEvent OnTriggerModemStatus_;
  NotifyEvent OnTriggerOutbuffFree_;
  NotifyEvent OnTriggerOutbuffUsed_;
  NotifyEvent OnTriggerOutSent_;
};

// The component as the program places it.
class TApdComPort final : public TApdCustomComPort {};

}  // namespace vx::serial

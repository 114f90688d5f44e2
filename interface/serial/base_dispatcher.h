#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "foundation/short_text.h"
#include "interface/serial/dispatcher_signals.h"
#include "interface/serial/oo_misc.h"
#include "platform/serial/serial_device.h"
#include "platform/ws/types.h"

// The port-independent core of the serial-port stack: the rings, the line
// settings, modem-line and line-error state, triggers and event delivery.
// Everything that touches the device is left to a derived dispatcher.
namespace vx::serial {

inline constexpr std::uint32_t InputRingSize = 8192;

inline constexpr ws::MessageId MsgTriggerAvail = 0x7E01;
inline constexpr ws::MessageId MsgTriggerData = 0x7E02;
inline constexpr ws::MessageId MsgTriggerTimer = 0x7E03;
inline constexpr ws::MessageId MsgTriggerStatus = 0x7E04;

// Sentinels of ChangeLine that keep the present value.
inline constexpr std::uint32_t KeepBaud = 0;
inline constexpr std::uint8_t KeepParity = 5;
inline constexpr std::uint8_t KeepDataBits = 9;
inline constexpr std::uint8_t KeepStopBits = 3;

// lineOptions of AttachDevice.
inline constexpr std::uint32_t LineDtrOn = 0x01;
inline constexpr std::uint32_t LineRtsOn = 0x02;
inline constexpr std::uint32_t LineDtrFlow = 0x10;
inline constexpr std::uint32_t LineRtsFlow = 0x20;

// Hardware and software flow options.
inline constexpr std::uint32_t hfUseDTR = 1;
inline constexpr std::uint32_t hfUseRTS = 2;
inline constexpr std::uint32_t hfRequireDSR = 4;
inline constexpr std::uint32_t hfRequireCTS = 8;
inline constexpr std::uint32_t sfTransmitFlow = 1;
inline constexpr std::uint32_t sfReceiveFlow = 2;

// Status trigger kinds.
inline constexpr std::uint32_t stModem = 1;
inline constexpr std::uint32_t stLine = 2;
inline constexpr std::uint32_t stOutBuffFree = 3;
inline constexpr std::uint32_t stOutBuffUsed = 4;
inline constexpr std::uint32_t stOutSent = 5;

inline constexpr std::size_t MaxTrigData = 22;

struct TimerTrigger {
  std::uint32_t Handle = 0;
  EventTimer Timer;
  bool Active = false;
};

struct DataTrigger {
  std::uint32_t Handle = 0;
  std::uint32_t Length = 0;
  std::array<std::uint32_t, MaxTrigData> Counters{};
  bool Matched = false;
  bool IgnoreCase = false;
  std::array<std::uint8_t, MaxTrigData> Pattern{};
};

struct StatusTrigger {
  std::uint32_t Handle = 0;
  std::uint32_t Kind = 0;
  std::uint16_t Value = 0;
  bool Armed = false;
  bool Fired = false;
};

// Triggers kept by the component while its port is closed.
struct SavedTriggers {
  std::int32_t AvailLevel = 0;
  std::vector<TimerTrigger> Timers;
  std::vector<DataTrigger> Data;
  std::vector<StatusTrigger> Status;
};

struct WindowReceiver {
  ws::WindowHandle Window = ws::no_window;
  bool Deleted = false;
};

// 115200 for 0xFEFF; the rates of the baud index codes 0xFF10-0xFF27; every other value as it is.
std::uint32_t DecodeBaud(std::uint32_t code);
// One step of a data trigger's match; true on a full match, which zeroes the counters.
bool MatchDataByte(std::array<std::uint32_t, MaxTrigData>& counters, std::uint8_t byte, std::uint32_t length,
                   bool ignore_case, const std::array<std::uint8_t, MaxTrigData>& pattern);
// The milliseconds of 18 characters before a line change, doubled below 1 ms; 0 for a rate of 0.
std::uint32_t LineQuietMs(std::uint32_t baud, const platform::DeviceControlBlock& state);

// All operations report 0 (or a count) for success and a negative code for failure.
class TApdBaseDispatcher {
 public:
  explicit TApdBaseDispatcher(TApdBaseComponent* owner);
  virtual ~TApdBaseDispatcher();
  TApdBaseDispatcher(const TApdBaseDispatcher&) = delete;
  TApdBaseDispatcher& operator=(const TApdBaseDispatcher&) = delete;

  // Device operations of a derived dispatcher.
  virtual std::int32_t DevEscape(std::uint32_t function) = 0;
  virtual std::int32_t DevPurge(std::uint32_t which) = 0;
  virtual std::uint32_t DevReadErrors(platform::SerialPortStatus& status) = 0;
  virtual std::int32_t DevEventHint(std::uint32_t mask) = 0;
  virtual std::int32_t DevGetState(platform::DeviceControlBlock& state) = 0;
  virtual std::int32_t DevRead(std::uint8_t* buffer, std::uint32_t count) = 0;
  virtual std::int32_t DevSetState(const platform::DeviceControlBlock& state) = 0;
  virtual std::int32_t DevWrite(const std::uint8_t* data, std::uint32_t count) = 0;
  virtual bool DevSetQueues(std::uint32_t in_size, std::uint32_t out_size) = 0;
  // The modem lines as the device reports them (MS_ bits); false when it cannot tell.
  virtual bool DevModemStatus(std::uint32_t& lines) = 0;
  virtual void CloseBuffers();
  virtual void StartWorkers() = 0;
  virtual void StopWorkers() = 0;
  virtual std::int32_t DevOpen(const ShortText& name, std::uint32_t in_size, std::uint32_t out_size) = 0;
  virtual std::int32_t DevClose() = 0;
  virtual std::int32_t YieldToWorkers() = 0;
  virtual void ApplyThreadBoost(std::uint8_t boost);
  virtual void SetEventDelivery(std::uint8_t mode);

  // Device attachment.
  std::int32_t AttachDevice(const ShortText& device_name, std::uint32_t baud, std::uint8_t parity,
                            std::uint8_t data_bits, std::uint8_t stop_bits, std::uint32_t in_queue,
                            std::uint32_t out_queue, std::uint32_t line_options);
  void DetachDevice();

  // Line settings.
  std::int32_t ChangeLine(std::uint32_t baud, std::uint8_t parity, std::uint8_t data_bits, std::uint8_t stop_bits);
  void QueryLine(std::uint32_t& baud, std::uint8_t& parity, std::uint8_t& stop_bits, std::uint8_t& data_bits);
  std::int32_t DriveDtr(bool on);
  std::int32_t DriveRts(bool on);
  std::int32_t ApplyHardwareFlow(std::uint32_t buffer_full, std::uint32_t buffer_resume, std::uint32_t options);
  std::int32_t ApplySoftwareFlow(std::uint32_t buffer_full, std::uint32_t buffer_resume, std::uint32_t options);
  std::int32_t StopSoftwareFlow();
  std::int32_t SetFlowChars(char xon, char xoff);
  std::int32_t QueryFlow(std::uint32_t& hw_options, std::uint32_t& sw_options, char& xoff, char& xon);
  void ApplyRS485(bool on);
  void SetOptionBits(std::uint32_t bits);
  void ClearOptionBits(std::uint32_t bits);

  // Status.
  platform::SerialPortStatus RefreshPortStatus();
  void RefreshModemDeltas();
  std::uint8_t ReadModemStatus(std::uint32_t keep_mask);
  std::int32_t TakeLineError();
  bool TakeLineBreak();

  // Input.
  std::uint32_t InputCount();
  std::int32_t PeekInput(std::uint32_t n, std::uint8_t& byte);
  std::int32_t ReadInput(std::uint8_t& byte);
  std::int32_t DiscardInput();
  bool PullDeviceInput();

  // Output.
  std::uint32_t OutputCount();
  std::uint32_t OutputSpace();
  std::int32_t WriteOutput(std::uint8_t byte);
  std::int32_t WriteOutputBlock(const std::uint8_t* data, std::uint32_t count);
  std::int32_t DiscardOutput();

  // Triggers and events.
  static std::uint32_t StatusTriggerKind(std::uint32_t handle) { return handle & 7; }
  void SetAvailLevel(std::int32_t level);
  void ClearTriggers();
  void ExportTriggers(SavedTriggers& saved);
  void ImportTriggers(const SavedTriggers& saved);
  static void FreeSavedTriggers(SavedTriggers& saved);
  void AddWindowReceiver(ws::WindowHandle window);
  void RemoveWindowReceiver(ws::WindowHandle window);
  bool DeliverEvent(ws::MessageId message, std::uint32_t trigger, std::uint32_t data);

  // Byte trace: the last bytes received ('R') and transmitted ('T').
  std::int32_t TraceStart(std::uint32_t entries);
  std::int32_t TraceClear();
  void TraceDiscard();
  void TraceResume();
  void TracePause();
  void TraceAdd(char kind, std::uint8_t byte);
  std::int32_t TraceDump(const ShortText& file_name, bool all_hex, bool hex_controls);
  std::int32_t TraceAppend(const ShortText& file_name, bool all_hex, bool hex_controls);

  // Dispatch log: what the dispatcher did, with the milliseconds since the open.
  std::int32_t LogStart(std::uint32_t size);
  std::int32_t LogClear();
  void LogDiscard();
  void LogResume();
  void LogPause();
  void LogAdd(std::uint8_t type, std::uint8_t subtype, std::uint32_t count, const std::uint8_t* bytes,
              std::uint32_t data);
  std::uint32_t LogElapsed();
  std::int32_t LogDump(const ShortText& file_name, bool all_hex, bool hex_controls);
  std::int32_t LogAppend(const ShortText& file_name, bool all_hex, bool hex_controls);

  // Dispatch steps of the dispatch thread.
  void ServiceCommEvent();
  void ServiceTimers();
  bool ScanStatusTriggers();
  bool ScanDataTriggers();
  bool ScanTimerTriggers();

  std::int32_t GetListIndex() const { return ListIndex; }
  bool InDispatchNow() const { return InDispatch; }
  std::int32_t RunningWorkerCount() const { return RunningThreads; }
  bool WorkersStarted() const { return ThreadsStarted; }
  bool CloseIsRequested() const { return CloseRequested; }
  // The device layer's line for the last open that failed, when it had one.
  const std::string& OpenProblem() const { return LastOpenProblem; }
  TApdBaseComponent* Owner() const { return ComPort; }
  // "COMn", shown in the dispatch log.
  void SetDeviceName(const ShortText& name) { DeviceName = name; }
  bool DeliveryIsActive();
  std::size_t WindowReceiverCount();
  std::uint32_t GetLastBaud();

 protected:
  enum class Worker { Com, Disp, Out };
  struct WorkerThread {
    std::thread thread;
    std::atomic<bool> running{false};
    // The system's id of the thread, for its priority.
    std::atomic<std::int64_t> id{0};
  };

  // The destructor's work, for the most derived class to run while its device operations still exist.
  void ShutDown();
  void WorkerExited(Worker worker);
  void ResetStatusTriggers();
  void ResetDataMatches();
  // The status-trigger scan loop of a dispatch step; false when a close was requested meanwhile.
  bool ScanStatusUntilQuiet();
  void AdvanceInputTail(std::uint32_t count);
  // Unread bytes already read or discarded by the receivers of the dispatch running; under InputLock.
  std::uint32_t HandlerTakenCount() const;
  std::int32_t ApplyLineState();
  void PrepareLineState();
  void WaitLineQuiet();
  std::int32_t TraceWrite(const ShortText& file_name, bool append, bool all_hex, bool hex_controls);
  std::int32_t LogWrite(const ShortText& file_name, bool append, bool all_hex, bool hex_controls);
  // Stores n bytes, dropping the oldest entries to make room; false when they can never fit.
  bool LogPut(const std::uint8_t* bytes, std::uint32_t n);
  // Takes the oldest entry: its header, and its bytes into LogScratch; false when the log is empty.
  bool LogTake(std::array<std::uint8_t, 14>& header);

  TApdBaseComponent* const ComPort;
  std::int32_t ListIndex = -1;
  std::atomic<std::int32_t> DeviceHandle{-1};
  // Every error bit seen and not yet taken; changed atomically so that no thread loses another's.
  std::atomic<std::uint32_t> LineErrors{0};
  std::uint32_t InQueueSize = 0;
  std::uint32_t OutQueueSize = 0;

  // Guarded by MainLock.
  std::uint32_t ModemStatus = 0;
  platform::DeviceControlBlock LineState;
  std::uint32_t LastBaud = 115200;
  std::uint32_t OptionWord = 0;
  bool DtrOn = false;
  bool DtrAuto = false;
  bool RtsOn = false;
  bool RtsAuto = false;
  bool RS485On = false;
  bool DeliveryForced = false;
  bool DeliveryActive = false;
  std::vector<WindowReceiver> WindowReceivers;
  std::vector<TimerTrigger> TimerTriggers;
  std::vector<DataTrigger> DataTriggers;
  std::vector<StatusTrigger> StatusTriggers;
  std::int32_t AvailLevel = 0;
  bool StatusFired = false;
  bool RemovalsPending = false;

  // Dispatch thread.
  std::uint32_t DataScanPos = 0;
  std::uint32_t LastAvailPos = 0;

  // Guarded by InputLock.
  bool InDataDispatch = false;
  std::uint32_t HandlerReadCount = 0;
  std::uint32_t HandlerSkipCount = 0;
  bool InputFull = false;
  std::vector<std::uint8_t> InputRing;
  std::uint32_t InHead = 0;
  std::uint32_t InTail = 0;

  // Guarded by OutputLock.
  std::vector<std::uint8_t> OutputRing;
  std::uint32_t OutHead = 0;
  std::uint32_t OutTail = 0;
  bool OutputFull = false;

  std::atomic<bool> StopRequested{false};
  std::atomic<bool> InDispatch{false};
  std::atomic<bool> CloseRequested{false};
  std::atomic<bool> OutputSent{false};
  std::atomic<bool> RingSeen{false};
  std::atomic<std::uint32_t> EventMask{0};
  std::atomic<bool> ThreadsStarted{false};
  std::atomic<std::int32_t> RunningThreads{0};
  WorkerThread ComThread;
  WorkerThread DispThread;
  WorkerThread OutThread;
  std::uint8_t ThreadBoost = 0;
  std::uint32_t OpenTime = 0;
  ShortText DeviceName;

  // Trace and log, guarded by MainLock.
  bool TraceOn = false;
  std::vector<std::uint8_t> TraceBuffer;
  std::uint32_t TracePos = 0;
  std::uint32_t TraceSize = 0;
  bool TraceWrapped = false;
  bool LogOn = false;
  std::vector<std::uint8_t> LogBuffer;
  std::uint32_t LogHead = 0;
  std::uint32_t LogTail = 0;
  std::uint32_t LogFree = 0;
  std::uint32_t LogSize = 0;
  std::vector<std::uint8_t> LogScratch;

  std::recursive_mutex MainLock;
  std::recursive_mutex OutputLock;
  std::recursive_mutex InputLock;
  DispatcherSignals Signals;
  // The system error of the last device operation that failed.
  std::atomic<std::uint32_t> LastSystemError{0};
  std::string LastOpenProblem;
  // Told whenever a worker thread ends.
  std::mutex ExitLock;
  std::condition_variable WorkerExitedSignal;
};

}  // namespace vx::serial

#include "interface/serial/base_dispatcher.h"

#include "interface/serial/dispatcher_list.h"
#include "platform/thread_priority.h"

namespace vx::serial {

std::uint32_t DecodeBaud(std::uint32_t code) {
  struct IndexRate {
    std::uint32_t code;
    std::uint32_t baud;
  };
  static constexpr IndexRate rates[] = {
      {0xFF10, 110},   {0xFF11, 300},   {0xFF12, 600},   {0xFF13, 1200},  {0xFF14, 2400},
      {0xFF15, 4800},  {0xFF16, 9600},  {0xFF17, 14400}, {0xFF18, 19200}, {0xFF1B, 38400},
      {0xFF1F, 56000}, {0xFF23, 128000}, {0xFF27, 256000},
  };
  if (code == 0xFEFF) return 115200;
  for (const IndexRate& rate : rates) {
    if (rate.code == code) return rate.baud;
  }
  return code;
}

TApdBaseDispatcher::TApdBaseDispatcher(TApdBaseComponent* owner) : ComPort(owner) {
  ListIndex = register_dispatcher(this);
}

TApdBaseDispatcher::~TApdBaseDispatcher() { unregister_dispatcher(ListIndex, this); }

// A close deferred by a delivery is finished here too: no worker outlives its dispatcher.
void TApdBaseDispatcher::ShutDown() {
  if (!CloseRequested) DetachDevice();
  CloseBuffers();
  std::lock_guard lock(MainLock);
  WindowReceivers.clear();
  ClearTriggers();
  TraceDiscard();
  LogDiscard();
}

std::int32_t TApdBaseDispatcher::AttachDevice(const ShortText& device_name, std::uint32_t baud, std::uint8_t parity,
                                              std::uint8_t data_bits, std::uint8_t stop_bits,
                                              std::uint32_t in_queue, std::uint32_t out_queue,
                                              std::uint32_t line_options) {
  RingSeen = false;
  InDispatch = false;
  RemovalsPending = false;
  Signals.create();
  std::int32_t result = 0;
  DeviceHandle = DevOpen(device_name, in_queue, out_queue);
  if (DeviceHandle < 0) {
    result = DeviceHandle == -8 ? -8 : -static_cast<std::int32_t>(LastSystemError);
  } else if (!DevSetQueues(in_queue, out_queue)) {
    result = -static_cast<std::int32_t>(LastSystemError);
  } else {
    {
      std::scoped_lock locks(InputLock, OutputLock);
      InputRing.assign(InputRingSize, 0);
      OutputRing.assign(out_queue, 0);
      OutHead = OutTail = 0;
      OutputFull = InputFull = false;
      HandlerReadCount = 0;
    }
    OutputSent = false;
    CloseRequested = false;
    LineErrors = 0;
    InQueueSize = in_queue;
    OutQueueSize = out_queue;
    {
      std::lock_guard lock(MainLock);
      RS485On = false;
      DevGetState(LineState);
      DtrAuto = (line_options & LineDtrFlow) != 0;
      if (!DtrAuto) DriveDtr((line_options & LineDtrOn) != 0);
      RtsAuto = (line_options & LineRtsFlow) != 0;
      if (!RtsAuto) DriveRts((line_options & LineRtsOn) != 0);
      DataScanPos = 0;
      ClearTriggers();
    }
    {
      std::lock_guard lock(InputLock);
      InHead = InTail = 0;
      InDataDispatch = false;
    }
    LastAvailPos = 0;
    {
      std::lock_guard lock(MainLock);
      ResetStatusTriggers();
      ModemStatus = 0;
      ReadModemStatus(0xF0);
      LastBaud = 115200;
    }
    result = ChangeLine(baud, parity, data_bits, stop_bits);
    if (result == 0) {
      RefreshPortStatus();
      TraceDiscard();
      LogDiscard();
      OpenTime = ElapsedMs();
      StartWorkers();
      return 0;
    }
  }
  DetachDevice();
  return result;
}

void TApdBaseDispatcher::DetachDevice() {
  if (DeviceHandle >= 0) {
    DiscardOutput();
    DiscardInput();
    DevClose();
  }
  if (InDispatch) {
    CloseRequested = true;
    return;
  }
  CloseBuffers();
}

// The workers are joined before the rings go: none of them can still be using them.
void TApdBaseDispatcher::CloseBuffers() {
  StopWorkers();
  std::scoped_lock locks(InputLock, OutputLock);
  std::vector<std::uint8_t>().swap(InputRing);
  std::vector<std::uint8_t>().swap(OutputRing);
  InHead = InTail = OutHead = OutTail = 0;
  InputFull = OutputFull = false;
}

void TApdBaseDispatcher::WorkerExited(Worker worker) {
  WorkerThread& thread = worker == Worker::Com ? ComThread : worker == Worker::Disp ? DispThread : OutThread;
  {
    std::lock_guard lock(ExitLock);
    thread.running = false;
    if (--RunningThreads == 0) ThreadsStarted = false;
  }
  WorkerExitedSignal.notify_all();
}

void TApdBaseDispatcher::ApplyThreadBoost(std::uint8_t boost) {
  std::lock_guard lock(MainLock);
  if (boost == ThreadBoost) return;
  ThreadBoost = boost;
  for (WorkerThread* thread : {&ComThread, &DispThread, &OutThread}) {
    if (!thread->running) continue;
    const bool output_for_rs485 = thread == &OutThread && RS485On;
    platform::set_thread_priority(thread->id, static_cast<std::uint8_t>(boost + (output_for_rs485 ? 4 : 3)));
  }
}

}  // namespace vx::serial

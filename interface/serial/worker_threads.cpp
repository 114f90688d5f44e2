#include <chrono>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "interface/serial/win32_dispatcher.h"
#include "platform/thread_priority.h"
#include "platform/ws/application.h"

namespace vx::serial {
namespace {

// How long each worker's start-up is waited for, and the dispatch thread's period.
constexpr std::uint32_t start_ack_timeout_ms = 3000;
constexpr std::uint32_t dispatch_period_ms = 50;

}  // namespace

void TApdWin32Dispatcher::StartWorkers() {
  {
    std::lock_guard lock(MainLock);
    if (ThreadsStarted) throw std::runtime_error("Dispatcher already started");
    ThreadsStarted = true;
    StopRequested = false;
  }
  for (WorkerThread* worker : {&ComThread, &DispThread, &OutThread}) {
    if (worker->thread.joinable()) worker->thread.join();
  }
  StartWorker(ComThread, Worker::Com, &TApdWin32Dispatcher::ComThreadExecute);
  StartWorker(DispThread, Worker::Disp, &TApdWin32Dispatcher::DispThreadExecute);
  StartWorker(OutThread, Worker::Out, &TApdWin32Dispatcher::OutThreadExecute);
}

void TApdWin32Dispatcher::StartWorker(WorkerThread& worker, Worker which, void (TApdWin32Dispatcher::*body)()) {
  ++RunningThreads;
  worker.running = true;
  worker.thread = std::thread(&TApdWin32Dispatcher::RunWorker, this, std::ref(worker), which, body);
  Signals.wait({DispatcherSignals::AckSignal}, start_ack_timeout_ms);
}

// An exception that escapes a worker is shown and ends that worker.
void TApdWin32Dispatcher::RunWorker(WorkerThread& worker, Worker which, void (TApdWin32Dispatcher::*body)()) {
  worker.id = platform::current_thread_id();
  try {
    (this->*body)();
  } catch (const std::exception& error) {
    ws::show_exception(error);
  }
  WorkerExited(which);
}

// Stop is asked under MainLock, but the workers are waited for without it:
// the dispatch thread may need MainLock to finish its step.
void TApdWin32Dispatcher::StopWorkers() {
  {
    std::lock_guard lock(MainLock);
    StopRequested = true;
  }
  if (OutThread.running) {
    Signals.set(DispatcherSignals::OutputStopSignal);
    Device->wake_writer();
    WaitForWorker(OutThread);
  }
  if (ComThread.running) {
    Device->set_event_mask(0);
    Signals.set(DispatcherSignals::DispatchDoneSignal);
    Signals.reset(DispatcherSignals::AckSignal);
    WaitForWorker(ComThread);
  }
  if (DispThread.running) {
    Signals.set(DispatcherSignals::CommEventSignal);
    WaitForWorker(DispThread);
  }
  for (WorkerThread* worker : {&ComThread, &DispThread, &OutThread}) {
    if (worker->thread.joinable()) worker->thread.join();
  }
  Signals.close();
  if (DeviceHandle < 0) Device.reset();
}

void TApdWin32Dispatcher::WaitForWorker(WorkerThread& worker) {
  while (worker.running) {
    PumpOneMessage();
    std::unique_lock lock(ExitLock);
    WorkerExitedSignal.wait_for(lock, std::chrono::milliseconds(1), [&worker] { return !worker.running; });
  }
}

bool TApdWin32Dispatcher::AnyWorkerJoinable() const {
  return ComThread.thread.joinable() || DispThread.thread.joinable() || OutThread.thread.joinable();
}

void TApdWin32Dispatcher::ComThreadExecute() {
  Device->set_event_mask(DeviceEventMask);
  Signals.set(DispatcherSignals::AckSignal);
  do {
    std::uint32_t events = 0;
    if (!Device->wait_event(events)) break;
    EventMask = events;
    if ((events & platform::EV_RING) != 0) RingSeen = true;
    if (StopRequested) break;
    Signals.set(DispatcherSignals::CommEventSignal);
    if (!Signals.wait({DispatcherSignals::DispatchDoneSignal})) break;
  } while (!StopRequested);
  Signals.set(DispatcherSignals::AckSignal);
}

void TApdWin32Dispatcher::DispThreadExecute() {
  Signals.set(DispatcherSignals::AckSignal);
  do {
    Signals.wait({DispatcherSignals::CommEventSignal}, dispatch_period_ms);
    if (StopRequested) return;
    ServiceCommEvent();
    ServiceTimers();
  } while (!StopRequested && !CloseRequested);
  Signals.set(DispatcherSignals::AckSignal);
}

void TApdWin32Dispatcher::OutThreadExecute() {
  Signals.set(DispatcherSignals::AckSignal);
  do {
    const auto signal = Signals.wait({DispatcherSignals::OutputReadySignal, DispatcherSignals::OutputStopSignal});
    if (!signal) break;
    if (*signal == DispatcherSignals::OutputReadySignal) {
      if (StopRequested) break;
      SendPendingOutput();
    } else {
      EmptyOutputRing();
      Signals.set(DispatcherSignals::AckSignal);
    }
  } while (!StopRequested && !CloseRequested);
}

// Acknowledging a flush or a stop: whatever is queued is dropped by the
// writer itself, so the ring is never emptied under a write in progress.
void TApdWin32Dispatcher::EmptyOutputRing() {
  std::lock_guard lock(OutputLock);
  OutputFull = false;
  OutHead = OutTail = 0;
}

void TApdWin32Dispatcher::AdvanceOutput(std::uint32_t count) {
  std::lock_guard lock(OutputLock);
  if (count == 0) return;
  OutTail += count;
  if (OutTail == OutQueueSize) OutTail = 0;
  OutputFull = false;
  if (OutTail == OutHead) OutTail = OutHead = 0;
}

void TApdWin32Dispatcher::SendPendingOutput() {
  while (true) {
    std::uint32_t start = 0;
    std::uint32_t chunk = 0;
    {
      std::lock_guard lock(OutputLock);
      if (!OutputFull && OutHead == OutTail) return;
      if (OutTail < OutHead) {
        chunk = OutHead - OutTail;
      } else if (OutHead == 0) {
        chunk = OutQueueSize - OutTail;
      } else {
        // The pending bytes wrap: turn the ring so that one write takes them all.
        const std::uint32_t pending = OutQueueSize - OutTail + OutHead;
        std::vector<std::uint8_t> wrapped(OutputRing.begin(), OutputRing.begin() + OutHead);
        std::memmove(OutputRing.data(), OutputRing.data() + OutTail, OutQueueSize - OutTail);
        std::memcpy(OutputRing.data() + (OutQueueSize - OutTail), wrapped.data(), wrapped.size());
        OutTail = 0;
        OutHead = pending % OutQueueSize;
        chunk = pending;
      }
      start = OutTail;
    }
    const std::int32_t written = Device->write(OutputRing.data() + start, chunk);
    if (written < 0) {
      AdvanceOutput(chunk);
      continue;
    }
    AdvanceOutput(static_cast<std::uint32_t>(written));
    if (static_cast<std::uint32_t>(written) == chunk) continue;
    if (Device->wait_writable()) continue;
    if (Signals.wait({DispatcherSignals::OutputStopSignal}, 0)) {
      EmptyOutputRing();
      Signals.set(DispatcherSignals::AckSignal);
      return;
    }
  }
}

}  // namespace vx::serial

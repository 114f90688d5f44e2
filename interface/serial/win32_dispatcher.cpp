#include "interface/serial/win32_dispatcher.h"

#include <cstring>

#include "platform/clock.h"

namespace vx::serial {

using platform::DeviceControlBlock;

TApdWin32Dispatcher::TApdWin32Dispatcher(TApdBaseComponent* owner) : TApdBaseDispatcher(owner) {}

TApdWin32Dispatcher::~TApdWin32Dispatcher() { ShutDown(); }

std::int32_t TApdWin32Dispatcher::DevEscape(std::uint32_t function) {
  if (Device) Device->escape(function);
  return 0;
}

std::int32_t TApdWin32Dispatcher::DevPurge(std::uint32_t which) {
  if (!Device) return -static_cast<std::int32_t>(platform::ERROR_INVALID_HANDLE);
  std::uint32_t error = 0;
  if (which == 0 && OutThread.running) {
    Signals.reset(DispatcherSignals::AckSignal);
    Signals.set(DispatcherSignals::OutputStopSignal);
    Device->wake_writer();
    Signals.wait({DispatcherSignals::AckSignal}, 5000);
    error = Device->purge(platform::PURGE_TXABORT | platform::PURGE_TXCLEAR);
  } else {
    error = Device->purge(platform::PURGE_RXABORT | platform::PURGE_RXCLEAR);
  }
  if (error != 0) LastSystemError = error;
  return -static_cast<std::int32_t>(error);
}

std::uint32_t TApdWin32Dispatcher::DevReadErrors(platform::SerialPortStatus& status) {
  std::uint32_t errors = 0;
  if (!Device || !Device->clear_errors(errors, status)) errors = 0;
  std::lock_guard lock(OutputLock);
  if (OutputFull) {
    status.out_queue = OutQueueSize;
  } else if (OutHead >= OutTail) {
    status.out_queue = OutHead - OutTail;
  } else {
    status.out_queue = OutQueueSize + OutHead - OutTail;
  }
  return errors;
}

std::int32_t TApdWin32Dispatcher::DevEventHint(std::uint32_t) { return 0; }

std::int32_t TApdWin32Dispatcher::DevGetState(DeviceControlBlock& state) {
  return Device && Device->get_state(state) ? 0 : -1;
}

std::int32_t TApdWin32Dispatcher::DevRead(std::uint8_t* buffer, std::uint32_t count) {
  return Device ? Device->read(buffer, count) : -1;
}

std::int32_t TApdWin32Dispatcher::DevSetState(const DeviceControlBlock& state) {
  const std::uint32_t error = Device ? Device->set_state(state) : platform::ERROR_INVALID_HANDLE;
  if (error != 0) LastSystemError = error;
  return -static_cast<std::int32_t>(error);
}

std::int32_t TApdWin32Dispatcher::DevWrite(const std::uint8_t* data, std::uint32_t count) {
  {
    std::lock_guard lock(OutputLock);
    const std::uint32_t to_end = OutQueueSize - OutHead;
    if (count > to_end) {
      std::memcpy(OutputRing.data() + OutHead, data, to_end);
      std::memcpy(OutputRing.data(), data + to_end, count - to_end);
      OutHead = count - to_end;
    } else {
      std::memcpy(OutputRing.data() + OutHead, data, count);
      OutHead = count == to_end ? 0 : OutHead + count;
    }
  }
  Signals.set(DispatcherSignals::OutputReadySignal);
  return static_cast<std::int32_t>(count);
}

bool TApdWin32Dispatcher::DevSetQueues(std::uint32_t in_size, std::uint32_t out_size) {
  const std::uint32_t error = Device ? Device->setup_queues(in_size, out_size) : platform::ERROR_INVALID_HANDLE;
  if (error != 0) LastSystemError = error;
  return error == 0;
}

bool TApdWin32Dispatcher::DevModemStatus(std::uint32_t& lines) { return Device && Device->modem_status(lines); }

std::int32_t TApdWin32Dispatcher::DevOpen(const ShortText& name, std::uint32_t, std::uint32_t) {
  platform::SerialOpenResult opened = platform::open_serial_device(name.view());
  if (!opened.device) {
    LastSystemError = opened.error;
    LastOpenProblem = std::move(opened.problem);
    return -1;
  }
  Device = std::move(opened.device);
  DeviceHandle = 0;
  return 0;
}

// With workers running the device stays until they have been joined.
std::int32_t TApdWin32Dispatcher::DevClose() {
  if (!Device) return -1;
  if (ComThread.running || DispThread.running || OutThread.running) {
    StopRequested = true;
    Device->set_event_mask(0);
    Signals.set(DispatcherSignals::DispatchDoneSignal);
    Signals.reset(DispatcherSignals::AckSignal);
    // The output thread waits for work without a time-out: tell it to end too.
    Signals.set(DispatcherSignals::OutputStopSignal);
    Device->wake_writer();
  }
  DeviceHandle = -1;
  if (!AnyWorkerJoinable()) Device.reset();
  return 0;
}

std::int32_t TApdWin32Dispatcher::YieldToWorkers() {
  platform::clock().sleep_microseconds(0);
  return 0;
}

}  // namespace vx::serial

#pragma once

#include <memory>

#include "interface/serial/base_dispatcher.h"
#include "platform/serial/serial_device.h"

namespace vx::serial {

// Events asked of the device.
inline constexpr std::uint32_t DeviceEventMask = 0x1F9;

// The dispatcher on a serial device of the platform layer, with the three
// worker threads that move bytes between the device and the rings: the
// event thread waits for device events, the dispatch thread services them
// (and at least every 50 ms), the output thread writes what is queued.
class TApdWin32Dispatcher final : public TApdBaseDispatcher {
 public:
  explicit TApdWin32Dispatcher(TApdBaseComponent* owner);
  ~TApdWin32Dispatcher() override;

  std::int32_t DevEscape(std::uint32_t function) override;
  std::int32_t DevPurge(std::uint32_t which) override;
  std::uint32_t DevReadErrors(platform::SerialPortStatus& status) override;
  std::int32_t DevEventHint(std::uint32_t mask) override;
  std::int32_t DevGetState(platform::DeviceControlBlock& state) override;
  std::int32_t DevRead(std::uint8_t* buffer, std::uint32_t count) override;
  std::int32_t DevSetState(const platform::DeviceControlBlock& state) override;
  std::int32_t DevWrite(const std::uint8_t* data, std::uint32_t count) override;
  bool DevSetQueues(std::uint32_t in_size, std::uint32_t out_size) override;
  bool DevModemStatus(std::uint32_t& lines) override;
  void StartWorkers() override;
  void StopWorkers() override;
  std::int32_t DevOpen(const ShortText& name, std::uint32_t in_size, std::uint32_t out_size) override;
  std::int32_t DevClose() override;
  std::int32_t YieldToWorkers() override;

  // The system error of the last device operation that failed.
  std::uint32_t LastError() const { return LastSystemError; }

 private:
  void StartWorker(WorkerThread& worker, Worker which, void (TApdWin32Dispatcher::*body)());
  void RunWorker(WorkerThread& worker, Worker which, void (TApdWin32Dispatcher::*body)());
  void ComThreadExecute();
  void DispThreadExecute();
  void OutThreadExecute();
  void SendPendingOutput();
  void AdvanceOutput(std::uint32_t count);
  void EmptyOutputRing();
  // Until the worker has ended, handling the main thread's messages meanwhile.
  void WaitForWorker(WorkerThread& worker);
  bool AnyWorkerJoinable() const;

  // Kept until every worker has been joined, even after DevClose.
  std::unique_ptr<platform::SerialDevice> Device;
};

}  // namespace vx::serial

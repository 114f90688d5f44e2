#include <algorithm>

#include "interface/serial/base_dispatcher.h"
#include "interface/serial/dispatch_log.h"

namespace vx::serial {
namespace {

std::uint32_t RingDistance(std::uint32_t head, std::uint32_t tail, bool full) {
  if (head == tail) return full ? InputRingSize : 0;
  return head > tail ? head - tail : head + InputRingSize - tail;
}

}  // namespace

// While a dispatch runs the tail stays put: the bytes that receivers read or
// discarded are counted, and the ring gives them up when the dispatch ends.
std::uint32_t TApdBaseDispatcher::HandlerTakenCount() const {
  return InDataDispatch ? std::max(HandlerReadCount, HandlerSkipCount) : 0;
}

std::uint32_t TApdBaseDispatcher::InputCount() {
  std::lock_guard lock(InputLock);
  const std::uint32_t unread = RingDistance(InHead, InTail, InputFull);
  return unread - std::min(unread, HandlerTakenCount());
}

std::int32_t TApdBaseDispatcher::PeekInput(std::uint32_t n, std::uint8_t& byte) {
  std::lock_guard lock(InputLock);
  if (n == 0 || InputRing.empty() || RingDistance(InHead, InTail, InputFull) < n) return -3007;
  byte = InputRing[(InTail + n - 1) % InputRingSize];
  return 0;
}

std::int32_t TApdBaseDispatcher::ReadInput(std::uint8_t& byte) {
  std::lock_guard lock(InputLock);
  std::int32_t result = 0;
  if (InDataDispatch) {
    const std::uint32_t next = HandlerTakenCount() + 1;
    result = PeekInput(next, byte);
    if (result == 0) HandlerReadCount = next;
  } else {
    result = PeekInput(1, byte);
    if (result == 0) {
      InTail = (InTail + 1) % InputRingSize;
      InputFull = false;
    }
  }
  if (result == 0) TraceAdd('R', byte);
  return result;
}

void TApdBaseDispatcher::AdvanceInputTail(std::uint32_t count) {
  std::lock_guard lock(InputLock);
  InTail = (InTail + count) % InputRingSize;
  if (count != 0) InputFull = false;
}

std::int32_t TApdBaseDispatcher::DiscardInput() {
  const std::int32_t result = DevPurge(1);
  {
    std::lock_guard lock(InputLock);
    if (InDataDispatch) {
      HandlerSkipCount = RingDistance(InHead, InTail, InputFull);
    } else {
      InTail = InHead;
      HandlerReadCount = 0;
    }
    InputFull = false;
  }
  std::lock_guard lock(MainLock);
  ResetDataMatches();
  return result;
}

bool TApdBaseDispatcher::PullDeviceInput() {
  std::lock_guard lock(InputLock);
  if (InputFull) return true;
  if (InputRing.empty()) return false;
  const platform::SerialPortStatus status = RefreshPortStatus();
  if (status.in_queue == 0) return false;
  std::uint32_t free = 0;
  std::uint32_t contiguous = 0;
  if (InHead == InTail) {
    free = InputRingSize;
    contiguous = InputRingSize - InHead;
  } else if (InHead > InTail) {
    free = InTail + InputRingSize - InHead;
    contiguous = InputRingSize - InHead;
  } else {
    free = contiguous = InTail - InHead;
  }
  const std::uint32_t wanted = std::min(status.in_queue, free);
  const std::uint32_t second = wanted > contiguous ? wanted - contiguous : 0;
  // Reads into the ring at InHead; a failed read counts as none.
  const auto read_piece = [this](std::uint32_t count) {
    std::int32_t got = DevRead(InputRing.data() + InHead, count);
    if (got < 0) {
      got = 0;
      DevEventHint(0xFFFFFFFF);
    }
    const auto n = static_cast<std::uint32_t>(got);
    LogAdd(dtDispatch, dstReadCom, n, InputRing.data() + InHead, n);
    InHead += n;
    if (InHead == InputRingSize) InHead = 0;
    if (n > 0) InputFull = InHead == InTail;
    return n;
  };
  if (read_piece(contiguous) == contiguous && second > 0) read_piece(second);
  return true;
}

std::uint32_t TApdBaseDispatcher::OutputCount() {
  std::lock_guard lock(OutputLock);
  return RefreshPortStatus().out_queue;
}

std::uint32_t TApdBaseDispatcher::OutputSpace() {
  std::lock_guard lock(OutputLock);
  return OutQueueSize - OutputCount();
}

std::int32_t TApdBaseDispatcher::WriteOutput(std::uint8_t byte) { return WriteOutputBlock(&byte, 1); }

std::int32_t TApdBaseDispatcher::WriteOutputBlock(const std::uint8_t* data, std::uint32_t count) {
  if (count == 0) return 0;
  std::int32_t result = 0;
  std::int32_t written = 0;
  {
    std::lock_guard lock(OutputLock);
    if (OutputRing.empty()) return -3004;
    const std::uint32_t free = OutQueueSize - RefreshPortStatus().out_queue;
    if (free < count) return -3006;
    if (free == count) OutputFull = true;
    written = DevWrite(data, count);
    if (written <= 0) {
      result = -3004;
      RefreshPortStatus();
    }
    OutputSent = true;
  }
  if (written > 0) {
    const auto n = static_cast<std::uint32_t>(written);
    std::lock_guard lock(MainLock);
    LogAdd(dtDispatch, dstWriteCom, n, data, n);
    for (std::uint32_t i = 0; i < n; ++i) TraceAdd('T', data[i]);
  }
  return result;
}

std::int32_t TApdBaseDispatcher::DiscardOutput() { return DevPurge(0); }

}  // namespace vx::serial

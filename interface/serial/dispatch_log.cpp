#include "interface/serial/dispatch_log.h"

#include <algorithm>
#include <cstring>

#include "interface/serial/base_dispatcher.h"

namespace vx::serial {
namespace {

constexpr std::uint32_t log_header_size = 14;

void put_long(std::uint8_t* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

std::int32_t TApdBaseDispatcher::TraceStart(std::uint32_t entries) {
  std::lock_guard lock(MainLock);
  if (TraceSize != 0) {
    TraceClear();
  } else {
    if (entries > MaxTraceEntries) return -1002;
    TraceBuffer.assign(std::size_t{entries} * 2, 0);
    TraceSize = entries;
    TracePos = 0;
    TraceWrapped = false;
  }
  TraceOn = true;
  return 0;
}

std::int32_t TApdBaseDispatcher::TraceClear() {
  std::lock_guard lock(MainLock);
  TracePos = 0;
  TraceWrapped = false;
  return 0;
}

void TApdBaseDispatcher::TraceDiscard() {
  std::lock_guard lock(MainLock);
  TraceOn = false;
  std::vector<std::uint8_t>().swap(TraceBuffer);
  TraceSize = TracePos = 0;
  TraceWrapped = false;
}

void TApdBaseDispatcher::TraceResume() {
  std::lock_guard lock(MainLock);
  TraceOn = TraceSize != 0;
}

void TApdBaseDispatcher::TracePause() {
  std::lock_guard lock(MainLock);
  TraceOn = false;
}

// A trace of no entries records nothing.
void TApdBaseDispatcher::TraceAdd(char kind, std::uint8_t byte) {
  std::lock_guard lock(MainLock);
  if (!TraceOn || TraceSize == 0) return;
  TraceBuffer[std::size_t{TracePos} * 2] = static_cast<std::uint8_t>(kind);
  TraceBuffer[std::size_t{TracePos} * 2 + 1] = byte;
  if (++TracePos == TraceSize) {
    TracePos = 0;
    TraceWrapped = true;
  }
}

std::int32_t TApdBaseDispatcher::TraceDump(const ShortText& file_name, bool all_hex, bool hex_controls) {
  return TraceWrite(file_name, false, all_hex, hex_controls);
}

std::int32_t TApdBaseDispatcher::TraceAppend(const ShortText& file_name, bool all_hex, bool hex_controls) {
  return TraceWrite(file_name, true, all_hex, hex_controls);
}

// The scratch buffer holds the largest entry the dispatcher logs: one read
// into the input ring, or one block of output.
std::int32_t TApdBaseDispatcher::LogStart(std::uint32_t size) {
  std::lock_guard lock(MainLock);
  if (LogSize != 0) {
    LogClear();
  } else {
    LogBuffer.assign(size, 0);
    LogScratch.assign(std::max({InputRingSize, InQueueSize, OutQueueSize}), 0);
    LogSize = size;
    LogHead = LogTail = 0;
    LogFree = size;
  }
  LogOn = true;
  return 0;
}

std::int32_t TApdBaseDispatcher::LogClear() {
  std::lock_guard lock(MainLock);
  LogHead = LogTail = 0;
  LogFree = LogSize;
  return 0;
}

void TApdBaseDispatcher::LogDiscard() {
  std::lock_guard lock(MainLock);
  LogOn = false;
  std::vector<std::uint8_t>().swap(LogBuffer);
  std::vector<std::uint8_t>().swap(LogScratch);
  LogSize = LogHead = LogTail = LogFree = 0;
}

void TApdBaseDispatcher::LogResume() {
  std::lock_guard lock(MainLock);
  LogOn = LogSize != 0;
}

void TApdBaseDispatcher::LogPause() {
  std::lock_guard lock(MainLock);
  LogOn = false;
}

std::uint32_t TApdBaseDispatcher::LogElapsed() { return ElapsedMs() - OpenTime; }

// An entry is stored whole or not at all, so that every header in the ring
// is followed by its bytes.
void TApdBaseDispatcher::LogAdd(std::uint8_t type, std::uint8_t subtype, std::uint32_t count,
                                const std::uint8_t* bytes, std::uint32_t data) {
  std::lock_guard lock(MainLock);
  if (!LogOn || count > LogScratch.size()) return;
  std::vector<std::uint8_t> entry(log_header_size + std::size_t{count});
  entry[0] = type;
  entry[1] = subtype;
  put_long(&entry[2], LogElapsed());
  put_long(&entry[6], data);
  put_long(&entry[10], count);
  if (count > 0) std::memcpy(&entry[log_header_size], bytes, count);
  LogPut(entry.data(), static_cast<std::uint32_t>(entry.size()));
}

bool TApdBaseDispatcher::LogPut(const std::uint8_t* bytes, std::uint32_t n) {
  if (n >= LogSize) return false;
  std::array<std::uint8_t, 14> dropped{};
  while (LogFree < n && LogTake(dropped)) {
  }
  const std::uint32_t to_end = std::min(n, LogSize - LogHead);
  std::memcpy(LogBuffer.data() + LogHead, bytes, to_end);
  std::memcpy(LogBuffer.data(), bytes + to_end, n - to_end);
  LogHead = (LogHead + n) % LogSize;
  LogFree -= n;
  return true;
}

bool TApdBaseDispatcher::LogTake(std::array<std::uint8_t, 14>& header) {
  if (LogSize == 0 || LogFree == LogSize) return false;
  const auto take = [this](std::uint8_t* to, std::uint32_t n) {
    for (std::uint32_t i = 0; i < n; ++i) {
      const std::uint8_t byte = LogBuffer[LogTail];
      if (to != nullptr) to[i] = byte;
      LogTail = (LogTail + 1) % LogSize;
    }
    LogFree += n;
  };
  take(header.data(), log_header_size);
  const std::uint32_t length = header[10] | (header[11] << 8) | (header[12] << 16) | (std::uint32_t{header[13]} << 24);
  const std::uint32_t kept = std::min<std::uint32_t>(length, static_cast<std::uint32_t>(LogScratch.size()));
  take(LogScratch.data(), kept);
  take(nullptr, length - kept);
  return true;
}

std::int32_t TApdBaseDispatcher::LogDump(const ShortText& file_name, bool all_hex, bool hex_controls) {
  return LogWrite(file_name, false, all_hex, hex_controls);
}

std::int32_t TApdBaseDispatcher::LogAppend(const ShortText& file_name, bool all_hex, bool hex_controls) {
  return LogWrite(file_name, true, all_hex, hex_controls);
}

}  // namespace vx::serial

#include <algorithm>

#include "interface/serial/base_dispatcher.h"
#include "interface/serial/dispatch_log.h"
#include "platform/ws/application.h"

namespace vx::serial {
namespace {

// How long a receiver window may take over an event message.
constexpr std::uint32_t delivery_timeout_ms = 3000;

std::uint8_t upper(std::uint8_t byte) {
  return byte >= 'a' && byte <= 'z' ? static_cast<std::uint8_t>(byte - 32) : byte;
}

}  // namespace

bool MatchDataByte(std::array<std::uint32_t, MaxTrigData>& counters, std::uint8_t byte, std::uint32_t length,
                   bool ignore_case, const std::array<std::uint8_t, MaxTrigData>& pattern) {
  length = std::min<std::uint32_t>(length, MaxTrigData);
  if (length == 0) return false;
  if (ignore_case) byte = upper(byte);
  // At most one counter starts on a byte, so no two track the same start.
  bool started = false;
  for (std::uint32_t& counter : counters) {
    if (counter == 0) {
      if (started || byte != pattern[0]) continue;
      started = true;
    }
    if (pattern[counter] == byte) {
      ++counter;
    } else {
      counter = byte == pattern[0] ? 1 : 0;
      started = started || counter == 1;
    }
    if (counter >= length) {
      counters.fill(0);
      return true;
    }
  }
  return false;
}

void TApdBaseDispatcher::SetAvailLevel(std::int32_t level) {
  std::lock_guard lock(MainLock);
  AvailLevel = level;
  LogAdd(dtTriggerDataChange, dstAvailLevel, 0, nullptr, static_cast<std::uint32_t>(level));
}

std::uint32_t TApdBaseDispatcher::GetLastBaud() {
  std::lock_guard lock(MainLock);
  return LastBaud;
}

void TApdBaseDispatcher::ClearTriggers() {
  std::lock_guard lock(MainLock);
  AvailLevel = 0;
  TimerTriggers.clear();
  DataTriggers.clear();
  StatusTriggers.clear();
}

void TApdBaseDispatcher::ResetStatusTriggers() {
  std::lock_guard lock(MainLock);
  for (StatusTrigger& trigger : StatusTriggers) trigger.Fired = false;
  StatusFired = false;
}

void TApdBaseDispatcher::ResetDataMatches() {
  std::lock_guard lock(MainLock);
  for (DataTrigger& trigger : DataTriggers) trigger.Counters.fill(0);
}

void TApdBaseDispatcher::ExportTriggers(SavedTriggers& saved) {
  std::lock_guard lock(MainLock);
  FreeSavedTriggers(saved);
  saved.AvailLevel = AvailLevel;
  saved.Timers = TimerTriggers;
  saved.Data = DataTriggers;
  saved.Status = StatusTriggers;
}

void TApdBaseDispatcher::ImportTriggers(const SavedTriggers& saved) {
  std::lock_guard lock(MainLock);
  AvailLevel = saved.AvailLevel;
  TimerTriggers = saved.Timers;
  DataTriggers = saved.Data;
  StatusTriggers = saved.Status;
}

void TApdBaseDispatcher::FreeSavedTriggers(SavedTriggers& saved) {
  saved.Timers.clear();
  saved.Data.clear();
  saved.Status.clear();
}

bool TApdBaseDispatcher::ScanStatusTriggers() {
  {
    std::lock_guard lock(MainLock);
    if (StatusTriggers.empty()) return false;
  }
  // The output figures take OutputLock, which is never taken under MainLock.
  const std::uint32_t pending = OutputCount();
  const std::uint32_t space = OutQueueSize - std::min(OutQueueSize, pending);
  std::uint32_t handle = 0;
  std::uint32_t data = 0;
  {
    std::lock_guard lock(MainLock);
    bool fired = false;
    for (StatusTrigger& trigger : StatusTriggers) {
      if (!trigger.Armed || trigger.Fired) continue;
      switch (trigger.Kind) {
        case stModem: fired = (((trigger.Value & 0xFF) ^ ModemStatus) & (trigger.Value >> 8)) != 0; break;
        case stLine:
          fired = (trigger.Value & LineErrors) != 0;
          if (fired) trigger.Value = static_cast<std::uint16_t>(LineErrors & 0xFFFF);
          break;
        case stOutBuffFree:
          fired = space >= trigger.Value;
          data = space;
          break;
        case stOutBuffUsed:
          fired = pending <= trigger.Value;
          data = pending;
          break;
        case stOutSent: fired = OutputSent.exchange(false); break;
        default: break;
      }
      if (fired) {
        trigger.Armed = false;
        trigger.Fired = true;
        StatusFired = true;
        handle = trigger.Handle;
        LogAdd(dtTrigger, dstStatus, 0, nullptr, handle);
        break;
      }
      data = 0;
    }
    if (!fired) return false;
  }
  return DeliverEvent(MsgTriggerStatus, handle, data);
}

bool TApdBaseDispatcher::ScanTimerTriggers() {
  std::uint32_t handle = 0;
  {
    std::lock_guard lock(MainLock);
    const auto expired = std::find_if(TimerTriggers.begin(), TimerTriggers.end(), [](const TimerTrigger& trigger) {
      return trigger.Active && TickTimerExpired(trigger.Timer);
    });
    if (expired == TimerTriggers.end()) return false;
    expired->Active = false;
    handle = expired->Handle;
    LogAdd(dtTrigger, dstTimer, 0, nullptr, handle);
  }
  return DeliverEvent(MsgTriggerTimer, handle, 0);
}

bool TApdBaseDispatcher::ScanDataTriggers() {
  std::uint32_t head = 0;
  std::uint32_t tail = 0;
  {
    std::lock_guard lock(InputLock);
    if (InputRing.empty()) return false;
    head = InHead;
    tail = InTail;
  }
  struct Match {
    std::uint32_t handle;
    std::uint32_t length;
  };
  std::vector<Match> matches;
  std::uint32_t position = 0;
  std::int32_t avail_level = 0;
  {
    std::lock_guard lock(MainLock);
    avail_level = AvailLevel;
    // Only this thread writes the ring's bytes, so they can be matched without InputLock.
    for (position = DataScanPos; position != head && !DataTriggers.empty();
         position = (position + 1) % InputRingSize) {
      const std::uint8_t byte = InputRing[position];
      for (DataTrigger& trigger : DataTriggers) {
        if (trigger.Length != 0 && !trigger.Matched) {
          trigger.Matched = MatchDataByte(trigger.Counters, byte, trigger.Length, trigger.IgnoreCase, trigger.Pattern);
        }
      }
      for (auto trigger = DataTriggers.rbegin(); trigger != DataTriggers.rend(); ++trigger) {
        if (!trigger->Matched) continue;
        trigger->Matched = false;
        matches.push_back({trigger->Handle, trigger->Length});
        LogAdd(dtTrigger, dstData, 0, nullptr, trigger->Handle);
      }
      if (!matches.empty()) break;
    }
    if (matches.empty()) DataScanPos = head;
  }
  if (matches.empty()) {
    const std::uint32_t count = InputCount();
    if (avail_level == 0 || head == LastAvailPos || count < static_cast<std::uint32_t>(avail_level)) return false;
    LastAvailPos = head;
    LogAdd(dtTrigger, dstAvail, 0, nullptr, count);
    return DeliverEvent(MsgTriggerAvail, count, 0);
  }
  std::uint32_t longest = 0;
  for (const Match& match : matches) longest = std::max(longest, match.length);
  const std::uint32_t through = (position + InputRingSize - tail) % InputRingSize + 1;
  if (avail_level != 0 && position != LastAvailPos && through >= longest &&
      through - longest >= static_cast<std::uint32_t>(avail_level)) {
    {
      std::lock_guard lock(MainLock);
      DataScanPos = position;
    }
    LastAvailPos = position;
    LogAdd(dtTrigger, dstAvail, 0, nullptr, through - longest);
    DeliverEvent(MsgTriggerAvail, through - longest, 0);
  }
  bool result = false;
  for (const Match& match : matches) result = DeliverEvent(MsgTriggerData, match.handle, match.length);
  std::lock_guard lock(MainLock);
  DataScanPos = (position + 1) % InputRingSize;
  return result;
}

void TApdBaseDispatcher::AddWindowReceiver(ws::WindowHandle window) {
  std::lock_guard lock(MainLock);
  WindowReceivers.push_back({window, false});
  DeliveryActive = true;
  LogAdd(dtTriggerHandlerAlloc, dstWindow, 0, nullptr, window);
}

void TApdBaseDispatcher::RemoveWindowReceiver(ws::WindowHandle window) {
  std::lock_guard lock(MainLock);
  const auto found = std::find_if(WindowReceivers.begin(), WindowReceivers.end(),
                                  [window](const WindowReceiver& receiver) { return receiver.Window == window; });
  if (found == WindowReceivers.end()) {
    SetEventDelivery(0);
    return;
  }
  LogAdd(dtTriggerHandlerDispose, dstWindow, 0, nullptr, window);
  if (InDispatch) {
    found->Deleted = true;
    RemovalsPending = true;
  } else {
    WindowReceivers.erase(found);
  }
}

void TApdBaseDispatcher::SetEventDelivery(std::uint8_t mode) {
  std::lock_guard lock(MainLock);
  const bool receivers = WindowReceivers.size() > 1;
  switch (mode) {
    case 0: DeliveryActive = receivers || DeliveryForced; break;
    case 1: DeliveryForced = DeliveryActive = true; break;
    case 2:
      DeliveryForced = false;
      DeliveryActive = receivers;
      break;
    default: break;
  }
}

bool TApdBaseDispatcher::DeliveryIsActive() {
  std::lock_guard lock(MainLock);
  return DeliveryActive;
}

std::size_t TApdBaseDispatcher::WindowReceiverCount() {
  std::lock_guard lock(MainLock);
  return WindowReceivers.size();
}

bool TApdBaseDispatcher::DeliverEvent(ws::MessageId message, std::uint32_t trigger, std::uint32_t data) {
  std::vector<ws::WindowHandle> windows;
  {
    std::lock_guard lock(MainLock);
    if (!DeliveryActive) return true;
    InDispatch = true;
    if (WindowReceivers.size() > 1 || DeliveryForced) {
      for (const WindowReceiver& receiver : WindowReceivers) {
        if (!receiver.Deleted) windows.push_back(receiver.Window);
      }
    }
  }
  const bool data_message = message == MsgTriggerAvail || message == MsgTriggerData;
  {
    std::lock_guard lock(InputLock);
    HandlerSkipCount = HandlerReadCount = 0;
    InDataDispatch = data_message;
  }
  data += static_cast<std::uint32_t>(ListIndex) << 16;
  bool result = true;
  bool closed = false;
  for (const ws::WindowHandle window : windows) {
    ws::send_message_timeout(window, message, trigger, static_cast<ws::LParam>(data), delivery_timeout_ms);
    if (CloseRequested) {
      closed = true;
      result = false;
      break;
    }
    std::lock_guard lock(InputLock);
    HandlerSkipCount = std::max(HandlerSkipCount, HandlerReadCount);
  }
  if (!closed && data_message) {
    std::lock_guard lock(InputLock);
    HandlerSkipCount = std::max(HandlerSkipCount, HandlerReadCount);
    InDataDispatch = false;
    AdvanceInputTail(HandlerSkipCount);
    if (message == MsgTriggerAvail && HandlerSkipCount != trigger) result = false;
  }
  {
    std::lock_guard lock(MainLock);
    InDispatch = false;
    if (RemovalsPending) {
      std::erase_if(WindowReceivers, [](const WindowReceiver& receiver) { return receiver.Deleted; });
      RemovalsPending = false;
      SetEventDelivery(0);
    }
  }
  if (!closed) {
    std::lock_guard lock(InputLock);
    HandlerReadCount = 0;
  }
  return result;
}

bool TApdBaseDispatcher::ScanStatusUntilQuiet() {
  while (ScanStatusTriggers()) {
    if (CloseRequested) return false;
  }
  return !CloseRequested;
}

void TApdBaseDispatcher::ServiceCommEvent() {
  const std::uint32_t events = EventMask;
  const auto scan_status = [this] {
    if (InDispatch) return true;
    if (!ScanStatusUntilQuiet()) return false;
    std::lock_guard lock(MainLock);
    if (StatusFired) ResetStatusTriggers();
    return true;
  };
  if ((events & 0x2138) != 0) {
    RefreshModemDeltas();
    if (!scan_status()) return;
  }
  if ((events & 0xFF) >= 0x40) {
    RefreshPortStatus();
    if (!scan_status()) return;
  }
  PullDeviceInput();
  if (!InDispatch) {
    if (!ScanStatusUntilQuiet()) return;
    while (ScanDataTriggers()) {
      if (CloseRequested) return;
    }
  }
  {
    std::lock_guard lock(MainLock);
    if (StatusFired) ResetStatusTriggers();
  }
  Signals.set(DispatcherSignals::DispatchDoneSignal);
}

void TApdBaseDispatcher::ServiceTimers() {
  if (CloseRequested || InDispatch) return;
  {
    std::lock_guard lock(MainLock);
    StatusFired = false;
  }
  while ((ScanStatusTriggers() || ScanTimerTriggers()) && !CloseRequested) {
  }
  std::lock_guard lock(MainLock);
  if (StatusFired) ResetStatusTriggers();
}

}  // namespace vx::serial

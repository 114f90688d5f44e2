#include <algorithm>

#include "interface/serial/base_dispatcher.h"
#include "platform/clock.h"
#include "platform/thread_priority.h"

namespace vx::serial {

using platform::DeviceControlBlock;

namespace {

// A line change waits this long for output to drain, 2 ms at a time.
constexpr int quiet_polls = 5000;
constexpr std::uint64_t quiet_poll_us = 2000;

}  // namespace

std::uint32_t LineQuietMs(std::uint32_t baud, const DeviceControlBlock& state) {
  if (baud == 0) return 0;
  std::uint64_t bits = state.ByteSize + 2u;
  if (state.Parity != 0) ++bits;
  if (state.StopBits != platform::ONESTOPBIT) ++bits;
  std::uint64_t hundred_ns = (10'000'000 / baud) * bits * 18;
  if (hundred_ns < 10'000) hundred_ns *= 2;
  return static_cast<std::uint32_t>((hundred_ns + 9'999) / 10'000);
}

void TApdBaseDispatcher::PrepareLineState() {
  LineState.fBinary = true;
  LineState.fParity = false;
  LineState.fDsrSensitivity = false;
  LineState.fTXContinueOnXoff = true;
  LineState.fNull = false;
}

std::int32_t TApdBaseDispatcher::ChangeLine(std::uint32_t baud, std::uint8_t parity, std::uint8_t data_bits,
                                            std::uint8_t stop_bits) {
  DeviceControlBlock wanted;
  {
    std::lock_guard lock(MainLock);
    DevGetState(LineState);
    PrepareLineState();
    wanted = LineState;
  }
  if (stop_bits != KeepStopBits) stop_bits = std::clamp<std::uint8_t>(stop_bits, 1, 2);
  if (baud != KeepBaud) wanted.BaudRate = baud;
  if (parity != KeepParity) wanted.Parity = parity;
  if (data_bits != KeepDataBits) wanted.ByteSize = data_bits;
  if (stop_bits == 1) wanted.StopBits = platform::ONESTOPBIT;
  if (stop_bits == 2) wanted.StopBits = platform::TWOSTOPBITS;
  if (wanted.ByteSize == 5 && !(stop_bits == KeepStopBits && data_bits == KeepDataBits)) {
    wanted.StopBits = platform::ONE5STOPBITS;
  }
  {
    std::lock_guard lock(MainLock);
    if (wanted.BaudRate == LineState.BaudRate && wanted.Parity == LineState.Parity &&
        wanted.ByteSize == LineState.ByteSize && wanted.StopBits == LineState.StopBits) {
      return 0;
    }
  }
  WaitLineQuiet();
  std::lock_guard lock(MainLock);
  DevGetState(LineState);
  PrepareLineState();
  LineState.BaudRate = wanted.BaudRate;
  LineState.Parity = wanted.Parity;
  LineState.ByteSize = wanted.ByteSize;
  LineState.StopBits = wanted.StopBits;
  return ApplyLineState();
}

void TApdBaseDispatcher::WaitLineQuiet() {
  for (int poll = 0; poll < quiet_polls && OutputCount() != 0; ++poll) {
    platform::clock().sleep_microseconds(quiet_poll_us);
  }
  DeviceControlBlock state;
  std::uint32_t baud = 0;
  {
    std::lock_guard lock(MainLock);
    DevGetState(state);
    baud = DecodeBaud(LastBaud);
  }
  platform::clock().sleep_microseconds(std::uint64_t{LineQuietMs(baud, state)} * 1000);
}

void TApdBaseDispatcher::QueryLine(std::uint32_t& baud, std::uint8_t& parity, std::uint8_t& stop_bits,
                                   std::uint8_t& data_bits) {
  std::lock_guard lock(MainLock);
  DevGetState(LineState);
  baud = DecodeBaud(LineState.BaudRate);
  parity = LineState.Parity;
  stop_bits = LineState.StopBits == platform::ONESTOPBIT ? 1 : 2;
  data_bits = LineState.ByteSize;
}

std::int32_t TApdBaseDispatcher::ApplyLineState() {
  std::lock_guard lock(MainLock);
  if (!DtrAuto) LineState.fDtrControl = DtrOn ? platform::DTR_CONTROL_ENABLE : platform::DTR_CONTROL_DISABLE;
  if (!RtsAuto) LineState.fRtsControl = RtsOn ? platform::RTS_CONTROL_ENABLE : platform::RTS_CONTROL_DISABLE;
  const std::int32_t result = DevSetState(LineState);
  LastBaud = LineState.BaudRate;
  DriveDtr(DtrOn);
  if (!RS485On) DriveRts(RtsOn);
  return result;
}

std::int32_t TApdBaseDispatcher::DriveDtr(bool on) {
  std::lock_guard lock(MainLock);
  if (DtrAuto) return 1;
  if (DevEscape(on ? platform::SETDTR : platform::CLRDTR) < 0) return -1002;
  DtrOn = on;
  return 0;
}

std::int32_t TApdBaseDispatcher::DriveRts(bool on) {
  std::lock_guard lock(MainLock);
  if (RtsAuto) return 1;
  if (DevEscape(on ? platform::SETRTS : platform::CLRRTS) < 0) return -1002;
  RtsOn = on;
  return 0;
}

std::int32_t TApdBaseDispatcher::ApplyHardwareFlow(std::uint32_t buffer_full, std::uint32_t buffer_resume,
                                                   std::uint32_t options) {
  if (buffer_full < buffer_resume || buffer_full > InQueueSize) return -1002;
  std::lock_guard lock(MainLock);
  DevGetState(LineState);
  LineState.fOutxCtsFlow = false;
  LineState.fOutxDsrFlow = false;
  LineState.fDtrControl = platform::DTR_CONTROL_DISABLE;
  LineState.fRtsControl = platform::RTS_CONTROL_DISABLE;
  DtrAuto = RtsAuto = false;
  if ((options & hfUseDTR) != 0) {
    LineState.fDtrControl = platform::DTR_CONTROL_HANDSHAKE;
    DtrAuto = true;
  } else if (DtrOn) {
    LineState.fDtrControl = platform::DTR_CONTROL_ENABLE;
  }
  if ((options & hfUseRTS) != 0) {
    LineState.fRtsControl = platform::RTS_CONTROL_HANDSHAKE;
    RtsAuto = true;
  } else if (RtsOn) {
    LineState.fRtsControl = platform::RTS_CONTROL_ENABLE;
  }
  if (RS485On) {
    LineState.fRtsControl = platform::RTS_CONTROL_TOGGLE;
    RtsAuto = true;
  }
  LineState.XoffLim = static_cast<std::uint16_t>(InQueueSize - buffer_full);
  LineState.XonLim = static_cast<std::uint16_t>(buffer_resume);
  if ((options & hfRequireDSR) != 0) LineState.fOutxDsrFlow = true;
  if ((options & hfRequireCTS) != 0) LineState.fOutxCtsFlow = true;
  return ApplyLineState();
}

std::int32_t TApdBaseDispatcher::ApplySoftwareFlow(std::uint32_t buffer_full, std::uint32_t buffer_resume,
                                                   std::uint32_t options) {
  if (buffer_full < buffer_resume || buffer_full > InQueueSize) return -1002;
  std::lock_guard lock(MainLock);
  DevGetState(LineState);
  if ((options & sfReceiveFlow) != 0) {
    LineState.fInX = true;
    LineState.XoffLim = static_cast<std::uint16_t>(InQueueSize - buffer_full);
    LineState.XonLim = static_cast<std::uint16_t>(buffer_resume);
    LineState.XonChar = 0x11;
    LineState.XoffChar = 0x13;
  }
  if ((options & sfTransmitFlow) != 0) {
    LineState.fOutX = true;
    LineState.XonChar = 0x11;
    LineState.XoffChar = 0x13;
  }
  return ApplyLineState();
}

std::int32_t TApdBaseDispatcher::StopSoftwareFlow() {
  std::lock_guard lock(MainLock);
  DevGetState(LineState);
  LineState.fOutX = false;
  LineState.fInX = false;
  return ApplyLineState();
}

std::int32_t TApdBaseDispatcher::SetFlowChars(char xon, char xoff) {
  std::lock_guard lock(MainLock);
  DevGetState(LineState);
  LineState.XonChar = xon;
  LineState.XoffChar = xoff;
  return ApplyLineState();
}

std::int32_t TApdBaseDispatcher::QueryFlow(std::uint32_t& hw_options, std::uint32_t& sw_options, char& xoff,
                                           char& xon) {
  std::lock_guard lock(MainLock);
  const std::int32_t result = DevGetState(LineState);
  hw_options = 0;
  if (LineState.fDtrControl == platform::DTR_CONTROL_HANDSHAKE) hw_options |= hfUseDTR;
  if (LineState.fRtsControl == platform::RTS_CONTROL_HANDSHAKE ||
      LineState.fRtsControl == platform::RTS_CONTROL_TOGGLE) {
    hw_options |= hfUseRTS;
  }
  if (LineState.fOutxDsrFlow) hw_options |= hfRequireDSR;
  if (LineState.fOutxCtsFlow) hw_options |= hfRequireCTS;
  sw_options = (LineState.fOutX ? sfTransmitFlow : 0) | (LineState.fInX ? sfReceiveFlow : 0);
  xoff = LineState.XoffChar;
  xon = LineState.XonChar;
  return result;
}

// This system is of the NT family: no UART base address is needed or read.
void TApdBaseDispatcher::ApplyRS485(bool on) {
  std::lock_guard lock(MainLock);
  RS485On = on;
  if (OutThread.running) {
    platform::set_thread_priority(OutThread.id, static_cast<std::uint8_t>(ThreadBoost + (on ? 4 : 3)));
  }
}

void TApdBaseDispatcher::SetOptionBits(std::uint32_t bits) {
  std::lock_guard lock(MainLock);
  OptionWord |= bits;
}

void TApdBaseDispatcher::ClearOptionBits(std::uint32_t bits) {
  std::lock_guard lock(MainLock);
  OptionWord &= ~bits;
}

platform::SerialPortStatus TApdBaseDispatcher::RefreshPortStatus() {
  platform::SerialPortStatus status;
  LineErrors.fetch_or(DevReadErrors(status) & 0x1F);
  return status;
}

std::uint8_t TApdBaseDispatcher::ReadModemStatus(std::uint32_t keep_mask) {
  std::lock_guard lock(MainLock);
  std::uint32_t lines = 0;
  if (DeviceHandle >= 0) DevModemStatus(lines);
  ModemStatus = (lines & 0xFF) | (ModemStatus & 0x0F);
  if (RingSeen.exchange(false)) ModemStatus |= 0x04;
  const auto result = static_cast<std::uint8_t>(ModemStatus & 0xFF);
  ModemStatus &= keep_mask;
  return result;
}

void TApdBaseDispatcher::RefreshModemDeltas() {
  std::lock_guard lock(MainLock);
  const std::uint32_t old = ModemStatus;
  ReadModemStatus(0xFF);
  ModemStatus |= ((old ^ ModemStatus) & 0xF0) >> 4;
}

std::int32_t TApdBaseDispatcher::TakeLineError() {
  static constexpr std::int32_t codes[] = {1, 2, 3, 4, 9};
  std::uint32_t errors = LineErrors;
  while (true) {
    std::int32_t code = 0;
    for (std::uint32_t bit = 0; bit < 5; ++bit) {
      if ((errors & (1u << bit)) != 0) {
        code = codes[bit];
        break;
      }
    }
    if (code == 0) return 0;
    if (LineErrors.compare_exchange_weak(errors, errors & ~0x0Fu)) return code;
  }
}

bool TApdBaseDispatcher::TakeLineBreak() { return (LineErrors.fetch_and(~0x10u) & 0x10) != 0; }

}  // namespace vx::serial

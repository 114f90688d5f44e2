#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// The serial device layer: what the serial-port stack asks of a COM port,
// with the event, error and line-function codes that stack is written in.
namespace vx::platform {

// Device events.
inline constexpr std::uint32_t EV_RXCHAR = 0x0001;
inline constexpr std::uint32_t EV_CTS = 0x0008;
inline constexpr std::uint32_t EV_DSR = 0x0010;
inline constexpr std::uint32_t EV_RLSD = 0x0020;
inline constexpr std::uint32_t EV_BREAK = 0x0040;
inline constexpr std::uint32_t EV_ERR = 0x0080;
inline constexpr std::uint32_t EV_RING = 0x0100;

// Line errors.
inline constexpr std::uint32_t CE_RXOVER = 0x0001;
inline constexpr std::uint32_t CE_OVERRUN = 0x0002;
inline constexpr std::uint32_t CE_RXPARITY = 0x0004;
inline constexpr std::uint32_t CE_FRAME = 0x0008;
inline constexpr std::uint32_t CE_BREAK = 0x0010;

// Modem lines.
inline constexpr std::uint32_t MS_CTS_ON = 0x0010;
inline constexpr std::uint32_t MS_DSR_ON = 0x0020;
inline constexpr std::uint32_t MS_RING_ON = 0x0040;
inline constexpr std::uint32_t MS_RLSD_ON = 0x0080;

// Purge requests.
inline constexpr std::uint32_t PURGE_TXABORT = 0x0001;
inline constexpr std::uint32_t PURGE_RXABORT = 0x0002;
inline constexpr std::uint32_t PURGE_TXCLEAR = 0x0004;
inline constexpr std::uint32_t PURGE_RXCLEAR = 0x0008;

// Line functions.
inline constexpr std::uint32_t SETRTS = 3;
inline constexpr std::uint32_t CLRRTS = 4;
inline constexpr std::uint32_t SETDTR = 5;
inline constexpr std::uint32_t CLRDTR = 6;
inline constexpr std::uint32_t SETBREAK = 8;
inline constexpr std::uint32_t CLRBREAK = 9;

inline constexpr std::uint8_t ONESTOPBIT = 0;
inline constexpr std::uint8_t ONE5STOPBITS = 1;
inline constexpr std::uint8_t TWOSTOPBITS = 2;

// Parity codes: none, odd, even, mark, space.
inline constexpr std::uint8_t NOPARITY = 0;
inline constexpr std::uint8_t ODDPARITY = 1;
inline constexpr std::uint8_t EVENPARITY = 2;
inline constexpr std::uint8_t MARKPARITY = 3;
inline constexpr std::uint8_t SPACEPARITY = 4;

inline constexpr std::uint8_t DTR_CONTROL_DISABLE = 0;
inline constexpr std::uint8_t DTR_CONTROL_ENABLE = 1;
inline constexpr std::uint8_t DTR_CONTROL_HANDSHAKE = 2;
inline constexpr std::uint8_t RTS_CONTROL_DISABLE = 0;
inline constexpr std::uint8_t RTS_CONTROL_ENABLE = 1;
inline constexpr std::uint8_t RTS_CONTROL_HANDSHAKE = 2;
inline constexpr std::uint8_t RTS_CONTROL_TOGGLE = 3;

// System error codes the layer reports.
inline constexpr std::uint32_t ERROR_INVALID_FUNCTION = 1;
inline constexpr std::uint32_t ERROR_FILE_NOT_FOUND = 2;
inline constexpr std::uint32_t ERROR_PATH_NOT_FOUND = 3;
inline constexpr std::uint32_t ERROR_TOO_MANY_OPEN_FILES = 4;
inline constexpr std::uint32_t ERROR_ACCESS_DENIED = 5;
inline constexpr std::uint32_t ERROR_INVALID_HANDLE = 6;
inline constexpr std::uint32_t ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr std::uint32_t ERROR_GEN_FAILURE = 31;
inline constexpr std::uint32_t ERROR_INVALID_PARAMETER = 87;
// The user may not open the device; ERROR_ACCESS_DENIED is kept for a port another program holds.
inline constexpr std::uint32_t ERROR_PRIVILEGE_NOT_HELD = 1314;

// The system's error code for an errno value, and the system's text for a code (empty when unknown).
std::uint32_t system_error_from_errno(int error);
std::string system_error_text(std::uint32_t code);

// The line settings of a port (device control block).
struct DeviceControlBlock {
  std::uint32_t BaudRate = 9600;
  bool fBinary = true;
  bool fParity = false;
  bool fOutxCtsFlow = false;
  bool fOutxDsrFlow = false;
  std::uint8_t fDtrControl = DTR_CONTROL_ENABLE;
  bool fDsrSensitivity = false;
  bool fTXContinueOnXoff = false;
  bool fOutX = false;
  bool fInX = false;
  bool fNull = false;
  std::uint8_t fRtsControl = RTS_CONTROL_ENABLE;
  std::uint16_t XonLim = 0;
  std::uint16_t XoffLim = 0;
  std::uint8_t ByteSize = 8;
  std::uint8_t Parity = NOPARITY;
  std::uint8_t StopBits = ONESTOPBIT;
  char XonChar = 0x11;
  char XoffChar = 0x13;
  friend bool operator==(const DeviceControlBlock&, const DeviceControlBlock&) = default;
};

// Bytes waiting in the driver's input queue and not yet sent from its output queue.
struct SerialPortStatus {
  std::uint32_t in_queue = 0;
  std::uint32_t out_queue = 0;
};

// An open port. Every operation may be called from any thread; none waits
// except the two waits, and each wait can be ended from another thread.
class SerialDevice {
 public:
  virtual ~SerialDevice() = default;

  // False when the settings cannot be read.
  virtual bool get_state(DeviceControlBlock& state) = 0;
  // 0, or the system error code.
  virtual std::uint32_t set_state(const DeviceControlBlock& state) = 0;
  // One of the line functions; false when the device refused it.
  virtual bool escape(std::uint32_t function) = 0;
  // Asks for driver queue sizes: 0, or the system error code.
  virtual std::uint32_t setup_queues(std::uint32_t in_size, std::uint32_t out_size) = 0;
  // Takes the line errors (CE_ bits) seen since the last call; false when nothing can be read.
  virtual bool clear_errors(std::uint32_t& errors, SerialPortStatus& status) = 0;
  // The modem lines as MS_ bits; false when the device has none.
  virtual bool modem_status(std::uint32_t& lines) = 0;
  // PURGE_ bits: 0, or the system error code.
  virtual std::uint32_t purge(std::uint32_t flags) = 0;

  // At most `count` bytes the device already holds, never waiting: the count read, or -1.
  virtual std::int32_t read(std::uint8_t* buffer, std::uint32_t count) = 0;
  // What the device takes now, never waiting: the count written (0 when it is full), or -1.
  virtual std::int32_t write(const std::uint8_t* data, std::uint32_t count) = 0;
  // Waits until the device takes output again: false when wake_writer ended the wait
  // (a wake given while nobody waits ends the next wait) or the device failed.
  virtual bool wait_writable() = 0;
  virtual void wake_writer() = 0;

  // The events wait_event reports; 0 ends a wait in progress, and the next.
  virtual void set_event_mask(std::uint32_t mask) = 0;
  // Waits for one of the events of the mask: true with the events that
  // happened (none when the mask became 0); false when the device failed.
  virtual bool wait_event(std::uint32_t& events) = 0;
};

struct SerialOpenResult {
  std::unique_ptr<SerialDevice> device;
  // The system error code when there is no device.
  std::uint32_t error = 0;
  // With an error, when the backend knows the device node: one line naming it and what to do.
  std::string problem;
};

// Opens ports by name ("COM3" or "\\.\COM3"); a port is held exclusively.
class SerialBackend {
 public:
  virtual ~SerialBackend() = default;
  virtual SerialOpenResult open(std::string_view name) = 0;
};

// The installed backend; the termios backend unless a test or the simulator installed another.
SerialBackend& serial_backend();
// Installs a backend (nullptr restores the termios one) and returns the previous one.
SerialBackend* install_serial_backend(SerialBackend* replacement);
inline SerialOpenResult open_serial_device(std::string_view name) { return serial_backend().open(name); }

// n of "COMn" or "\\.\COMn" (case-insensitive, n from 1); 0 for any other name.
std::uint32_t com_port_number(std::string_view name);

// Where the registry maps COM ports to devices: value "COMn" holds the device path.
inline constexpr std::string_view serial_ports_key = "Software\\Velmorix\\Serial Ports";
// The device of COM n: the registry's mapping, else /dev/ttyS(n-1).
std::string serial_device_path(std::uint32_t n);

}  // namespace vx::platform

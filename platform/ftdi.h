#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The FTDI USB functions in the shape the maker's library exports them
// (the published D2XX names, statuses and flags), over an FTDI bus: libftdi1
// for real devices, or a simulated bus that a test or the simulator installs.
namespace vx::platform {

using FT_HANDLE = void*;
using FT_STATUS = std::uint32_t;

namespace ft {
inline constexpr FT_STATUS ok = 0, invalid_handle = 1, device_not_found = 2, device_not_opened = 3, io_error = 4,
                           invalid_parameter = 6, not_supported = 17, other_error = 18;
inline constexpr std::uint32_t list_number_only = 0x80000000, list_by_index = 0x40000000,
                               open_by_serial_number = 1, open_by_description = 2;
inline constexpr std::uint32_t purge_rx = 1, purge_tx = 2;
// What the listing writes at most, terminating zero included.
inline constexpr std::size_t serial_buffer_size = 16, description_buffer_size = 64;
}  // namespace ft

// One device as the bus lists it.
struct FtdiListing {
  std::string serial;
  std::string description;
};

// An open device. Every operation returns an FT status.
class FtdiPort {
 public:
  virtual ~FtdiPort() = default;
  virtual FT_STATUS write(std::span<const std::uint8_t> bytes) = 0;
  // Appends what the device has received so far, without waiting for more.
  virtual FT_STATUS read_available(std::vector<std::uint8_t>& into) = 0;
  virtual FT_STATUS reset() = 0;
  virtual FT_STATUS purge(std::uint32_t mask) = 0;
  virtual FT_STATUS set_latency_timer(std::uint8_t milliseconds) = 0;
  // Reads from the EEPROM's user area; `count` receives the bytes read.
  virtual FT_STATUS read_user_area(std::span<std::uint8_t> into, std::uint32_t& count) = 0;
};

class FtdiBus {
 public:
  virtual ~FtdiBus() = default;
  // nullopt when the bus cannot be listed.
  virtual std::optional<std::vector<FtdiListing>> list() = 0;
  // nullptr when no device has that serial number or it cannot be opened.
  virtual std::unique_ptr<FtdiPort> open(std::string_view serial) = 0;
};

// The installed bus; the libftdi1 bus unless another was installed.
FtdiBus& ftdi_bus();
// nullptr restores the libftdi1 bus. Close every handle first.
void install_ftdi_bus(FtdiBus* bus);
// Closes every handle still open.
void reset_ftdi_handles();

// The entries of the built-in "VXUSBV1.dll" (see dynlib.h).
void* ftdi_library_entry(std::string_view name);

// The entry signatures.
using FT_Open_fn = FT_STATUS (*)(int device, FT_HANDLE* handle);
using FT_OpenEx_fn = FT_STATUS (*)(void* argument, std::uint32_t flags, FT_HANDLE* handle);
using FT_Close_fn = FT_STATUS (*)(FT_HANDLE handle);
using FT_Read_fn = FT_STATUS (*)(FT_HANDLE handle, void* buffer, std::uint32_t count, std::uint32_t* read);
using FT_Write_fn = FT_STATUS (*)(FT_HANDLE handle, void* buffer, std::uint32_t count, std::uint32_t* written);
using FT_SetBaudRate_fn = FT_STATUS (*)(FT_HANDLE handle, std::uint32_t baud_rate);
using FT_SetDataCharacteristics_fn = FT_STATUS (*)(FT_HANDLE handle, std::uint8_t word_length,
                                                   std::uint8_t stop_bits, std::uint8_t parity);
using FT_SetFlowControl_fn = FT_STATUS (*)(FT_HANDLE handle, std::uint16_t flow_control, std::uint8_t xon,
                                           std::uint8_t xoff);
using FT_Handle_fn = FT_STATUS (*)(FT_HANDLE handle);  // FT_ResetDevice, FT_SetDtr, FT_ClrDtr, FT_SetRts, FT_ClrRts
using FT_GetModemStatus_fn = FT_STATUS (*)(FT_HANDLE handle, std::uint32_t* status);
using FT_SetChars_fn = FT_STATUS (*)(FT_HANDLE handle, std::uint8_t event_char, std::uint8_t event_enabled,
                                     std::uint8_t error_char, std::uint8_t error_enabled);
using FT_Purge_fn = FT_STATUS (*)(FT_HANDLE handle, std::uint32_t mask);
using FT_SetTimeouts_fn = FT_STATUS (*)(FT_HANDLE handle, std::uint32_t read_timeout, std::uint32_t write_timeout);
using FT_GetQueueStatus_fn = FT_STATUS (*)(FT_HANDLE handle, std::uint32_t* bytes_waiting);
using FT_ListDevices_fn = FT_STATUS (*)(void* argument1, void* argument2, std::uint32_t flags);
using FT_EE_UARead_fn = FT_STATUS (*)(FT_HANDLE handle, std::uint8_t* buffer, std::uint32_t length,
                                      std::uint32_t* read);
using FT_EE_UAWrite_fn = FT_STATUS (*)(FT_HANDLE handle, std::uint8_t* buffer, std::uint32_t length);
using FT_EE_Program_fn = FT_STATUS (*)(FT_HANDLE handle, void* data);
using FT_EE_Read_fn = FT_STATUS (*)(FT_HANDLE handle, void* data);
using FT_SetLatencyTimer_fn = FT_STATUS (*)(FT_HANDLE handle, std::uint8_t milliseconds);

}  // namespace vx::platform

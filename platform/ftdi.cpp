#include "platform/ftdi.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <utility>

#include "platform/clock.h"
#include "platform/ftdi_libftdi.h"

namespace vx::platform {
namespace {

// An open handle. The bus hands out what arrived as it comes; the read-ahead
// keeps it until read, which gives the receive-queue count libftdi lacks.
struct OpenFtdi {
  std::unique_ptr<FtdiPort> port;
  std::deque<std::uint8_t> read_ahead;
  std::uint32_t read_timeout_ms = 3000;
};

struct FtdiLayer {
  FtdiBus* bus = nullptr;
  std::map<std::uintptr_t, OpenFtdi> open;
  std::uintptr_t next_handle = 1;
};

FtdiLayer layer;

OpenFtdi* find(FT_HANDLE handle) {
  const auto found = layer.open.find(reinterpret_cast<std::uintptr_t>(handle));
  return found == layer.open.end() ? nullptr : &found->second;
}

FT_STATUS fill_read_ahead(OpenFtdi& device) {
  std::vector<std::uint8_t> arrived;
  const FT_STATUS status = device.port->read_available(arrived);
  device.read_ahead.insert(device.read_ahead.end(), arrived.begin(), arrived.end());
  return status;
}

// Copies at most size - 1 characters and the terminating zero.
void copy_listing_text(const std::string& text, void* buffer, std::size_t size) {
  const std::size_t count = std::min(text.size(), size - 1);
  std::memcpy(buffer, text.data(), count);
  static_cast<char*>(buffer)[count] = '\0';
}

FT_STATUS open_serial(std::string_view serial, FT_HANDLE* handle) {
  std::unique_ptr<FtdiPort> port = ftdi_bus().open(serial);
  if (!port) return ft::device_not_found;
  const std::uintptr_t id = layer.next_handle++;
  layer.open.emplace(id, OpenFtdi{std::move(port), {}, 3000});
  *handle = reinterpret_cast<FT_HANDLE>(id);
  return ft::ok;
}

FT_STATUS FT_ListDevices(void* argument1, void* argument2, std::uint32_t flags) {
  const std::optional<std::vector<FtdiListing>> devices = ftdi_bus().list();
  if (!devices) return ft::io_error;
  if ((flags & ft::list_number_only) != 0) {
    if (argument1 == nullptr) return ft::invalid_parameter;
    *static_cast<std::uint32_t*>(argument1) = static_cast<std::uint32_t>(devices->size());
    return ft::ok;
  }
  if ((flags & ft::list_by_index) == 0 || argument2 == nullptr) return ft::invalid_parameter;
  const auto index = reinterpret_cast<std::uintptr_t>(argument1);
  if (index >= devices->size()) return ft::device_not_found;
  const FtdiListing& device = (*devices)[index];
  if ((flags & ft::open_by_serial_number) != 0) {
    copy_listing_text(device.serial, argument2, ft::serial_buffer_size);
  } else if ((flags & ft::open_by_description) != 0) {
    copy_listing_text(device.description, argument2, ft::description_buffer_size);
  } else {
    return ft::invalid_parameter;
  }
  return ft::ok;
}

FT_STATUS FT_Open(int device, FT_HANDLE* handle) {
  const std::optional<std::vector<FtdiListing>> devices = ftdi_bus().list();
  if (!devices) return ft::io_error;
  if (device < 0 || static_cast<std::size_t>(device) >= devices->size()) return ft::device_not_found;
  return open_serial((*devices)[static_cast<std::size_t>(device)].serial, handle);
}

FT_STATUS FT_OpenEx(void* argument, std::uint32_t flags, FT_HANDLE* handle) {
  if (argument == nullptr || handle == nullptr) return ft::invalid_parameter;
  const std::string_view wanted(static_cast<const char*>(argument));
  if (flags == ft::open_by_serial_number) return open_serial(wanted, handle);
  if (flags != ft::open_by_description) return ft::invalid_parameter;
  const std::optional<std::vector<FtdiListing>> devices = ftdi_bus().list();
  if (!devices) return ft::io_error;
  for (const FtdiListing& device : *devices) {
    if (device.description == wanted) return open_serial(device.serial, handle);
  }
  return ft::device_not_found;
}

FT_STATUS FT_Close(FT_HANDLE handle) {
  return layer.open.erase(reinterpret_cast<std::uintptr_t>(handle)) == 0 ? ft::invalid_handle : ft::ok;
}

FT_STATUS FT_GetQueueStatus(FT_HANDLE handle, std::uint32_t* bytes_waiting) {
  OpenFtdi* device = find(handle);
  if (device == nullptr) return ft::invalid_handle;
  const FT_STATUS status = fill_read_ahead(*device);
  *bytes_waiting = static_cast<std::uint32_t>(device->read_ahead.size());
  return status;
}

// Waits for the count up to the read time-out, then hands out what there is.
FT_STATUS FT_Read(FT_HANDLE handle, void* buffer, std::uint32_t count, std::uint32_t* read) {
  OpenFtdi* device = find(handle);
  *read = 0;
  if (device == nullptr) return ft::invalid_handle;
  const std::uint64_t start = clock().monotonic_microseconds();
  FT_STATUS status = fill_read_ahead(*device);
  while (status == ft::ok && device->read_ahead.size() < count &&
         clock().monotonic_microseconds() - start < std::uint64_t{device->read_timeout_ms} * 1000) {
    clock().sleep_microseconds(1000);
    status = fill_read_ahead(*device);
  }
  const std::size_t taken = std::min<std::size_t>(count, device->read_ahead.size());
  std::copy_n(device->read_ahead.begin(), taken, static_cast<std::uint8_t*>(buffer));
  device->read_ahead.erase(device->read_ahead.begin(), device->read_ahead.begin() + static_cast<long>(taken));
  *read = static_cast<std::uint32_t>(taken);
  return status;
}

FT_STATUS FT_Write(FT_HANDLE handle, void* buffer, std::uint32_t count, std::uint32_t* written) {
  OpenFtdi* device = find(handle);
  *written = 0;
  if (device == nullptr) return ft::invalid_handle;
  const FT_STATUS status = device->port->write({static_cast<const std::uint8_t*>(buffer), count});
  if (status == ft::ok) *written = count;
  return status;
}

FT_STATUS FT_ResetDevice(FT_HANDLE handle) {
  OpenFtdi* device = find(handle);
  return device == nullptr ? ft::invalid_handle : device->port->reset();
}

FT_STATUS FT_Purge(FT_HANDLE handle, std::uint32_t mask) {
  OpenFtdi* device = find(handle);
  if (device == nullptr) return ft::invalid_handle;
  if ((mask & ft::purge_rx) != 0) device->read_ahead.clear();
  return device->port->purge(mask);
}

FT_STATUS FT_SetTimeouts(FT_HANDLE handle, std::uint32_t read_timeout, std::uint32_t) {
  OpenFtdi* device = find(handle);
  if (device == nullptr) return ft::invalid_handle;
  device->read_timeout_ms = read_timeout;
  return ft::ok;
}

FT_STATUS FT_SetLatencyTimer(FT_HANDLE handle, std::uint8_t milliseconds) {
  OpenFtdi* device = find(handle);
  return device == nullptr ? ft::invalid_handle : device->port->set_latency_timer(milliseconds);
}

FT_STATUS FT_EE_UARead(FT_HANDLE handle, std::uint8_t* buffer, std::uint32_t length, std::uint32_t* read) {
  OpenFtdi* device = find(handle);
  *read = 0;
  if (device == nullptr) return ft::invalid_handle;
  return device->port->read_user_area({buffer, length}, *read);
}

// Serial-line and EEPROM-writing functions: bound by the callers, never called.
FT_STATUS FT_SetBaudRate(FT_HANDLE, std::uint32_t) { return ft::not_supported; }
FT_STATUS FT_SetDataCharacteristics(FT_HANDLE, std::uint8_t, std::uint8_t, std::uint8_t) { return ft::not_supported; }
FT_STATUS FT_SetFlowControl(FT_HANDLE, std::uint16_t, std::uint8_t, std::uint8_t) { return ft::not_supported; }
FT_STATUS FT_ModemLine(FT_HANDLE) { return ft::not_supported; }
FT_STATUS FT_GetModemStatus(FT_HANDLE, std::uint32_t*) { return ft::not_supported; }
FT_STATUS FT_SetChars(FT_HANDLE, std::uint8_t, std::uint8_t, std::uint8_t, std::uint8_t) { return ft::not_supported; }
FT_STATUS FT_EE_UAWrite(FT_HANDLE, std::uint8_t*, std::uint32_t) { return ft::not_supported; }
FT_STATUS FT_EE_Data(FT_HANDLE, void*) { return ft::not_supported; }

template <typename Function>
void* entry(Function function) {
  return reinterpret_cast<void*>(function);
}

const std::pair<std::string_view, void*> ftdi_entries[] = {
    {"FT_Open", entry(FT_Open)},
    {"FT_OpenEx", entry(FT_OpenEx)},
    {"FT_Close", entry(FT_Close)},
    {"FT_Read", entry(FT_Read)},
    {"FT_Write", entry(FT_Write)},
    {"FT_SetBaudRate", entry(FT_SetBaudRate)},
    {"FT_SetDataCharacteristics", entry(FT_SetDataCharacteristics)},
    {"FT_SetFlowControl", entry(FT_SetFlowControl)},
    {"FT_ResetDevice", entry(FT_ResetDevice)},
    {"FT_SetDtr", entry(FT_ModemLine)},
    {"FT_ClrDtr", entry(FT_ModemLine)},
    {"FT_SetRts", entry(FT_ModemLine)},
    {"FT_ClrRts", entry(FT_ModemLine)},
    {"FT_GetModemStatus", entry(FT_GetModemStatus)},
    {"FT_SetChars", entry(FT_SetChars)},
    {"FT_Purge", entry(FT_Purge)},
    {"FT_SetTimeouts", entry(FT_SetTimeouts)},
    {"FT_GetQueueStatus", entry(FT_GetQueueStatus)},
    {"FT_ListDevices", entry(FT_ListDevices)},
    {"FT_EE_UARead", entry(FT_EE_UARead)},
    {"FT_EE_UAWrite", entry(FT_EE_UAWrite)},
    {"FT_EE_Program", entry(FT_EE_Data)},
    {"FT_EE_Read", entry(FT_EE_Data)},
    {"FT_SetLatencyTimer", entry(FT_SetLatencyTimer)},
};

}  // namespace

FtdiBus& ftdi_bus() { return layer.bus != nullptr ? *layer.bus : libftdi_bus(); }

void install_ftdi_bus(FtdiBus* bus) { layer.bus = bus; }

void reset_ftdi_handles() {
  layer.open.clear();
  layer.next_handle = 1;
}

void* ftdi_library_entry(std::string_view name) {
  for (const auto& [entry_name, address] : ftdi_entries) {
    if (entry_name == name) return address;
  }
  return nullptr;
}

}  // namespace vx::platform

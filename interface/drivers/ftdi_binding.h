#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "foundation/short_text.h"
#include "platform/dynlib.h"
#include "platform/ftdi.h"

namespace vx {

// The maker's FTDI-based USB library "VXUSBV1.dll": its entries, the
// interfaces listed among the FTDI devices, and the one device open.
struct FtdiBinding {
  static constexpr std::size_t slot_count = 25;
  static constexpr std::int32_t max_devices = 19;
  // The listing may write 64 bytes; the tables keep 49 characters.
  static constexpr std::size_t text_buffer_size = platform::ft::description_buffer_size;
  static constexpr std::size_t kept_text_length = 49;
  // Returned by a guarded call of a library that is not loaded or lacks the entry.
  static constexpr platform::FT_STATUS not_bound = 7;

  platform::LibraryHandle library = 0;
  bool loaded = false;
  std::array<void*, slot_count> slots{};
  platform::FT_STATUS last_status = 0;
  bool listed = false;
  std::int32_t device_count = 0;
  std::array<ShortText, max_devices> serial_numbers;
  std::array<ShortText, max_devices> descriptions;
  std::array<char, text_buffer_size> text_buffer{};
  platform::FT_HANDLE device = nullptr;
  bool open = false;
};

FtdiBinding& ftdi_binding();
// Closes the device, unloads the library and returns to the start values.
void reset_ftdi_binding();

// Start-up: clears the tables and loads the library when the system allows it.
void start_ftdi_binding();
// Shutdown: closes the open device and unloads the library.
void finish_ftdi_binding();

bool load_ftdi_dll(const ShortText& file_name);
void ft_list_devices();
std::int32_t ft_device_count();
// n is 1-based.
bool ft_open_device(std::int32_t n);
void ft_close_device();
void ft_reset_device();
std::uint32_t ft_rx_queue_count();
// Reads into the reply buffer and writes from the frame buffer; counts past the buffers are cut.
std::uint32_t ft_read(std::uint32_t count);
std::uint32_t ft_write(std::uint32_t count);

}  // namespace vx

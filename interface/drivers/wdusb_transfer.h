#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "platform/wdusb.h"

namespace vx {

// Bulk pipes and frame headers of the interfaces.
namespace wdusb_frame {
inline constexpr std::uint8_t out_pipe = 0x02, in_pipe = 0x81;
inline constexpr std::uint8_t short_out[2] = {0xAA, 0x55}, long_out[2] = {0xBB, 0x66};
inline constexpr std::uint8_t short_in[2] = {0x99, 0x66}, long_in[2] = {0x88, 0xA5};
inline constexpr std::uint32_t short_data_limit = 252, long_data_limit = 1276;
}  // namespace wdusb_frame

// Where a transfer runs: the main thread may open a device that left the
// bus again and traces; the attach callback does neither, since it runs on
// the library thread that a re-open would have to stop.
enum class TransferCaller : std::uint8_t { main, callback };

// One transfer with its retries, timed on the platform clock (the callback's
// thread must not share the main thread's microsecond timer).
std::uint32_t wdusb_transfer(platform::WDU_DEVICE_HANDLE& device, std::uint32_t pipe, bool read,
                             std::uint8_t* buffer, std::uint32_t size, std::uint32_t& transferred,
                             std::uint32_t timeout_ms, TransferCaller caller);

// One reply frame into `frame`: its data length, nullopt when it failed.
// A callback reads the rest of a long frame in one 1024-byte transfer.
std::optional<std::uint32_t> read_reply_frame(platform::WDU_DEVICE_HANDLE device, std::span<std::uint8_t, 1280> frame,
                                              std::uint32_t timeout_ms, TransferCaller caller);

bool wdusb_write(std::span<const std::uint8_t> data);
// The reply's data go to `buffer`; a reply longer than the buffer fails.
bool wdusb_read(std::span<std::uint8_t> buffer, std::int32_t& length, std::uint32_t timeout_ms);

}  // namespace vx

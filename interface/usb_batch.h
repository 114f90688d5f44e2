#pragma once

#include <cstdint>

// Batching of USB frames (off unless switched on). Internal to the byte protocol.
namespace vx {

// Appends the finished frame in the frame buffer to the batch, flushing first when it is full.
void queue_usb_frame(std::int32_t timeout_ms);
// Waits until `count` reply bytes are waiting: at least `poll_us`, and at least until the
// time-out + 50 ms have passed. False on a USB error or when they did not come.
bool usb_wait_for_replies(std::int32_t count, std::int32_t timeout_ms, std::int64_t poll_us, bool check_link);

}  // namespace vx

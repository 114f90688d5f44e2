#pragma once

#include <cstdint>

// Batching of USB frames (off unless switched on). Internal to the byte protocol.
namespace vx {

// Appends the finished frame in the frame buffer to the batch, flushing first when it is full.
void queue_usb_frame(std::int32_t timeout_ms);

}  // namespace vx

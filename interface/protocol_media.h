#pragma once

#include <cstdint>

// The byte protocol's media below the class dispatch. Internal to the
// protocol's own units.
namespace vx {

void usb_send8(std::uint8_t b);
void usb_send_cmd(std::uint8_t b, std::int32_t timeout_ms);
void usb_recv16();
// Waits until `count` reply bytes are waiting: at least `poll_us`, and at least until the
// time-out + 50 ms have passed; HS_GOOD on every poll when asked. False on a USB error or
// when they did not come.
bool usb_wait_for_replies(std::int32_t count, std::int32_t timeout_ms, std::int64_t poll_us, bool check_link);

void programmer_send8(std::uint8_t b);
void programmer_send_cmd(std::uint8_t b, std::int32_t timeout_ms);
void programmer_recv16();

// True once more than `microseconds` have passed since `start_us`; one pass of a busy wait.
bool waited_more_than(std::int64_t start_us, std::int64_t microseconds);

}  // namespace vx

#include "interface/drivers/wdusb_transfer.h"

#include <algorithm>

#include "foundation/program_trace.h"
#include "interface/drivers/wdusb_devices.h"
#include "interface/drivers/wdusb_library.h"
#include "platform/clock.h"

namespace vx {
namespace {

using platform::wd::success;
using platform::wd::time_out_expired;

constexpr int detach_wait_steps = 15;
constexpr std::uint64_t detach_wait_step_us = 100'000;

std::uint64_t now_us() { return platform::clock().monotonic_microseconds(); }

void busy_wait_us(std::uint64_t microseconds) {
  const std::uint64_t start = now_us();
  for (std::uint64_t waited = 0; waited <= microseconds; waited = now_us() - start) {
    platform::clock().wait_step(microseconds + 1 - waited);
  }
}

void trace_failure(const char* direction, std::uint32_t status, TransferCaller caller) {
  if (caller == TransferCaller::callback) return;
  trace_line(ShortText(direction) + " : ReadWritePipesMenu: WDU_Transfer() failed: error $" + status_hex(status));
  trace_line(ShortText(direction) + " : (\"" + wd_status_text(status) + "\")");
}

// A device that left the bus may come back (after a firmware restart); give it up to 1.5 s.
void wait_for_detached_device() {
  {
    std::lock_guard lock(wdusb_mutex());
    if (!wdusb_state().opened || !wdusb_state().detached) return;
  }
  for (int step = 0; step < detach_wait_steps; ++step) {
    platform::clock().sleep_microseconds(detach_wait_step_us);
    std::lock_guard lock(wdusb_mutex());
    if (!wdusb_state().detached) break;
  }
  std::lock_guard lock(wdusb_mutex());
  wdusb_state().detached = false;
}

bool usable() {
  std::lock_guard lock(wdusb_mutex());
  return wdusb_state().driver != nullptr && wdusb_state().taken != nullptr;
}

platform::WDU_DEVICE_HANDLE record_device() {
  std::lock_guard lock(wdusb_mutex());
  return wdusb_state().record.device;
}

bool has_header(std::span<const std::uint8_t> frame, const std::uint8_t (&header)[2]) {
  return frame[0] == header[0] && frame[1] == header[1];
}

// Re-opens the device taken before by its remembered name; the handle becomes the new one.
void reopen(platform::WDU_DEVICE_HANDLE& device, std::uint32_t size) {
  WdusbState& state = wdusb_state();
  trace_line("Attempting to re-open the device...");
  const std::size_t saved = std::min<std::size_t>(std::size_t{size} + 2, WdusbState::transfer_size);
  std::copy_n(state.transfer_buffer.begin(), saved, state.save_area.begin());
  state.re_open_allowed = wdusb_open_device(ShortText(state.remembered_name));
  device = record_device();
  std::copy_n(state.save_area.begin(), saved, state.transfer_buffer.begin());
  trace_line(state.re_open_allowed ? "Result = TRUE" : "Result = FALSE");
}

bool reopen_wanted(std::uint32_t status) {
  const WdusbState& state = wdusb_state();
  if (!state.re_open_allowed || status != platform::wd::device_not_found || state.remembered_name.empty()) {
    return false;
  }
  std::lock_guard lock(wdusb_mutex());
  return state.taken != nullptr;
}

}  // namespace

std::uint32_t wdusb_transfer(platform::WDU_DEVICE_HANDLE& device, std::uint32_t pipe, bool read,
                             std::uint8_t* buffer, std::uint32_t size, std::uint32_t& transferred,
                             std::uint32_t timeout_ms, TransferCaller caller) {
  WdusbState& state = wdusb_state();
  const std::uint64_t start = now_us();
  std::uint32_t status =
      wd_transfer(device, pipe, read, buffer, size, transferred, state.setup_packet.data(), timeout_ms);
  if (status != success && status != time_out_expired) {
    if (caller == TransferCaller::main && reopen_wanted(status)) reopen(device, size);
    std::uint64_t pause_us = 100;
    do {
      busy_wait_us(pause_us);
      pause_us += 10;
      status = wd_transfer(device, pipe, read, buffer, size, transferred, state.setup_packet.data(), timeout_ms);
    } while (status != success && status != time_out_expired &&
             now_us() - start <= std::uint64_t{timeout_ms} * 1000);
  }
  std::lock_guard lock(wdusb_mutex());
  state.last_status = status;
  return status;
}

std::optional<std::uint32_t> read_reply_frame(platform::WDU_DEVICE_HANDLE device, std::span<std::uint8_t, 1280> frame,
                                              std::uint32_t timeout_ms, TransferCaller caller) {
  constexpr std::uint32_t part = WdusbState::part_size;
  std::uint32_t transferred = 0;
  std::uint32_t status =
      wdusb_transfer(device, wdusb_frame::in_pipe, true, frame.data(), part, transferred, timeout_ms, caller);
  if (status != success) trace_failure("Read", status, caller);
  if (status != success || transferred != part) return std::nullopt;
  std::uint32_t received = part;
  if (has_header(frame, wdusb_frame::long_in)) {
    std::uint32_t rest = 0;
    const std::uint32_t rest_size = caller == TransferCaller::callback ? 4 * part : part;
    while (status == success && rest < 4 * part) {
      status = wdusb_transfer(device, wdusb_frame::in_pipe, true, frame.data() + part + rest, rest_size, transferred,
                              timeout_ms, caller);
      if (status != success) trace_failure("Read", status, caller);
      if (status == success) rest += transferred;
      if (transferred < rest_size) break;
    }
    if (rest != 4 * part) return std::nullopt;
    received += rest;
  } else if (!has_header(frame, wdusb_frame::short_in)) {
    return std::nullopt;
  }
  // The announced length must lie within what came; bytes past it are stale.
  const std::uint32_t length = std::uint32_t{frame[2]} * 256 + frame[3];
  if (length > received - 4) return std::nullopt;
  return length;
}

bool wdusb_write(std::span<const std::uint8_t> data) {
  WdusbState& state = wdusb_state();
  if (!usable() || data.empty()) return false;
  const bool long_frame = data.size() > wdusb_frame::short_data_limit;
  const auto length = static_cast<std::uint32_t>(std::min<std::size_t>(data.size(), wdusb_frame::long_data_limit));
  const std::uint8_t(&header)[2] = long_frame ? wdusb_frame::long_out : wdusb_frame::short_out;
  std::uint8_t* frame = state.transfer_buffer.data();
  std::fill(state.transfer_buffer.begin(), state.transfer_buffer.end(), 0);
  frame[0] = header[0];
  frame[1] = header[1];
  frame[2] = static_cast<std::uint8_t>(length >> 8);
  frame[3] = static_cast<std::uint8_t>(length);
  std::copy_n(data.begin(), length, frame + 4);
  wait_for_detached_device();
  platform::WDU_DEVICE_HANDLE device = record_device();
  std::uint16_t product = 0;
  {
    std::lock_guard lock(wdusb_mutex());
    product = state.taken_product;
  }
  const std::uint32_t size = long_frame ? WdusbState::transfer_size : WdusbState::part_size;
  const std::uint32_t part = (!long_frame || product == 1) ? size : WdusbState::part_size;
  bool written = true;
  for (std::uint32_t offset = 0; offset < size; offset += part) {
    std::uint32_t transferred = 0;
    const std::uint32_t status = wdusb_transfer(device, wdusb_frame::out_pipe, false, frame + offset, part,
                                                transferred, state.transfer_timeout_ms, TransferCaller::main);
    if (status == success) continue;
    trace_failure("Write", status, TransferCaller::main);
    written = false;
    if (status == time_out_expired) break;
  }
  return written;
}

bool wdusb_read(std::span<std::uint8_t> buffer, std::int32_t& length, std::uint32_t timeout_ms) {
  WdusbState& state = wdusb_state();
  length = 0;
  if (!usable()) return false;
  wait_for_detached_device();
  const std::optional<std::uint32_t> data_length =
      read_reply_frame(record_device(), state.transfer_buffer, timeout_ms, TransferCaller::main);
  if (!data_length || *data_length > buffer.size()) return false;
  std::copy_n(state.transfer_buffer.begin() + 4, *data_length, buffer.begin());
  length = static_cast<std::int32_t>(*data_length);
  return true;
}

}  // namespace vx

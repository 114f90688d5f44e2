#include "sim/usb/sim_usb_bus.h"

#include <algorithm>

#include "sim/usb/usb_time.h"

namespace vx::sim {
namespace {

namespace wd = platform::wd;

constexpr std::size_t part_size = 256, long_size = 1280, short_limit = 252, long_limit = 1276;
constexpr std::uint8_t out_pipe = 0x02, in_pipe = 0x81;

std::vector<std::uint8_t> reply_frame(const std::vector<std::uint8_t>& data) {
  const bool long_frame = data.size() > short_limit;
  const std::size_t length = std::min(data.size(), long_limit);
  std::vector<std::uint8_t> frame(long_frame ? long_size : part_size, 0);
  frame[0] = long_frame ? 0x88 : 0x99;
  frame[1] = long_frame ? 0xA5 : 0x66;
  frame[2] = static_cast<std::uint8_t>(length >> 8);
  frame[3] = static_cast<std::uint8_t>(length);
  std::copy_n(data.begin(), length, frame.begin() + 4);
  return frame;
}

}  // namespace

SimUsbBus::SimUsbBus(SimClock* clock, std::uint64_t round_trip_ns) : clock_(clock), round_trip_ns_(round_trip_ns) {}

platform::UsbDeviceId SimUsbBus::add(SimUsbDevice device, bool attached) {
  platform::UsbDeviceId id = 0;
  {
    std::lock_guard lock(mutex_);
    devices_.push_back({std::move(device), false, {}, {}, 0, false});
    id = devices_.size();
  }
  if (attached) attach(id);
  return id;
}

void SimUsbBus::attach(platform::UsbDeviceId id) {
  {
    std::lock_guard lock(mutex_);
    Device* device = any(id);
    if (device == nullptr || device->attached) return;
    device->attached = true;
    device->incoming.clear();
    device->reply.clear();
    if (events_ != nullptr && matches(*device)) {
      events_->arrived(id, {device->config.vendor, device->config.product, 0});
    }
  }
  platform::wdusb_wait_for_callbacks();
}

void SimUsbBus::detach(platform::UsbDeviceId id) {
  {
    std::lock_guard lock(mutex_);
    Device* device = any(id);
    if (device == nullptr || !device->attached) return;
    device->attached = false;
    if (events_ != nullptr && matches(*device)) events_->departed(id);
  }
  platform::wdusb_wait_for_callbacks();
}

std::uint32_t SimUsbBus::malformed_frames() const {
  std::lock_guard lock(mutex_);
  return malformed_;
}

std::uint64_t SimUsbBus::transfers() const {
  std::lock_guard lock(mutex_);
  return transfers_;
}

bool SimUsbBus::start(std::uint16_t vendor, std::uint16_t product, platform::UsbBusEvents& events) {
  std::lock_guard lock(mutex_);
  events_ = &events;
  vendor_ = vendor;
  product_ = product;
  for (std::size_t i = 0; i < devices_.size(); ++i) {
    const Device& device = devices_[i];
    if (device.attached && matches(device)) events.arrived(i + 1, {device.config.vendor, device.config.product, 0});
  }
  return true;
}

void SimUsbBus::stop() {
  std::lock_guard lock(mutex_);
  events_ = nullptr;
}

std::uint32_t SimUsbBus::set_interface(platform::UsbDeviceId id, std::uint8_t, std::uint8_t) {
  std::lock_guard lock(mutex_);
  return find(id) != nullptr ? wd::success : wd::device_not_found;
}

std::uint32_t SimUsbBus::reset_pipe(platform::UsbDeviceId id, std::uint8_t pipe) {
  std::lock_guard lock(mutex_);
  Device* device = find(id);
  if (device == nullptr) return wd::device_not_found;
  if (pipe == out_pipe) device->incoming.clear();
  if (pipe == in_pipe) device->reply.clear();
  return wd::success;
}

std::uint32_t SimUsbBus::transfer(platform::UsbDeviceId id, std::uint8_t pipe, bool read,
                                  std::span<std::uint8_t> buffer, std::uint32_t& transferred,
                                  std::uint32_t timeout_ms) {
  bool restarted = false;
  const std::uint32_t status = locked_transfer(id, pipe, read, buffer, transferred, timeout_ms, restarted);
  // Outside the lock: the library's callbacks for it use the bus.
  if (restarted) {
    detach(id);
    attach(id);
  }
  return status;
}

std::uint32_t SimUsbBus::locked_transfer(platform::UsbDeviceId id, std::uint8_t pipe, bool read,
                                         std::span<std::uint8_t> buffer, std::uint32_t& transferred,
                                         std::uint32_t timeout_ms, bool& restarted) {
  std::lock_guard lock(mutex_);
  ++transfers_;
  transferred = 0;
  Device* device = find(id);
  if (device == nullptr) return wd::device_not_found;
  const auto time_out = [&] {
    if (clock_ != nullptr) clock_->advance_nanoseconds(std::uint64_t{timeout_ms} * 1'000'000);
    return wd::time_out_expired;
  };
  // An answer made before the link went still comes.
  const bool answer_waiting = read && device->reply_read < device->reply.size();
  if (device->config.pod != nullptr && device->config.pod->link_lost() && !answer_waiting) return time_out();
  if (!read && pipe == out_pipe) {
    device->incoming.insert(device->incoming.end(), buffer.begin(), buffer.end());
    transferred = static_cast<std::uint32_t>(buffer.size());
    take_frame(*device);
    restarted = device->restarting && device->reply.empty();
    if (restarted) device->restarting = false;
    return wd::success;
  }
  if (!read || pipe != in_pipe) return wd::invalid_pipe_number;
  if (device->reply_read >= device->reply.size()) return time_out();
  const std::size_t count = std::min(buffer.size(), device->reply.size() - device->reply_read);
  std::copy_n(device->reply.begin() + static_cast<long>(device->reply_read), count, buffer.begin());
  device->reply_read += count;
  transferred = static_cast<std::uint32_t>(count);
  restarted = device->restarting && device->reply_read >= device->reply.size();
  if (restarted) device->restarting = false;
  return wd::success;
}

bool SimUsbBus::matches(const Device& device) const {
  return device.config.vendor == vendor_ && (product_ == 0 || device.config.product == product_);
}

SimUsbBus::Device* SimUsbBus::any(platform::UsbDeviceId id) {
  return id == 0 || id > devices_.size() ? nullptr : &devices_[id - 1];
}

SimUsbBus::Device* SimUsbBus::find(platform::UsbDeviceId id) {
  Device* device = any(id);
  return device != nullptr && device->attached ? device : nullptr;
}

// Once a whole frame is in, the device answers it.
void SimUsbBus::take_frame(Device& device) {
  std::vector<std::uint8_t>& frame = device.incoming;
  if (frame.size() < 2) return;
  const bool short_frame = frame[0] == 0xAA && frame[1] == 0x55;
  const bool long_frame = frame[0] == 0xBB && frame[1] == 0x66;
  const std::size_t whole = long_frame ? long_size : part_size;
  if ((short_frame || long_frame) && frame.size() < whole) return;
  const std::size_t length = frame.size() >= 4 ? std::size_t{frame[2]} * 256 + frame[3] : 0;
  const bool sound = (short_frame && length <= short_limit) ||
                     (long_frame && length > short_limit && length <= long_limit);
  if (!sound || frame.size() != whole) {
    ++malformed_;
    if (device.config.pod != nullptr) device.config.pod->log_violation(frame, "malformed bulk frame");
    frame.clear();
    return;
  }
  const std::vector<std::uint8_t> payload(frame.begin() + 4, frame.begin() + 4 + static_cast<long>(length));
  frame.clear();
  // The round trip and the frame's packets before the device sees it, the answer's packets after.
  if (clock_ != nullptr) clock_->advance_nanoseconds(round_trip_ns_ + usb_bus_ns(whole));
  std::vector<std::uint8_t> answer;
  if (payload == std::vector<std::uint8_t>{0x01, 0x0B}) {
    answer.assign(device.config.information.begin(), device.config.information.end());
  } else if (device.config.answer) {
    answer = device.config.answer(payload);
  } else if (device.config.pod != nullptr) {
    answer = device.config.pod->execute(payload);
  }
  if (device.config.pod != nullptr && device.config.pod->take_restart()) device.restarting = true;
  device.reply = answer.empty() ? std::vector<std::uint8_t>{} : reply_frame(answer);
  device.reply_read = 0;
  if (clock_ != nullptr) clock_->advance_nanoseconds(usb_bus_ns(device.reply.size()));
}

}  // namespace vx::sim

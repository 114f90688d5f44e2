#include "sim/usb/sim_ftdi_bus.h"

#include <deque>

#include "sim/usb/usb_time.h"

namespace vx::sim {
namespace {

using platform::FT_STATUS;
namespace ft = platform::ft;

class SimFtdiPort final : public platform::FtdiPort {
 public:
  SimFtdiPort(std::shared_ptr<SimFtdiDevice> device, SimClock* clock, std::uint64_t round_trip_ns)
      : device_(std::move(device)), clock_(clock), round_trip_ns_(round_trip_ns) {
    ++device_->open_ports;
  }
  ~SimFtdiPort() override { --device_->open_ports; }
  SimFtdiPort(const SimFtdiPort&) = delete;
  SimFtdiPort& operator=(const SimFtdiPort&) = delete;

  FT_STATUS write(std::span<const std::uint8_t> bytes) override {
    if (!device_->present) return ft::io_error;
    input_.insert(input_.end(), bytes.begin(), bytes.end());
    run_frames();
    return ft::ok;
  }

  FT_STATUS read_available(std::vector<std::uint8_t>& into) override {
    if (!device_->present) return ft::io_error;
    into.insert(into.end(), output_.begin(), output_.end());
    output_.clear();
    return ft::ok;
  }

  FT_STATUS reset() override { return device_->present ? ft::ok : ft::io_error; }

  FT_STATUS purge(std::uint32_t mask) override {
    if (!device_->present) return ft::io_error;
    if ((mask & ft::purge_rx) != 0) output_.clear();
    if ((mask & ft::purge_tx) != 0) input_.clear();
    return ft::ok;
  }

  FT_STATUS set_latency_timer(std::uint8_t) override { return device_->present ? ft::ok : ft::io_error; }

  // An unprogrammed user area.
  FT_STATUS read_user_area(std::span<std::uint8_t> into, std::uint32_t& count) override {
    if (!device_->present) return ft::io_error;
    std::fill(into.begin(), into.end(), 0xFF);
    count = static_cast<std::uint32_t>(into.size());
    return ft::ok;
  }

 private:
  // Hands each whole frame to the interface; bytes before a frame start are dropped and logged.
  void run_frames() {
    for (;;) {
      std::size_t stray = 0;
      while (stray < input_.size() && !(input_[stray] == 0xAA && (stray + 1 == input_.size() || input_[stray + 1] == 0x55))) {
        ++stray;
      }
      if (stray != 0) {
        const std::vector<std::uint8_t> dropped(input_.begin(), input_.begin() + static_cast<long>(stray));
        if (device_->pod != nullptr) device_->pod->log_violation(dropped, "bytes outside a frame");
        input_.erase(input_.begin(), input_.begin() + static_cast<long>(stray));
      }
      if (input_.size() < 4) return;
      const std::size_t length = std::size_t{input_[2]} * 256 + input_[3];
      if (input_.size() < 4 + length) return;
      const std::vector<std::uint8_t> payload(input_.begin() + 4, input_.begin() + 4 + static_cast<long>(length));
      input_.erase(input_.begin(), input_.begin() + 4 + static_cast<long>(length));
      // The round trip and the frame's packets before the interface sees it, the answer's packets after.
      if (clock_ != nullptr) clock_->advance_nanoseconds(round_trip_ns_ + usb_bus_ns(4 + length));
      if (device_->pod == nullptr) continue;
      const std::vector<std::uint8_t> reply = device_->pod->execute(payload);
      if (clock_ != nullptr) clock_->advance_nanoseconds(usb_bus_ns(reply.size()));
      output_.insert(output_.end(), reply.begin(), reply.end());
    }
  }

  std::shared_ptr<SimFtdiDevice> device_;
  SimClock* clock_;
  std::uint64_t round_trip_ns_;
  std::deque<std::uint8_t> input_;
  std::deque<std::uint8_t> output_;
};

}  // namespace

SimFtdiBus::SimFtdiBus(SimClock* clock, std::uint64_t round_trip_ns) : clock_(clock), round_trip_ns_(round_trip_ns) {}

SimFtdiDevice& SimFtdiBus::add(SimFtdiDevice device) {
  devices_.push_back(std::make_shared<SimFtdiDevice>(std::move(device)));
  return *devices_.back();
}

void SimFtdiBus::unplug(const std::string& serial) {
  for (const auto& device : devices_) {
    if (device->serial == serial) device->present = false;
  }
}

std::optional<std::vector<platform::FtdiListing>> SimFtdiBus::list() {
  std::vector<platform::FtdiListing> listing;
  for (const auto& device : devices_) {
    if (device->present) listing.push_back({device->serial, device->description});
  }
  return listing;
}

std::unique_ptr<platform::FtdiPort> SimFtdiBus::open(std::string_view serial) {
  for (const auto& device : devices_) {
    if (device->present && device->serial == serial) {
      return std::make_unique<SimFtdiPort>(device, clock_, round_trip_ns_);
    }
  }
  return nullptr;
}

}  // namespace vx::sim

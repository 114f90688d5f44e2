#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <vector>

#include "platform/clock.h"
#include "platform/portio.h"
#include "sim/pod/pod.h"

namespace vx::sim {

// The interface end of the parallel cable's register handshake, carrying the
// interface firmware. Control bit 2 low holds the cable in reset; the data
// byte as it leaves reset picks the firmware that starts. Each
// change of control bit 0 strobes the data byte in; bit 1 clear marks the
// last byte of a command. The acknowledge line (status bit 3) answers each
// ordinary byte at once and the last byte when the command is done. Reply
// bytes follow as status nibbles (bits 4-7, two per byte, high nibble
// first), one per change of bit 0 once the host has closed the command.
class SimParallelCable {
 public:
  // pod null: nothing answers. clock null: commands take no time.
  SimParallelCable(Pod* pod, platform::Clock* clock);

  std::uint8_t read(platform::PortRegister reg);
  void write(platform::PortRegister reg, std::uint8_t value);

  // A silent cable never moves its acknowledge line.
  void set_silent(bool silent) { silent_ = silent; }
  // How long each command runs before its acknowledgement.
  void set_command_time_us(std::uint64_t microseconds) { command_time_us_ = microseconds; }
  std::uint32_t commands() const { return commands_; }

 private:
  enum class Phase : std::uint8_t { reset, receiving, executing, closing, replying, stuck };

  void control_changed(std::uint8_t previous, std::uint8_t value);
  void strobe(std::uint8_t control);
  void finish_command(std::uint8_t control);
  void next_nibble(std::uint8_t control);
  std::uint64_t now_us();

  Pod* pod_;
  platform::Clock* clock_;
  bool silent_ = false;
  std::uint64_t command_time_us_ = 0;
  std::uint8_t data_ = 0;
  std::uint8_t control_ = 7;
  Phase phase_ = Phase::receiving;
  bool ack_ = false;
  std::uint8_t nibble_ = 0;
  std::uint64_t ack_at_us_ = 0;
  bool ack_when_done_ = false;
  std::vector<std::uint8_t> command_;
  std::deque<std::uint8_t> nibbles_;
  std::uint32_t commands_ = 0;
};

// The machine's parallel ports for the simulator: cables at base addresses.
class SimParallelPorts final : public platform::ParallelPortSet {
 public:
  explicit SimParallelPorts(platform::Clock* clock);

  // Listed in the order added.
  SimParallelCable& add(std::uint16_t base, Pod* pod);
  // Makes the port list unreadable, as on a system without parallel-port support.
  void set_unlisted(bool unlisted) { unlisted_ = unlisted; }

  std::optional<std::vector<std::uint16_t>> base_addresses() override;
  std::unique_ptr<platform::ParallelPort> open(std::uint16_t base) override;

 private:
  platform::Clock* clock_;
  bool unlisted_ = false;
  std::vector<std::pair<std::uint16_t, std::shared_ptr<SimParallelCable>>> cables_;
};

// The status nibbles that make the host's decode table give `byte`: first the
// value of status bits 4-7 while the acknowledge line is up, then while it is down.
std::pair<std::uint8_t, std::uint8_t> encode_reply_byte(std::uint8_t byte);

}  // namespace vx::sim

#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "platform/pcicard.h"
#include "sim/pod/pod.h"

namespace vx::sim {

// The PCI background-debug card carrying the interface firmware. The host
// forwards only data-register writes to it (as the low byte of a region-4
// write) and keeps its control writes to itself, so the card paces the
// handshake by what it sees: after a data write, the first region-4 read
// shows the acknowledge line (bit 21) unchanged, the second shows it
// toggled and takes the byte into the command. A third read before the next
// data write means the host is closing the command, which the card then
// runs: the line drops, and each further read toggles it and shows the next
// reply nibble (bits 28-31). A byte followed by fewer than two reads was no
// handshake byte (a reset or port-open write) and is dropped. A write of
// region 3 resets the card.
class SimPciCard {
 public:
  explicit SimPciCard(Pod* pod) : pod_(pod) {}

  std::uint32_t read_handshake();
  void write_handshake(std::uint32_t value);
  void reset();

  std::uint32_t commands() const { return commands_; }

 private:
  enum class Phase : std::uint8_t { receiving, replying, stuck };

  void run_command();

  Pod* pod_;
  Phase phase_ = Phase::receiving;
  bool ack_ = false;
  std::uint8_t nibble_ = 0;
  std::optional<std::uint8_t> pending_;
  std::uint32_t reads_since_write_ = 0;
  std::vector<std::uint8_t> command_;
  std::deque<std::uint8_t> nibbles_;
  std::uint32_t commands_ = 0;
};

struct SimPciCardSlot {
  std::shared_ptr<SimPciCard> card;
  bool map_fails = false;
  std::array<std::uint32_t, 4> words{};  // the first word of regions 1-4 as written
};

// The card driver for the simulator: cards 1 upwards in the order added, and
// the BIOS parallel-port table it maps.
class SimPciCardDriver final : public platform::PciCardDriver {
 public:
  SimPciCard& add(Pod* pod, bool map_fails = false);
  void set_bios_lpt_table(std::optional<std::array<std::uint16_t, 3>> table) { bios_ = table; }

  // Region r (1-4) of card n lies at this address.
  static std::uint32_t region_address(std::uint8_t card, std::uint8_t region);

  bool open(std::uint8_t card) override;
  std::optional<platform::PciRegions> map_regions() override;
  std::optional<std::array<std::uint16_t, 3>> map_bios_lpt_table() override;
  bool control_request() override { return open_card_ != 0; }
  std::uint32_t read_word(std::uint32_t region) override;
  void write_word(std::uint32_t region, std::uint32_t value) override;

 private:
  struct Region {
    SimPciCardSlot* slot;
    std::uint8_t index;  // 0-3
  };
  std::optional<Region> find(std::uint32_t address);

  std::vector<SimPciCardSlot> slots_;
  std::uint8_t open_card_ = 0;
  std::optional<std::array<std::uint16_t, 3>> bios_;
};

}  // namespace vx::sim

#include "sim/cable/sim_pci_card.h"

#include "sim/cable/sim_parallel_cable.h"

namespace vx::sim {
namespace {

constexpr std::uint32_t ack_bit = 1U << 21;
constexpr int nibble_shift = 28;
// The host inverts status bit 7 of what the card shows, as a real port does.
constexpr std::uint8_t host_inverted = 0x80;
constexpr std::uint32_t region_base = 0xF0000000, card_stride = 0x100000, region_stride = 0x1000;

}  // namespace

std::uint32_t SimPciCard::read_handshake() {
  if (phase_ == Phase::receiving && pending_) {
    ++reads_since_write_;
    if (reads_since_write_ == 2) {
      command_.push_back(*pending_);
      ack_ = !ack_;
    } else if (reads_since_write_ == 3) {
      pending_.reset();
      run_command();
    }
  } else if (phase_ == Phase::replying && !nibbles_.empty()) {
    nibble_ = nibbles_.front();
    nibbles_.pop_front();
    ack_ = !ack_;
  }
  return (std::uint32_t{nibble_} >> 4 << nibble_shift) | (ack_ ? ack_bit : 0);
}

void SimPciCard::write_handshake(std::uint32_t value) {
  if (phase_ != Phase::receiving) {
    phase_ = Phase::receiving;
    ack_ = false;
    nibbles_.clear();
  }
  pending_ = static_cast<std::uint8_t>(value);
  reads_since_write_ = 0;
}

void SimPciCard::reset() {
  phase_ = Phase::receiving;
  ack_ = false;
  nibble_ = 0;
  pending_.reset();
  reads_since_write_ = 0;
  command_.clear();
  nibbles_.clear();
}

void SimPciCard::run_command() {
  ++commands_;
  const std::vector<std::uint8_t> reply = pod_ != nullptr ? pod_->execute(command_) : std::vector<std::uint8_t>{};
  command_.clear();
  if (reply.empty() || reply.front() != Pod::ack) {
    phase_ = Phase::stuck;
    ack_ = true;
    return;
  }
  ack_ = false;
  phase_ = Phase::replying;
  for (auto byte = reply.begin() + 1; byte != reply.end(); ++byte) {
    const auto [first, second] = encode_reply_byte(*byte);
    nibbles_.push_back(first ^ host_inverted);
    nibbles_.push_back(second ^ host_inverted);
  }
}

SimPciCard& SimPciCardDriver::add(Pod* pod, bool map_fails) {
  slots_.push_back({std::make_shared<SimPciCard>(pod), map_fails, {}});
  return *slots_.back().card;
}

std::uint32_t SimPciCardDriver::region_address(std::uint8_t card, std::uint8_t region) {
  return region_base + card * card_stride + region * region_stride;
}

bool SimPciCardDriver::open(std::uint8_t card) {
  if (card < 1 || card > slots_.size()) return false;
  open_card_ = card;
  return true;
}

std::optional<platform::PciRegions> SimPciCardDriver::map_regions() {
  if (open_card_ == 0 || slots_[open_card_ - 1].map_fails) return std::nullopt;
  platform::PciRegions regions{};
  for (std::uint8_t r = 1; r <= regions.size(); ++r) regions[r - 1] = region_address(open_card_, r);
  return regions;
}

std::optional<std::array<std::uint16_t, 3>> SimPciCardDriver::map_bios_lpt_table() {
  if (open_card_ == 0) return std::nullopt;
  return bios_;
}

std::optional<SimPciCardDriver::Region> SimPciCardDriver::find(std::uint32_t address) {
  for (std::uint8_t card = 1; card <= slots_.size(); ++card) {
    if (slots_[card - 1].map_fails) continue;
    for (std::uint8_t r = 1; r <= 4; ++r) {
      if (region_address(card, r) == address) return Region{&slots_[card - 1], static_cast<std::uint8_t>(r - 1)};
    }
  }
  return std::nullopt;
}

std::uint32_t SimPciCardDriver::read_word(std::uint32_t region) {
  const std::optional<Region> found = find(region);
  if (!found) return 0;
  if (found->index == 3) return found->slot->card->read_handshake();
  return found->slot->words[found->index];
}

void SimPciCardDriver::write_word(std::uint32_t region, std::uint32_t value) {
  const std::optional<Region> found = find(region);
  if (!found) return;
  found->slot->words[found->index] = value;
  if (found->index == 2) found->slot->card->reset();
  if (found->index == 3) found->slot->card->write_handshake(value);
}

}  // namespace vx::sim

#pragma once

#include <cstddef>
#include <cstdint>

namespace vx::sim {

// Full-speed bulk transfers move 64-byte packets at 12 Mbit/s.
inline constexpr std::size_t usb_packet_bytes = 64;
inline constexpr std::uint64_t usb_bits_per_second = 12'000'000;

constexpr std::uint64_t usb_packets(std::size_t bytes) { return (bytes + usb_packet_bytes - 1) / usb_packet_bytes; }

// The bus time of the packets that carry the bytes.
constexpr std::uint64_t usb_bus_ns(std::size_t bytes) {
  return usb_packets(bytes) * usb_packet_bytes * 8 * 1'000'000'000 / usb_bits_per_second;
}

}  // namespace vx::sim

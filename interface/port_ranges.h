#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// Port numbers: the kind of interface a number opens and the device number it
// names there (the number less its range's base). The trace ranges belong to
// the firmware updater's build; the port table bounds what a build opens.
namespace vx {

enum class PortRange : std::uint8_t {
  parallel,
  pci_card,
  usb_interface,
  serial,          // stand-alone programmers on COMn
  ethernet,        // stand-alone programmers on the network
  usb_programmer,  // stand-alone programmers on USB
  ethernet_trace,
  usb_trace,
  none,
};

struct PortRangeBounds {
  PortRange range;
  std::int32_t base;  // device number 0
  std::int32_t first, last;
};

// In the order of PortRange.
inline constexpr std::array<PortRangeBounds, 8> port_ranges{{
    {PortRange::parallel, 0, 1, 9},
    {PortRange::pci_card, 10, 10, 19},
    {PortRange::usb_interface, 20, 20, 39},
    {PortRange::serial, 40, 40, 59},
    {PortRange::ethernet, 60, 60, 99},
    {PortRange::usb_programmer, 100, 100, 119},
    {PortRange::ethernet_trace, 120, 120, 159},
    {PortRange::usb_trace, 160, 160, 179},
}};

static_assert([] {
  for (std::size_t i = 0; i < port_ranges.size(); ++i) {
    if (port_ranges[i].range != static_cast<PortRange>(i)) return false;
  }
  return true;
}());

struct PortNumber {
  PortRange range = PortRange::none;
  // Devices count from 1: device 0, the first number of every range but the
  // parallel one, names no device.
  std::int32_t n = 0;
};

// Any range but none.
constexpr const PortRangeBounds& bounds_of(PortRange range) { return port_ranges[static_cast<std::size_t>(range)]; }

constexpr PortNumber classify(std::int32_t port) {
  for (const PortRangeBounds& bounds : port_ranges) {
    if (port >= bounds.first && port <= bounds.last) return {bounds.range, port - bounds.base};
  }
  return {};
}

// Device n of a range (any but none).
constexpr std::int32_t port_of(PortRange range, std::int32_t n) { return bounds_of(range).base + n; }

// The highest device number of a range (any but none).
constexpr std::int32_t last_device(PortRange range) { return bounds_of(range).last - bounds_of(range).base; }

constexpr bool is_trace_range(PortRange range) {
  return range == PortRange::ethernet_trace || range == PortRange::usb_trace;
}

}  // namespace vx

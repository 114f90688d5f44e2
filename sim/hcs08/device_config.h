#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace vx::sim {

struct AddressRange {
  std::uint16_t first = 0;
  std::uint16_t last = 0;

  bool contains(std::uint16_t address) const { return address >= first && address <= last; }
  std::uint32_t size() const { return static_cast<std::uint32_t>(last) - first + 1; }
};

// The bus clock comes from an internal reference trimmed by an 8-bit register and a fine-trim
// bit; a larger trim value lengthens the period. With t = 2 * trim + fine (0-511) the bus clock
// is nominal_bus_hz * (kTrimSpan + nominal_trim) / (kTrimSpan + t).
struct ClockConfig {
  static constexpr std::uint32_t kTrimSpan = 1022;  // trim 0 runs 1.5 times as fast as trim 0xFF

  std::uint16_t trim_register = 0x004A;
  std::uint16_t fine_trim_register = 0x004B;
  std::uint8_t fine_trim_bit = 0x01;
  std::uint8_t trim_reset = 0x80;
  std::uint32_t nominal_bus_hz = 8'000'000;
  std::uint16_t nominal_trim = 2 * 0x8F + 1;  // the t at which this part runs at nominal_bus_hz
  // The background debug controller's alternate clock as a fraction of the bus clock.
  std::uint32_t bdc_alternate_numerator = 1;
  std::uint32_t bdc_alternate_denominator = 1;
};

struct DeviceConfig {
  AddressRange direct_registers;
  AddressRange ram;
  AddressRange high_registers;
  std::vector<AddressRange> flash;

  std::uint16_t reset_vector = 0xFFFE;
  std::uint16_t srs = 0x1800;    // system reset status; a write restarts the COP
  std::uint16_t sopt1 = 0x1802;  // write-once system options: COPT (bits 7-6), STOPE (bit 5)
  std::uint8_t sopt1_reset = 0xC0;
  // COP timeout in bus cycles for COPT = 0 (off), 1, 2, 3.
  std::array<std::uint32_t, 4> cop_timeouts{0, 1u << 13, 1u << 16, 1u << 18};

  std::uint16_t flash_registers = 0x1820;  // FCDIV, FOPT, -, FCNFG, FPROT, FSTAT, FCMD
  std::uint16_t nvprot = 0xFFBD;
  std::uint16_t nvopt = 0xFFBF;
  std::uint16_t flash_page_size = 512;

  ClockConfig clock;
};

// Modelled on a 60 KB part: registers in the direct page, 4 KB of RAM from 0x00B0, high-page
// registers at 0x1800 splitting the flash in two.
DeviceConfig default_device();

}  // namespace vx::sim

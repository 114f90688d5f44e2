#include "programmer/flash_controller.h"

#include "foundation/microsecond_timer.h"
#include "interface/target_operations.h"
#include "programmer/module_state.h"

namespace vx::programmer {
namespace {

struct RegisterSet {
  std::uint32_t FPROT;
  std::uint32_t FSTAT;
  std::uint32_t FCMD;
};

constexpr RegisterSet register_sets[2] = {{0x1824, 0x1825, 0x1826}, {0x182C, 0x182D, 0x182E}};

constexpr std::uint8_t FCBEF = 0x80;
constexpr std::uint8_t FCCF = 0x40;
constexpr std::uint8_t error_flags = 0x30;
constexpr std::int32_t divider_step_hz = 175'000;
constexpr std::uint32_t second_set_address = 0x1000;
constexpr std::uint32_t vector_address = 0xFFFE;

void clear_error_flags(const RegisterSet& set) {
  WRITE_DATA_BYTE(set.FSTAT, static_cast<std::uint8_t>(READ_DATA_BYTE(set.FSTAT) | error_flags));
}

bool has_second_set() { return module_state().second_register_set; }

}  // namespace

std::int32_t flash_clock_divider(std::int32_t bus_frequency) {
  const std::int32_t q = bus_frequency / divider_step_hz;
  if (q <= 63) return q - 1;
  return ((q - 1) / 8) | 0x40;
}

std::uint8_t set_flash_clock_divider(std::int32_t bus_frequency) {
  clear_error_flags(register_sets[0]);
  if (has_second_set()) clear_error_flags(register_sets[1]);
  READ_DATA_BYTE(register_sets[0].FSTAT);
  WRITE_DATA_BYTE(flash::FCDIV, static_cast<std::uint8_t>(flash_clock_divider(bus_frequency)));
  return READ_DATA_BYTE(flash::FCDIV);
}

void launch_flash_command(int register_set, std::uint32_t address, std::uint8_t data, std::int32_t timeout_ms,
                          std::uint8_t command) {
  const RegisterSet& set = register_sets[register_set == 0 ? 0 : 1];
  target_access().security_recheck = true;
  WRITE_DATA_BYTE(set.FPROT, 0xFF);
  WRITE_DATA_BYTE(set.FSTAT, error_flags);
  WRITE_DATA_BYTE(address, data);
  WRITE_DATA_BYTE(set.FCMD, command);
  WRITE_DATA_BYTE(set.FSTAT, FCBEF);
  delay_microseconds(10);
  const std::int64_t limit_us = static_cast<std::int64_t>(timeout_ms == 0 ? 1 : timeout_ms) * 1000;
  const std::int64_t start = elapsed_microseconds();
  while ((READ_DATA_BYTE(set.FSTAT) & FCCF) == 0) {
    if (elapsed_microseconds() - start > limit_us) return;
  }
}

void flash_blank_check() {
  if (has_second_set()) launch_flash_command(1, second_set_address, 0xFF, 500, flash::blank_check);
  launch_flash_command(0, vector_address, 0xFF, 500, flash::blank_check);
}

void flash_mass_erase() {
  launch_flash_command(0, vector_address, 0xFF, 1000, flash::mass_erase);
  if (has_second_set()) launch_flash_command(1, second_set_address, 0xFF, 1000, flash::mass_erase);
}

void flash_unsecure() { launch_flash_command(0, flash::NVOPT, flash::unsecured_option, 500, flash::byte_program); }

}  // namespace vx::programmer

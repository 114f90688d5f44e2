#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "sim/hcs08/hcs08.h"

namespace vx::sim::test {

// A default device reached only over the background debug commands, as a debug interface would.
struct Target {
  static constexpr std::uint16_t kFcdiv = 0x1820, kFopt = 0x1821, kFcnfg = 0x1823, kFprot = 0x1824,
                                 kFstat = 0x1825, kFcmd = 0x1826;
  static constexpr std::uint8_t kDivider = 0x45;  // PRDIV8 and /6: about 170 kHz from the reset bus clock
  static constexpr std::uint64_t kPrescaler = 48;

  Hcs08 mcu;

  // An unsecured part (NVOPT ends in binary 10) unless told otherwise, reset into background mode.
  explicit Target(bool secure = false) {
    mcu.poke(mcu.config().nvopt, secure ? 0xFF : 0xFE);
    mcu.power_on(true);
  }

  BdcReply command(std::initializer_list<std::uint8_t> bytes) { return mcu.bdc_command(std::vector(bytes)); }
  static std::uint8_t hi(std::uint16_t value) { return static_cast<std::uint8_t>(value >> 8); }
  static std::uint8_t lo(std::uint16_t value) { return static_cast<std::uint8_t>(value); }

  void write(std::uint16_t address, std::uint8_t value) { command({bdc::kWriteByte, hi(address), lo(address), value}); }
  std::uint8_t read(std::uint16_t address) { return command({bdc::kReadByte, hi(address), lo(address)}).bytes.at(0); }
  void write_block(std::uint16_t address, const std::vector<std::uint8_t>& bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) write(static_cast<std::uint16_t>(address + i), bytes[i]);
  }
  std::uint8_t status() { return command({bdc::kReadStatus}).bytes.at(0); }

  // Array write, command, launch: the sequence of every flash command.
  void flash_command(std::uint16_t address, std::uint8_t data, std::uint8_t code) {
    write(address, data);
    write(kFcmd, code);
    write(kFstat, flash::kFcbef);
  }
  // Runs in steps of 10 us until FCCF is set; false if it never is within the limit.
  bool wait_for_completion(std::uint64_t limit_ns = 200'000'000) {
    for (std::uint64_t waited = 0; waited < limit_ns; waited += 10'000) {
      if ((read(kFstat) & flash::kFccf) != 0) return true;
      mcu.run_for_ns(10'000);
    }
    return false;
  }

  void start_at(std::uint16_t pc) {
    command({bdc::kWritePc, hi(pc), lo(pc)});
    command({bdc::kGo});
  }
};

}  // namespace vx::sim::test

#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "foundation/command_exception.h"
#include "foundation/run_state.h"
#include "interface/target_connection.h"
#include "interface/target_operations.h"
#include "programmer/choose_module.h"
#include "programmer/command_dispatch.h"
#include "programmer/command_line.h"
#include "programmer/command_loop.h"
#include "programmer/command_table.h"
#include "programmer/module_state.h"
#include "programmer/programmer_run.h"
#include "support/temp_dir.h"
#include "tests/interface/target_bench.h"

namespace vx::test {

// The programmer's engine state started afresh before the bench is built.
struct FreshEngine {
  FreshEngine() { reset(); }
  ~FreshEngine() { reset(); }
  FreshEngine(const FreshEngine&) = delete;
  FreshEngine& operator=(const FreshEngine&) = delete;
  static void reset() {
    programmer::reset_command_line();
    programmer::reset_command_table_state();
    programmer::reset_command_loop();
    programmer::reset_command_dispatch();
    programmer::reset_module_state();
    programmer::reset_programmer_run();
  }
};

// A USB interface wired to a simulated target in background mode, and the
// programmer's engine on top of it.
class ModuleBench : public ::testing::Test {
 protected:
  ModuleBench() {
    FORCE_BACKGROUND_MODE();
    bench.forget_sent();
  }

  // The script result when `step` ended the script; nothing when it returned.
  static std::optional<std::int32_t> halt_of(const std::function<void()>& step) {
    try {
      step();
    } catch (const CommandException&) {
      return run_state().last_script_result;
    }
    return std::nullopt;
  }

  // CM with this line's text behind the mnemonic.
  std::optional<std::int32_t> choose(const std::string& rest) {
    programmer::CommandLoop& loop = programmer::command_loop();
    loop.current_line = ShortText("CM " + rest);
    loop.line_cursor = 3;
    return halt_of(programmer::PICK_SETUP_FILE);
  }

  std::string algorithm(const std::string& name) const { return std::string(VX_ALGORITHMS) + "/" + name; }

  std::string write(const std::string& name, const std::string& text) const {
    const std::string path = dir.file(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }

  // The byte the last WRITE_BYTE to the address carried; nothing when none was sent.
  std::optional<std::uint8_t> written(std::uint16_t address) const {
    std::optional<std::uint8_t> value;
    for (const target_testing::Bytes& command : bench.sent({bdc::WRITE_BYTE, hi(address), lo(address)})) {
      value = command.at(3);
    }
    return value;
  }
  std::optional<std::uint16_t> written_word(std::uint16_t address) const {
    const std::optional<std::uint8_t> high = written(address);
    const std::optional<std::uint8_t> low = written(static_cast<std::uint16_t>(address + 1));
    if (!high || !low) return std::nullopt;
    return static_cast<std::uint16_t>(*high << 8 | *low);
  }
  // The operands of the last register write with this command byte.
  target_testing::Bytes last_register_write(std::uint8_t command) const {
    const std::vector<target_testing::Bytes> found = bench.sent({command});
    return found.empty() ? target_testing::Bytes{} : found.back();
  }

  static std::uint8_t hi(std::uint16_t value) { return static_cast<std::uint8_t>(value >> 8); }
  static std::uint8_t lo(std::uint16_t value) { return static_cast<std::uint8_t>(value); }

  FreshEngine engine;
  TempDir dir;
  target_testing::TargetBench bench{target_testing::Medium::ftdi};
};

}  // namespace vx::test

#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "foundation/kstring.h"
#include "interface/target_connection.h"
#include "loaders/load_driver.h"
#include "loaders/object_image.h"
#include "programmer/crc_routine.h"
#include "programmer/serial_commands.h"
#include "programmer_fixture.h"
#include "tests/interface/target_bench.h"

namespace vx::test {

// The programmer's command loop in this process against a simulated target
// behind the WinDriver interface: command files run as a user's would, and
// the test looks into the device afterwards.
class ProductionTest : public ProgrammerTest {
 protected:
  // The module of our algorithm files starts at device address 0x10B0.
  static constexpr std::uint32_t module_base = 0x10B0;

  explicit ProductionTest(target_testing::BenchOptions options = {}) : bench(target_testing::Medium::windriver, options) {
    // Only the device is looked at afterwards; a whole run's commands need not be kept.
    bench.pod().keep_wire_log(false);
    programmer::reset_serial_state();
    programmer::reset_crc_routine_state();
    loaders::reset_object_image();
    loaders::start_object_loading();
  }
  ~ProductionTest() override {
    loaders::finish_object_loading();
    programmer::reset_serial_state();
    programmer::reset_crc_routine_state();
    loaders::reset_object_image();
  }

  static std::string algorithm(const std::string& name) { return std::string(VX_ALGORITHMS) + "/" + name; }

  // An S-record file of the bytes, one S1 record per run of at most 16 bytes.
  std::string object_file(const std::string& name, const std::map<std::uint16_t, std::uint8_t>& bytes) const {
    std::string text;
    auto it = bytes.begin();
    while (it != bytes.end()) {
      const std::uint16_t start = it->first;
      std::vector<std::uint8_t> data;
      while (it != bytes.end() && it->first == start + data.size() && data.size() < 16) data.push_back((it++)->second);
      std::uint8_t sum = static_cast<std::uint8_t>(data.size() + 3 + (start >> 8) + (start & 0xFF));
      ShortText line = "S1" + hex_byte(static_cast<std::uint8_t>(data.size() + 3)) + hex_word(start);
      for (const std::uint8_t byte : data) {
        line += hex_byte(byte).view();
        sum = static_cast<std::uint8_t>(sum + byte);
      }
      text += (line + hex_byte(static_cast<std::uint8_t>(~sum))).str() + "\r\n";
    }
    return write(name, text + "S9030000FC\r\n");
  }

  // Runs the command file to its end; the script result. Each run starts as a new program would.
  std::int32_t run_script(const std::string& text) {
    RunState& run = run_state();
    run.program_ending = false;
    run.abort_flag = false;
    run.quit_requested = false;
    ws::reset_application();
    EXPECT_TRUE(programmer::programmer_run().command_file.open(ShortText(write("script.cfg", text))));
    return halt_of(programmer::usr_pickwindow_response).value_or(-1);
  }

  bool has_line(const std::string& line) const {
    const std::vector<std::string> all = lines();
    return std::find(all.begin(), all.end(), line) != all.end();
  }
  std::string dump() const {
    std::string text;
    for (const std::string& line : lines()) text += line + "\n";
    return text;
  }

  target_testing::TargetBench bench;
};

}  // namespace vx::test

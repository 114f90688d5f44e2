#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "programmer_run.h"
#include "sim/hcs08/device_config.h"
#include "sim/hcs08/state_file.h"

namespace vx::test {

using Flash = std::array<std::uint8_t, 0x10000>;

// The production example as a user runs it: its command file, bench, object and serial-number
// files beside a copy of the programmer, with our algorithm files.
class ProductionRun {
 public:
  // `program` is the copy the run starts: the programmer, or a test host built like it.
  explicit ProductionRun(const std::string& program = VX_PROGRAMMER_BINARY) : install(program) {
    for (const auto& entry : std::filesystem::directory_iterator(VX_PRODUCTION_EXAMPLE)) {
      std::filesystem::copy_file(entry.path(), install.dir.path() / entry.path().filename());
    }
    for (const auto& entry : std::filesystem::directory_iterator(VX_ALGORITHMS)) {
      if (entry.path().extension() == ".S8P") std::filesystem::copy_file(entry.path(), install.dir.path() / entry.path().filename());
    }
    // The programmer's bench is the example's.
    std::filesystem::copy_file(install.file("production.ini"), install.file("bench.ini"), std::filesystem::copy_options::overwrite_existing);
  }

  // Relative names in the command file are found in the program directory, which the run
  // starts in; each "@" stands for it.
  ProgrammerResult run(const std::string& script, const std::string& option = "NOSCAN") {
    return run_programmer(install, arguments(script, option));
  }
  std::vector<std::string> arguments(const std::string& script, const std::string& option = "NOSCAN") {
    std::string text;
    for (const char c : script) text += c == '@' ? install.dir.path().string() + "/" : std::string(1, c);
    return {"NOSCAN", option, install.write("run.cfg", text), "USB1"};
  }
  ProgrammerResult run_example() { return run(example_script()); }
  std::string example_script() const {
    std::ifstream file(install.file("production.cfg"));
    std::string text;
    for (std::string line; std::getline(file, line);) {
      // The example names its files relative to its folder.
      for (const char* name : {"SIM60_PRODUCTION.S8P", "app.s19", "board.ser", "upload.s19"}) {
        const std::size_t at = line.find(name);
        if (at != std::string::npos) line.insert(at, "@");
      }
      text += line + "\n";
    }
    return text;
  }

  Flash flash() const {
    Flash memory{};
    EXPECT_EQ(sim::load_flash_state(install.file("production.state"), sim::default_device(), memory),
              sim::StateFileResult::Ok);
    return memory;
  }
  std::string text(const std::string& name) const {
    std::ifstream file(install.file(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
  }

  ProgrammerInstall install;
};

}  // namespace vx::test

#pragma once

#include <sys/stat.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "sim/hcs08/device_config.h"
#include "sim/hcs08/state_file.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

// fwrescue installed in a program directory of its own, as the build lays it
// out, run with someone at its window on Qt's offscreen display against the
// simulated bench.
namespace vx::test {

inline constexpr const char* windriver_interface =
    "[interface 1]\nfamily = windriver\ninformation = VLX,USB-QX-12 REF : USB Quorvex,QX12R00042,,,,\n"
    "product = 2\nupdated_firmware = 6.01\noriginal_firmware = 5.30\n";

struct RescueRun {
  int exit_code = -1;
  std::string errors;
};

class RescueInstall {
 public:
  explicit RescueInstall(const std::string& folder) : program_dir((dir.path() / folder).string() + "/") {
    std::filesystem::create_directories(program_dir);
    const std::filesystem::path bin = std::filesystem::path(VX_FWRESCUE_BINARY).parent_path();
    std::filesystem::copy_file(VX_RESCUE_USER_HOST, program_dir + "fwrescue");
    for (const char* shipped : {"OSBDMCQUILLJM60.EXE", "CQLLVIDM.DEF", "CQLLSTD.DSK", "9S08JM60.S8p"}) {
      std::filesystem::copy_file(bin / shipped, program_dir + shipped);
    }
    std::filesystem::create_directories(program_dir + "firmware files");
    firmware = program_dir + "firmware files/osbdm firmware.s19";
    std::filesystem::copy_file(std::filesystem::path(VX_PROGRAMMING_FIXTURES) / "pattern.s19", firmware);
    std::filesystem::create_directory(program_dir + "run");
    std::filesystem::create_directory(program_dir + "tools");
    std::ofstream(program_dir + "tools/xdg-open")
        << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"" << program_dir << "opened\"\n";
    chmod((program_dir + "tools/xdg-open").c_str(), 0755);
    set_bench(windriver_interface);
  }

  void set_bench(const std::string& interfaces) const {
    std::ofstream(program_dir + "bench.ini")
        << "[time]\nmode = virtual\n[target]\ndevice = default\nstate_file = bench.state\nsecured = no\n" << interfaces;
  }

  RescueRun run(const std::string& result_shot) const {
    const std::vector<std::string> environment = {
        "QT_QPA_PLATFORM=offscreen",
        "VX_HEADLESS=1",
        "VX_SIM=" + program_dir + "bench.ini",
        "VX_RUNTIME_DIR=" + program_dir + "run",
        "VX_REGISTRY_FILE=" + program_dir + "registry.ini",
        "PATH=" + program_dir + "tools:/usr/bin:/bin",
        "VX_TEST_FIRMWARE=" + firmware,
        "VX_TEST_SCREENSHOTS=" + std::string(VX_SCREENSHOTS) + "/fwrescue",
        "VX_TEST_RESULT_SHOT=" + result_shot,
    };
    std::filesystem::create_directories(VX_SCREENSHOTS);
    ChildProcess child(program_dir + "fwrescue", {}, environment);
    RescueRun result;
    result.exit_code = child.wait_for_exit();
    result.errors = child.errors();
    return result;
  }

  std::array<std::uint8_t, 0x10000> target_flash() const {
    std::array<std::uint8_t, 0x10000> memory{};
    EXPECT_EQ(sim::load_flash_state(program_dir + "bench.state", sim::default_device(), memory), sim::StateFileResult::Ok);
    return memory;
  }

  TempDir dir;
  std::string program_dir;
  std::string firmware;
};

}  // namespace vx::test

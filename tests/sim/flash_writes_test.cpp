#include "sim/flash_writes.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <array>
#include <filesystem>
#include <functional>
#include <string>

#include "sim/simulated_world.h"
#include "support/temp_dir.h"
#include "update_speaker.h"

namespace vx::sim {
namespace {

using test::Bytes;
using test::UpdateSpeaker;

constexpr std::uint16_t cable_block = 0x8000;
constexpr std::uint32_t board_area = 0x1200, programmer_block = 16;

const Bytes row = [] {
  Bytes bytes(64);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 5 + 1);
  return bytes;
}();

// A cable, a programmer on USB and an OSBDM board waiting in its bootloader, each with its state file.
std::string bench(const std::string& kill_line = "") {
  return "[target]\nstate_file = bench.state\n[interface 1]\nfamily = parallel\n" + kill_line +
         "[programmer 1]\nmedium = usb\n" + kill_line + "[osbdm 1]\nmode = bootloader\nstate_file = board.state\n" +
         kill_line;
}

Scenario load(const vx::test::TempDir& dir, const std::string& text) {
  const ScenarioResult loaded = parse_scenario(text, dir.path());
  EXPECT_TRUE(loaded.scenario) << loaded.error;
  return *loaded.scenario;
}

// Two writes to each device's flash: an erase, then the row at the start of what was erased.
struct Device {
  const char* what;
  std::function<void(SimulatedWorld&)> erase, program;
  // The row as the device's own state file holds it now.
  std::function<Bytes(const vx::test::TempDir&)> kept_row;
};

Bytes programmer_write(std::uint32_t address, const Bytes& data) {
  Bytes stream{0x07, static_cast<std::uint8_t>(address >> 24), static_cast<std::uint8_t>(address >> 16),
               static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address), 0,
               static_cast<std::uint8_t>(data.size())};
  stream.insert(stream.end(), data.begin(), data.end());
  return stream;
}

Bytes range(const auto& bytes, std::size_t first) {
  return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(first),
               bytes.begin() + static_cast<std::ptrdiff_t>(first + row.size()));
}

const Device devices[] = {
    {"cable",
     [](SimulatedWorld& world) {
       world.pod(0).cable_reset(0x00);  // the original firmware, which does the flash work
       UpdateSpeaker(world.pod(0)).status({7, 11});
     },
     [](SimulatedWorld& world) {
       UpdateSpeaker speaker(world.pod(0));
       speaker.status(speaker.cable_program(cable_block, row));
     },
     [](const vx::test::TempDir& dir) {
       std::array<std::uint8_t, 0x10000> memory{};
       InterfaceFlash interfaces;
       if (load_flash_state(dir.file("bench.state"), default_device(), memory, &interfaces) != StateFileResult::Ok) {
         return Bytes();
       }
       return range(interfaces.front(), 0);
     }},
    {"programmer", [](SimulatedWorld& world) { world.programmer(0).execute(2, Bytes{0x05, programmer_block}); },
     [](SimulatedWorld& world) {
       world.programmer(0).execute(2, programmer_write(programmer_block_start(programmer_block), row));
     },
     [](const vx::test::TempDir& dir) {
       const std::string kept = vx::test::read_file(dir.file("bench.state.programmer1"));
       if (kept.size() != programmer_flash_size + 1) return Bytes();
       return range(kept, programmer_block_start(programmer_block) - programmer_flash_base);
     }},
    {"board",
     [](SimulatedWorld& world) {
       world.osbdm_boards().bootloader_open(0);
       world.osbdm_boards().erase_flash_block(board_area, board_area + 0x1FF);
     },
     [](SimulatedWorld& world) { world.osbdm_boards().program_flash_block(board_area, row); },
     [](const vx::test::TempDir& dir) {
       std::array<std::uint8_t, 0x10000> memory{};
       if (load_flash_state(dir.file("board.state"), default_device(), memory) != StateFileResult::Ok) return Bytes();
       return range(memory, board_area);
     }},
};

// The world never ends here: what the files hold came from the writes themselves.
TEST(FlashWrites, EachWriteIsInTheDevicesStateFileOnceTheDeviceHasAnswered) {
  for (const Device& device : devices) {
    SCOPED_TRACE(device.what);
    vx::test::TempDir dir;
    SimulatedWorld world(load(dir, bench()));
    device.erase(world);
    EXPECT_EQ(device.kept_row(dir), Bytes(row.size(), 0xFF));
    device.program(world);
    EXPECT_EQ(device.kept_row(dir), row);
  }
}

// The process ends at the second write, with that write in the device's file (the child is a fork:
// it shares the folder).
TEST(FlashWrites, TheKillSettingEndsTheProcessAtItsWriteOnceItIsSaved) {
  for (const Device& device : devices) {
    SCOPED_TRACE(device.what);
    vx::test::TempDir dir;
    const Scenario scenario = load(dir, bench("kill_after_write = 2\n"));
    EXPECT_EXIT(
        {
          SimulatedWorld world(scenario);
          device.erase(world);
          device.program(world);
          std::exit(0);
        },
        testing::KilledBySignal(SIGKILL), "");
    EXPECT_EQ(device.kept_row(dir), row);
  }
}

}  // namespace
}  // namespace vx::sim

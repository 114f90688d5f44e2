// Firmware updates whose host is killed at a chosen write to the device's own flash
// (the simulator's kill_after_write), each followed by a normal run: the programmer's
// update of a parallel cable, the updater's update of a Universal, and the updater's
// bootloader update of an OSBDM board. The normal run must always leave the device on its
// new firmware and end as a success, and no run may report success while the device's
// flash does not hold the new image. The new image is what an uninterrupted update leaves.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "idle_target.h"
#include "programmer_run.h"
#include "sim/hcs08/device_config.h"
#include "sim/hcs08/state_file.h"
#include "support/child_process.h"
#include "support/temp_dir.h"
#include "tools/fwfile/firmware_file.h"

namespace vx {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// Fixed, so a failing point can be run again; the points are printed with the counts.
constexpr std::uint32_t sample_seed = 41;
constexpr std::size_t random_points = 16;

// The first and the last write, the path's own turning points, and one point drawn in each of
// equal stretches between them.
std::vector<std::uint32_t> kill_points(std::uint32_t writes, const std::vector<std::uint32_t>& turning_points) {
  std::set<std::uint32_t> points(turning_points.begin(), turning_points.end());
  points.insert({1, writes});
  std::mt19937 random(sample_seed);
  for (std::size_t k = 0; k < random_points; ++k) {
    const auto first = static_cast<std::uint32_t>(1 + k * writes / random_points);
    const auto last = static_cast<std::uint32_t>(std::max<std::size_t>(first, (k + 1) * writes / random_points));
    points.insert(std::uniform_int_distribution<std::uint32_t>(first, last)(random));
  }
  return {points.begin(), points.end()};
}

struct Outcome {
  int exit_code = -1;
  bool killed = false;
  bool says_success = false;  // the run's own words for a successful update
  bool succeeded = false;     // it ended as a successful run
  std::string said;
};

// One device as it leaves the factory (on its old firmware, without a state file) and the
// program that updates it, in a directory of its own.
class UpdatePath {
 public:
  virtual ~UpdatePath() = default;
  // kill_after 0: a normal run.
  virtual std::unique_ptr<test::ChildProcess> start(std::uint32_t kill_after) const = 0;
  // Waits for the run's end.
  virtual Outcome outcome(test::ChildProcess& run) const = 0;
  virtual Bytes device_flash() const = 0;
};

Outcome outcome_of(test::ChildProcess& child, const std::string& success_words) {
  Outcome outcome;
  outcome.exit_code = child.wait_for_exit();
  outcome.killed = child.ending_signal() == SIGKILL;
  outcome.said = child.errors() + child.output();
  outcome.says_success = outcome.said.find(success_words) != std::string::npos;
  outcome.succeeded = outcome.exit_code == 0 && outcome.says_success;
  return outcome;
}

std::string kill_line(std::uint32_t kill_after) {
  return kill_after == 0 ? "" : "kill_after_write = " + std::to_string(kill_after) + "\n";
}

// The target's state file: the interface's flash (its update block and protect byte).
Bytes interface_flash(const std::string& state_file) {
  std::array<std::uint8_t, 0x10000> memory{};
  sim::InterfaceFlash interfaces;
  if (sim::load_flash_state(state_file, sim::default_device(), memory, &interfaces) != sim::StateFileResult::Ok ||
      interfaces.empty()) {
    return {};
  }
  return interfaces.front();
}

// The programmer beside quorvexens.410 packed from the example's firmware, against the example's
// outdated parallel cable; a run that updated shows "Firmware update successful.", then runs the
// example's script.
class CableUpdate final : public UpdatePath {
 public:
  CableUpdate() {
    const fs::path example = VX_FIRMWARE_UPDATE_EXAMPLE;
    install_.write("update.cfg", test::read_file((example / "update.cfg").string()));
    // The part idles in a wait loop instead of running through erased flash while the cable works.
    scenario_ = test::read_file((example / "bench.ini").string());
    scenario_.insert(scenario_.find("[target]\n") + 9, test::idle_target_lines);
    install_.write("idle.bin", test::idle_target_image());
    std::string error;
    const bool packed = tools::write_firmware_file(test::read_file((example / "firmware.s19").string()),
                                                   install_.dir.path().string(), "quorvexens", "4.10", error)
                            .has_value();
    EXPECT_TRUE(packed) << error;
  }
  std::unique_ptr<test::ChildProcess> start(std::uint32_t kill_after) const override {
    // The example's interface section is its last: the kill setting joins it.
    install_.write("bench.ini", scenario_ + "\n" + kill_line(kill_after));
    return std::make_unique<test::ChildProcess>(
        install_.program(), std::vector<std::string>{"NOSCAN", "PORT=1", install_.file("update.cfg")},
        install_.environment());
  }
  Outcome outcome(test::ChildProcess& run) const override {
    Outcome outcome = outcome_of(run, "Firmware update successful.");
    // A run that found the cable already updated only runs its script.
    outcome.succeeded =
        outcome.exit_code == 0 && outcome.said.find("a first remark after the update") != std::string::npos;
    return outcome;
  }
  // The update block without the protect byte after it: a kill between the checksum and that
  // byte leaves a firmware that starts, so no later run updates the cable or writes the byte.
  Bytes device_flash() const override {
    Bytes flash = interface_flash(install_.file("bench.state"));
    if (!flash.empty()) flash.pop_back();
    return flash;
  }

 private:
  test::ProgrammerInstall install_;
  std::string scenario_;
};

// A program built like VXFirmwareUpdater with a user at its window on the offscreen display.
class UpdaterUpdate : public UpdatePath {
 public:
  UpdaterUpdate(const std::string& user_program, const std::string& firmware_file, const std::string& scenario)
      : scenario_(scenario) {
    fs::copy_file(user_program, dir.path() / "user");
    fs::copy_file(fs::path(VX_UPDATER_BINARY).parent_path() / firmware_file, dir.path() / firmware_file);
    fs::create_directory(dir.path() / "run");
    std::ofstream(dir.file("idle.bin"), std::ios::binary) << test::idle_target_image();
  }
  std::unique_ptr<test::ChildProcess> start(std::uint32_t kill_after) const override {
    std::ofstream(dir.file("bench.ini"), std::ios::binary) << scenario_ << kill_line(kill_after);
    return std::make_unique<test::ChildProcess>(
        dir.file("user"), std::vector<std::string>{},
        std::vector<std::string>{"VX_SIM=" + dir.file("bench.ini"), "QT_QPA_PLATFORM=offscreen",
                                 "VX_RUNTIME_DIR=" + dir.file("run"), "VX_REGISTRY_FILE=" + dir.file("registry.ini")});
  }
  Outcome outcome(test::ChildProcess& run) const override {
    return outcome_of(run, "user: result \"Last Result = Success\"");
  }

 protected:
  test::TempDir dir;

 private:
  std::string scenario_;  // ends with the device's section, which the kill setting joins
};

class UniversalUpdate final : public UpdaterUpdate {
 public:
  UniversalUpdate()
      : UpdaterUpdate(VX_UPDATER_USER_HOST, "usbqxfs20armens.620",
                      std::string("[time]\nmode = virtual\n[target]\ndevice = default\nstate_file = bench.state\n") +
                          test::idle_target_lines +
                          "[interface 1]\nfamily = windriver\n"
                          "information = VLX,USB-QX-UNIV : Quorvex - Universal - ARM (FS) Rev C,UNIV00017,,,,\n"
                          "updated_firmware = 5.10\noriginal_firmware = 5.00\nuniversal = yes\n") {}
  Bytes device_flash() const override { return interface_flash(dir.file("bench.state")); }
};

// The board starts in debug mode on its old firmware, as a user normally has it; the user fits
// the jumper when asked for bootloader mode and removes it when asked for run mode.
class BoardUpdate final : public UpdaterUpdate {
 public:
  BoardUpdate()
      : UpdaterUpdate(VX_UPDATER_BOARD_HOST, "osbdmens_s08.400",
                      "[time]\nmode = virtual\n[osbdm 1]\nmode = debug\nversion = 1,1,31,2,1,2,0,0\n"
                      "state_file = board.state\n") {}
  Bytes device_flash() const override {
    std::array<std::uint8_t, 0x10000> memory{};
    if (sim::load_flash_state(dir.file("board.state"), sim::default_device(), memory) != sim::StateFileResult::Ok) {
      return {};
    }
    return {memory.begin(), memory.end()};
  }
};

struct Counts {
  std::size_t kill_points = 0, recoveries = 0, success_without_new_image = 0;
};

using MakePath = std::function<std::unique_ptr<UpdatePath>()>;

// Each run waits on its device's writes reaching the disk, so a few points go at once, each on a
// device of its own: all killed first, then all run normally.
constexpr std::size_t points_at_once = 4;

std::vector<Outcome> run_all(const std::vector<std::unique_ptr<UpdatePath>>& paths,
                             const std::vector<std::uint32_t>& kill_after) {
  std::vector<std::unique_ptr<test::ChildProcess>> runs;
  for (std::size_t i = 0; i < paths.size(); ++i) runs.push_back(paths[i]->start(kill_after[i]));
  std::vector<Outcome> outcomes;
  for (std::size_t i = 0; i < paths.size(); ++i) outcomes.push_back(paths[i]->outcome(*runs[i]));
  return outcomes;
}

// The uninterrupted update first (its last write must be `writes`), whose device's flash is the
// new image; then each kill point, followed by a normal run.
Counts kill_and_recover(const MakePath& make, std::uint32_t writes, const std::vector<std::uint32_t>& points) {
  Counts counts;
  const std::unique_ptr<UpdatePath> reference = make();
  const Outcome whole = reference->outcome(*reference->start(writes + 1));
  EXPECT_FALSE(whole.killed) << "the update makes more than " << writes << " writes";
  EXPECT_TRUE(whole.succeeded) << whole.said;
  const Bytes new_image = reference->device_flash();
  EXPECT_FALSE(new_image.empty());

  for (std::size_t first = 0; first < points.size(); first += points_at_once) {
    const std::vector<std::uint32_t> wave(points.begin() + static_cast<std::ptrdiff_t>(first),
                                          points.begin() + static_cast<std::ptrdiff_t>(
                                                               std::min(points.size(), first + points_at_once)));
    std::vector<std::unique_ptr<UpdatePath>> paths;
    for (std::size_t i = 0; i < wave.size(); ++i) paths.push_back(make());
    const std::vector<Outcome> killed = run_all(paths, wave);
    for (std::size_t i = 0; i < wave.size(); ++i) {
      EXPECT_TRUE(killed[i].killed) << "write " << wave[i] << "\n" << killed[i].said;
      if (killed[i].says_success && paths[i]->device_flash() != new_image) ++counts.success_without_new_image;
    }
    const std::vector<std::uint32_t> no_kill(wave.size());
    const std::vector<Outcome> normal = run_all(paths, no_kill);
    for (std::size_t i = 0; i < wave.size(); ++i) {
      SCOPED_TRACE("killed at write " + std::to_string(wave[i]));
      ++counts.kill_points;
      const bool holds_new_image = paths[i]->device_flash() == new_image;
      if (normal[i].says_success && !holds_new_image) ++counts.success_without_new_image;
      if (normal[i].succeeded && holds_new_image) {
        ++counts.recoveries;
      } else {
        ADD_FAILURE() << "not recovered (new image " << holds_new_image << ")\n" << normal[i].said;
      }
    }
  }
  std::string points_text;
  for (const std::uint32_t n : points) points_text += " " + std::to_string(n);
  std::cout << "kill points (seed " << sample_seed << "):" << points_text << "\nkill points " << counts.kill_points
            << ", recoveries " << counts.recoveries << ", runs showing success without the new image "
            << counts.success_without_new_image << "\n";
  return counts;
}

struct PathCase {
  const char* name;
  MakePath make;
  std::uint32_t writes;  // in one whole update
  std::vector<std::uint32_t> turning_points;
};

const PathCase path_cases[] = {
    // The block erase, 256 rows, the key, the checksum, the block-protect byte.
    {"ProgrammersCableUpdate", [] { return std::make_unique<CableUpdate>(); }, 260, {1, 2, 257, 258, 259}},
    // 32 block erases, the range erase, 256 rows, the key, the checksum.
    {"UpdatersUniversalUpdate", [] { return std::make_unique<UniversalUpdate>(); }, 291, {32, 33, 34, 289, 290}},
    // 118 erases of the window (blank after the last: the board runs its bootloader), then the
    // example image's 32 blocks.
    {"UpdatersBoardUpdate", [] { return std::make_unique<BoardUpdate>(); }, 150, {117, 118, 119}},
};

// A path and a half of its kill points: each half is a test of its own, so that two run at once.
class InterruptedUpdate : public ::testing::TestWithParam<std::tuple<std::size_t, std::size_t>> {};

TEST_P(InterruptedUpdate, RecoversFromAKillAtAnyWrite) {
  const auto [path, half] = GetParam();
  const PathCase& c = path_cases[path];
  const std::vector<std::uint32_t> points = kill_points(c.writes, c.turning_points);
  EXPECT_GE(points.size(), 20u);
  const std::size_t middle = points.size() / 2;
  std::vector<std::uint32_t> mine;
  for (std::size_t i = half == 0 ? 0 : middle; i < (half == 0 ? middle : points.size()); ++i) mine.push_back(points[i]);
  const Counts counts = kill_and_recover(c.make, c.writes, mine);
  EXPECT_EQ(counts.recoveries, counts.kill_points);
  EXPECT_EQ(counts.success_without_new_image, 0u);
}

INSTANTIATE_TEST_SUITE_P(Paths, InterruptedUpdate,
                         ::testing::Combine(::testing::Range<std::size_t>(0, std::size(path_cases)),
                                            ::testing::Values<std::size_t>(0, 1)),
                         [](const ::testing::TestParamInfo<std::tuple<std::size_t, std::size_t>>& param_info) {
                           return std::string(path_cases[std::get<0>(param_info.param)].name) +
                                  (std::get<1>(param_info.param) == 0 ? "FirstHalf" : "SecondHalf");
                         });

}  // namespace
}  // namespace vx

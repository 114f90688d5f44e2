// Simulated instructions per second on the bench_loop fixture: the CPU alone on plain memory, the
// whole simulated device, and the shc08 simulator (Debian's sdcc-ucsim) on the same program in the
// same run. Each figure is the best of a few rounds, so that a busy machine costs less of it; ours
// are processor time, shc08's the host time it reports for its run. Not a test: it prints figures.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "fixture_program.h"
#include "flat_bus.h"
#include "sim/hcs08/hcs08.h"

namespace {

using namespace vx::sim;
using vx::sim::test::FlatBus;
using vx::sim::test::Hcs08Image;
using vx::sim::test::PeerResult;

constexpr int kRounds = 5;

double cpu_seconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

struct Run {
  std::uint64_t instructions = 0;
  double seconds = 0;
};

// The CPU alone on plain memory, counting its instructions.
Run run_cpu(const Hcs08Image& image, const PeerResult& peer) {
  FlatBus bus;
  for (const auto& chunk : image.chunks) {
    std::copy(chunk.bytes.begin(), chunk.bytes.end(), bus.memory.begin() + chunk.address);
  }
  Cpu cpu(bus);
  cpu.registers() = peer.initial;
  cpu.reset(0xFFFE);
  Run run;
  const double start = cpu_seconds();
  while (cpu.registers().pc != peer.stop) {
    cpu.step();
    ++run.instructions;
  }
  run.seconds = cpu_seconds() - start;
  return run;
}

// The whole device: flash module, COP (switched off through SOPT1 as a routine would), and the
// debug controller's breakpoint at the end of the program. Nullopt if it does not get there.
std::optional<double> run_device(const Hcs08Image& image, std::uint16_t stop) {
  Hcs08 mcu;
  for (const auto& chunk : image.chunks) {
    for (std::size_t i = 0; i < chunk.bytes.size(); ++i) {
      mcu.poke(static_cast<std::uint16_t>(chunk.address + i), chunk.bytes[i]);
    }
  }
  mcu.power_on(true);
  const std::uint16_t sopt1 = mcu.config().sopt1;
  for (const auto& command : {std::vector<std::uint8_t>{bdc::kWriteByte, static_cast<std::uint8_t>(sopt1 >> 8),
                                                        static_cast<std::uint8_t>(sopt1), 0x00},
                              std::vector<std::uint8_t>{bdc::kWriteBkpt, static_cast<std::uint8_t>(stop >> 8),
                                                        static_cast<std::uint8_t>(stop)},
                              std::vector<std::uint8_t>{bdc::kWriteControl, bdc::kEnbdm | bdc::kBkpten},
                              std::vector<std::uint8_t>{bdc::kGo}}) {
    mcu.bdc_command(command);
  }
  const double start = cpu_seconds();
  mcu.run_for_ns(10'000'000'000);
  const double seconds = cpu_seconds() - start;
  if (mcu.registers().pc != stop || mcu.state() != RunState::Background) return std::nullopt;
  return seconds;
}

bool peer_installed() { return std::system("command -v shc08 > /dev/null 2>&1") == 0; }

// shc08 reports its own run time ("Host usage: N sec"), without its start-up and loading.
std::optional<double> run_peer(const std::string& ihx, std::uint16_t stop) {
  char command[512];
  std::snprintf(command, sizeof command,
                "printf 'set error stack off\\nfill rom 0 0xffff 0\\nfile \"%s\"\\nreset\\nbreak 0x%04x\\nrun\\nkill\\n' "
                "| shc08 -t HCS08 2>&1",
                ihx.c_str(), stop);
  FILE* pipe = popen(command, "r");
  if (pipe == nullptr) return std::nullopt;
  char line[512];
  double host_seconds = 0;
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    const std::string text(line);
    const std::size_t at = text.find("Host usage: ");
    if (at != std::string::npos) host_seconds = std::atof(text.c_str() + at + 12);
  }
  if (pclose(pipe) != 0 || host_seconds <= 0) return std::nullopt;
  return host_seconds;
}

double mips(std::uint64_t instructions, double seconds) { return static_cast<double>(instructions) / seconds / 1e6; }

}  // namespace

int main() {
  const std::string ihx = vx::sim::test::hcs08_fixture_path("bench_loop.ihx");
  const auto image = vx::sim::test::read_intel_hex(ihx);
  const auto peer = vx::sim::test::read_peer_result(vx::sim::test::hcs08_fixture_path("bench_loop.peer"));
  if (!image || !peer) {
    std::printf("bench_loop fixture missing\n");
    return 1;
  }
  const bool with_peer = peer_installed();
  std::uint64_t instructions = 0;
  double cpu_best = 1e9, device_best = 1e9, peer_best = 1e9;
  for (int round = 0; round < kRounds; ++round) {
    const Run cpu = run_cpu(*image, *peer);
    instructions = cpu.instructions;
    cpu_best = std::min(cpu_best, cpu.seconds);
    const auto device = run_device(*image, peer->stop);
    if (!device) {
      std::printf("the simulated device did not reach the end of the program\n");
      return 1;
    }
    device_best = std::min(device_best, *device);
    if (with_peer) {
      const auto seconds = run_peer(ihx, peer->stop);
      if (!seconds) {
        std::printf("shc08 did not report its run time\n");
        return 1;
      }
      peer_best = std::min(peer_best, *seconds);
    }
  }

  std::printf("bench_loop: %llu instructions a run, best of %d rounds\n",
              static_cast<unsigned long long>(instructions), kRounds);
  const double cpu_rate = mips(instructions, cpu_best), device_rate = mips(instructions, device_best);
  std::printf("sim::Hcs08 CPU on plain memory:        %7.1f M instructions/s\n", cpu_rate);
  std::printf("sim::Hcs08 device (flash, COP, BDC):   %7.1f M instructions/s\n", device_rate);
  if (!with_peer) {
    std::printf("shc08 is not installed (Debian package sdcc-ucsim): no comparison\n");
    return 0;
  }
  const double peer_rate = mips(instructions, peer_best);
  std::printf("shc08 -t HCS08:                        %7.1f M instructions/s\n", peer_rate);
  std::printf("CPU / shc08:                           %7.1f\n", cpu_rate / peer_rate);
  std::printf("device / shc08:                        %7.1f\n", device_rate / peer_rate);
  return 0;
}

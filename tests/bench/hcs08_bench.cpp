// Simulated instructions per second of the HCS08 simulator on the bench_loop fixture, beside the
// shc08 simulator on the same program when it is installed. Not a test: it prints figures.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fixture_program.h"
#include "platform/clock.h"
#include "sim/hcs08/hcs08.h"
#include "flat_bus.h"

namespace {

using namespace vx::sim;
using vx::sim::test::FlatBus;

constexpr int kRepeats = 10;

double seconds_since(std::uint64_t start_us) {
  return static_cast<double>(vx::platform::clock().monotonic_microseconds() - start_us) / 1e6;
}

void load(const vx::sim::test::Hcs08Image& image, std::uint8_t* memory) {
  for (const auto& chunk : image.chunks) {
    for (std::size_t i = 0; i < chunk.bytes.size(); ++i) memory[(chunk.address + i) & 0xFFFF] = chunk.bytes[i];
  }
}

// The CPU alone on plain memory; returns the instructions of one run.
std::uint64_t bench_cpu(const vx::sim::test::Hcs08Image& image, const vx::sim::test::PeerResult& peer) {
  std::uint64_t instructions = 0;
  const std::uint64_t start = vx::platform::clock().monotonic_microseconds();
  for (int run = 0; run < kRepeats; ++run) {
    FlatBus bus;
    load(image, bus.memory.data());
    Cpu cpu(bus);
    cpu.registers() = peer.initial;
    cpu.reset(0xFFFE);
    instructions = 0;
    while (cpu.registers().pc != peer.stop) {
      cpu.step();
      ++instructions;
    }
  }
  const double seconds = seconds_since(start);
  std::printf("sim::Hcs08 CPU on plain memory:           %6.1f M instructions/s\n",
              instructions * kRepeats / seconds / 1e6);
  return instructions;
}

// The whole device: flash module, COP (switched off through SOPT1 as a routine would), and the
// debug controller's breakpoint at the end of the program.
void bench_device(const vx::sim::test::Hcs08Image& image, std::uint16_t stop, std::uint64_t instructions) {
  const std::uint64_t start = vx::platform::clock().monotonic_microseconds();
  for (int run = 0; run < kRepeats; ++run) {
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
    mcu.run_for_ns(10'000'000'000);
    if (mcu.registers().pc != stop) {
      std::printf("the device did not reach the end of the program\n");
      return;
    }
  }
  const double seconds = seconds_since(start);
  std::printf("sim::Hcs08 device (flash, COP, BDC):      %6.1f M instructions/s\n",
              instructions * kRepeats / seconds / 1e6);
}

// shc08 reports its own run time ("Host usage: N sec").
void bench_peer(const std::string& ihx, std::uint16_t stop, std::uint64_t instructions) {
  char command[512];
  std::snprintf(command, sizeof command,
                "printf 'set error stack off\\nfill rom 0 0xffff 0\\nfile \"%s\"\\nreset\\nbreak 0x%04x\\nrun\\nkill\\n' "
                "| shc08 -t HCS08 2>&1",
                ihx.c_str(), stop);
  FILE* pipe = popen(command, "r");
  if (pipe == nullptr) return;
  char line[512];
  double host_seconds = 0;
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    const std::string text(line);
    const std::size_t at = text.find("Host usage: ");
    if (at != std::string::npos) host_seconds = std::atof(text.c_str() + at + 12);
  }
  const int status = pclose(pipe);
  if (status != 0 || host_seconds <= 0) {
    std::printf("shc08 -t HCS08:                           not available\n");
    return;
  }
  std::printf("shc08 -t HCS08:                           %6.1f M instructions/s\n",
              instructions / host_seconds / 1e6);
}

}  // namespace

int main() {
  const std::string ihx = vx::sim::test::hcs08_fixture_path("bench_loop.ihx");
  const auto image = vx::sim::test::read_intel_hex(ihx);
  const auto peer = vx::sim::test::read_peer_result(vx::sim::test::hcs08_fixture_path("bench_loop.peer"));
  if (!image || !peer) {
    std::printf("bench_loop fixture missing\n");
    return 1;
  }
  const std::uint64_t instructions = bench_cpu(*image, *peer);
  std::printf("bench_loop: %llu instructions per run\n", static_cast<unsigned long long>(instructions));
  bench_device(*image, peer->stop, instructions);
  bench_peer(ihx, peer->stop, instructions);
  return 0;
}

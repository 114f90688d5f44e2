// Programming speed: a 60 KB image erased, programmed and checked by the target's checksum
// (EM, PM, VC after CM) over the simulated WinDriver USB interface, at three BDC clocks, set
// against the physical floor of the same job. A tool run by `make bench-programming`, not a test.
#include <cstdio>
#include <ctime>
#include <map>

#include "programmer/production_bench.h"

namespace vx::test {
namespace {

constexpr double mass_erase_s = 0.100;
constexpr double bdc_cycles_per_byte = 272;
constexpr double burst_program_s_per_byte = 20e-6;

struct Measurement {
  std::int32_t result = -1;
  double simulated_s = 0;
  double host_cpu_s = 0;
  std::uint64_t transfers = 0;
  std::size_t bytes = 0;
};

// Every module byte below the option bytes, and NVOPT left unsecured.
std::map<std::uint16_t, std::uint8_t> sixty_kilobytes() {
  std::map<std::uint16_t, std::uint8_t> image;
  const auto fill = [&image](std::uint32_t first, std::uint32_t last) {
    for (std::uint32_t a = first; a <= last; ++a) image[static_cast<std::uint16_t>(a)] = static_cast<std::uint8_t>(a * 7 + (a >> 8));
  };
  fill(0x10B0, 0x17FF);
  fill(0x1960, 0xFFAF);
  image[0xFFBF] = 0xFE;
  return image;
}

target_testing::BenchOptions clocked_at(std::uint32_t bdc_hz) {
  target_testing::BenchOptions options;
  options.device.clock.nominal_bus_hz = bdc_hz;
  // The part runs at its nominal clock from reset, and the debug clock is the bus clock.
  options.device.clock.nominal_trim = 2 * options.device.clock.trim_reset;
  return options;
}

class ProgrammingRun : public ProductionTest {
 public:
  explicit ProgrammingRun(std::uint32_t bdc_hz) : ProductionTest(clocked_at(bdc_hz)) {}
  void TestBody() override {}

  Measurement measure() {
    const auto image = sixty_kilobytes();
    const std::string object = object_file("image.s19", image);
    const std::string script = "CM " + algorithm("SIM60_BUFFER256.S8P") + " 10B0\nSS " + object + "\nEM\nPM\nVC\n";
    sim::SimClock& clock = bench.clock();
    sim::SimUsbBus& usb = bench.usb()->usb;
    Measurement m;
    m.bytes = image.size();
    const std::uint64_t start_ns = clock.now_nanoseconds();
    const std::uint64_t start_transfers = usb.transfers();
    const std::clock_t start_cpu = std::clock();
    m.result = run_script(script);
    m.host_cpu_s = static_cast<double>(std::clock() - start_cpu) / CLOCKS_PER_SEC;
    m.transfers = usb.transfers() - start_transfers;
    m.simulated_s = static_cast<double>(clock.now_nanoseconds() - start_ns) / 1e9;
    if (m.result != 0) std::fputs(dump().c_str(), stderr);
    return m;
  }
};

}  // namespace
}  // namespace vx::test

int main() {
  std::printf("60 KB image over the simulated WinDriver USB interface: CM, EM, PM, VC (checksum verify)\n\n");
  std::printf("%-9s %8s %12s %10s %10s %8s %7s\n", "BDC clock", "result", "duration (s)", "floor (s)", "ratio",
              "USB/KiB", "CPU (s)");
  int failures = 0;
  for (const std::uint32_t hz : {4'000'000u, 8'000'000u, 20'000'000u}) {
    vx::test::ProgrammingRun run(hz);
    const vx::test::Measurement m = run.measure();
    const double bytes = static_cast<double>(m.bytes);
    const double floor = vx::test::mass_erase_s + bytes * vx::test::bdc_cycles_per_byte / hz +
                         bytes * vx::test::burst_program_s_per_byte;
    std::printf("%3u MHz   %8d %12.3f %10.3f %10.2f %8.1f %7.2f\n", hz / 1'000'000, m.result, m.simulated_s, floor,
                m.simulated_s / floor, static_cast<double>(m.transfers) / (bytes / 1024), m.host_cpu_s);
    if (m.result != 0) ++failures;
  }
  std::printf("\nfloor: mass erase 100 ms + every byte moved at 272 BDC cycles + burst programming at 20 us a byte\n");
  return failures == 0 ? 0 : 1;
}

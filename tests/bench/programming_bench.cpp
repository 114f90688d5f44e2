// Programming speed: a 60 KB image erased, programmed and checked by the target's checksum
// (EM, PM, VC after CM) with the production routines over the simulated WinDriver USB interface,
// at three BDC clocks, set against the protocol floor and the physical floor of the same job.
// A tool run by `make bench-programming`, not a test.
//
// Protocol floor: the job with nothing but what the protocol makes the programmer do. The
// exchanges are those the programmer really sends, read from the interface's log of the frames
// it took; only the polls while a routine runs are replaced by the polls the routine's own time
// needs. Per program block that is the security re-read, the block frames, the parameter and
// register writes, RESUME, the polls and the register reads.
//   floor = sum over exchanges e but polls:  exchange(e)
//         + sum over routine runs r:         max(1, ceil(time(r) / exchange(poll))) * exchange(poll)
//         + the programmer's own waits (CM's resets and settling, the flash command waits)
//   exchange(e) = round_trip + frames(e) + bdc(e) / BDC clock
//   frames(e)   = the frame out and the frame back (256 or 1280 bytes each) in 64-byte packets
//                 at 12 Mbit/s
//   bdc(e)      = 272 BDC cycles a byte of a block transfer; 16 a bit of any other background
//                 command, the bytes the target sends back included
//   time(r)     = program block of n bytes: 9 + 4 (n - 1) flash cycles (burst); module erase:
//                 20000 flash cycles; the flash clock is the bus clock over FCDIV's prescaler;
//                 VC's checksum routine: 51 bus cycles a byte, 8 a bit, 2 more a carry of the CRC;
//                 any other routine 0 (its one poll)
// Physical floor: mass erase 100 ms + every byte moved at 272 BDC cycles + burst programming at
// 20 us a byte.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <map>

#include "platform/clock.h"
#include "programmer/algorithm_routines.h"
#include "programmer/module_state.h"
#include "programmer/program_pipeline.h"
#include "programmer/production_bench.h"
#include "sim/hcs08/bdc.h"
#include "sim/hcs08/flash_controller.h"
#include "sim/usb/usb_time.h"

namespace vx::test {
namespace {

using Image = std::map<std::uint16_t, std::uint8_t>;

constexpr double mass_erase_s = 0.100;
constexpr double bdc_cycles_per_byte = 272;
constexpr double burst_program_s_per_byte = 20e-6;

constexpr double round_trip_s = 1e-3;
constexpr double bdc_cycles_per_bit = 16;
constexpr std::size_t short_payload = 252, short_frame = 256, long_frame = 1280;
constexpr std::uint8_t interface_command = 7, block_write = 4, block_read = 5;

// The checksum routine's bus cycles: per byte outside its bit loop, per bit, per carry.
constexpr double crc_cycles_per_byte = 51, crc_cycles_per_bit = 8, crc_cycles_per_carry = 2;

struct Measurement {
  std::int32_t result = -1;
  double simulated_s = 0;
  double protocol_floor_s = 0;
  double host_cpu_s = 0;
  std::uint64_t transfers = 0;
  std::size_t bytes = 0;
  // Program blocks, and the exchanges of one in the middle of the image with its polls.
  std::size_t blocks = 0;
  std::map<std::string, std::size_t> block_exchanges;
  std::size_t block_polls = 0;
  std::size_t block_polls_needed = 0;
};

// Every module byte below the option bytes, and NVOPT left unsecured.
Image sixty_kilobytes() {
  Image image;
  const auto fill = [&image](std::uint32_t first, std::uint32_t last) {
    for (std::uint32_t a = first; a <= last; ++a) image[static_cast<std::uint16_t>(a)] = static_cast<std::uint8_t>(a * 7 + (a >> 8));
  };
  fill(0x10B0, 0x17FF);
  fill(0x1960, 0xFFAF);
  image[0xFFBF] = 0xFE;
  return image;
}

// Bus cycles of the checksum routine over the image's run from `first` on.
double crc_cycles(const Image& image, std::uint16_t first) {
  double cycles = 0;
  std::uint8_t crc = 0;
  for (auto it = image.find(first); it != image.end() && it->first == first; ++it, ++first) {
    auto a = static_cast<std::uint8_t>(crc ^ it->second);
    cycles += crc_cycles_per_byte + 8 * crc_cycles_per_bit;
    for (int bit = 0; bit < 8; ++bit) {
      const bool carry = (a & 0x80) != 0;
      a = static_cast<std::uint8_t>(a << 1);
      if (carry) {
        a ^= 0x07;
        cycles += crc_cycles_per_carry;
      }
    }
    crc = a;
    if (first == 0xFFFF) break;
  }
  return cycles;
}

// The bus time of the frame that carries a command or an answer.
double frame_s(std::size_t payload) {
  if (payload == 0) return 0;
  return static_cast<double>(sim::usb_bus_ns(payload <= short_payload ? short_frame : long_frame)) / 1e9;
}

// BDC clock cycles an exchange keeps the target's background line busy.
double bdc_cycles(const sim::WireRecord& record) {
  const std::vector<std::uint8_t>& c = record.command;
  if (c.size() >= 2 && c[0] == interface_command && c[1] % 128 == block_write && c.size() > 4) {
    return static_cast<double>(c.size() - 4) * bdc_cycles_per_byte;
  }
  if (c.size() == 6 && c[0] == interface_command && c[1] % 128 == block_read) {
    return static_cast<double>(c[4] << 8 | c[5]) * bdc_cycles_per_byte;
  }
  const std::optional<sim::BdcCommandShape> shape = c.empty() ? std::nullopt : sim::bdc_command_shape(c[0]);
  if (!shape || c[0] == interface_command) return 0;
  return 8 * static_cast<double>(c.size() + shape->target_bytes) * bdc_cycles_per_bit;
}

// The time the programmer spends in its own waits, on top of the simulated clock it forwards to.
class WaitMeter final : public platform::Clock {
 public:
  explicit WaitMeter(sim::SimClock& clock) : clock_(clock), previous_(platform::install_clock(this)) {}
  ~WaitMeter() override { platform::install_clock(previous_); }
  WaitMeter(const WaitMeter&) = delete;
  WaitMeter& operator=(const WaitMeter&) = delete;

  std::uint64_t counter_frequency() override { return clock_.counter_frequency(); }
  std::uint64_t read_counter() override { return clock_.read_counter(); }
  std::uint64_t monotonic_microseconds() override { return clock_.monotonic_microseconds(); }
  void sleep_microseconds(std::uint64_t microseconds) override {
    metered([&] { clock_.sleep_microseconds(microseconds); });
  }
  void spin() override {
    metered([&] { clock_.spin(); });
  }
  void wait_step(std::uint64_t microseconds) override {
    metered([&] { clock_.wait_step(microseconds); });
  }
  void wait_readable(std::span<pollfd> fds, std::optional<std::uint64_t> microseconds) override {
    metered([&] { clock_.wait_readable(fds, microseconds); });
  }
  double waited_s() const { return static_cast<double>(waited_ns_) / 1e9; }

 private:
  template <typename Wait>
  void metered(Wait wait) {
    const std::uint64_t start = clock_.now_nanoseconds();
    wait();
    waited_ns_ += clock_.now_nanoseconds() - start;
  }

  sim::SimClock& clock_;
  platform::Clock* previous_;
  std::uint64_t waited_ns_ = 0;
};

const char* exchange_kind(const std::vector<std::uint8_t>& c) {
  if (c[0] == interface_command && c.size() > 1 && c[1] % 128 == block_write) return "block frames";
  switch (c[0]) {
    case sim::bdc::kReadByte: return "security re-read";
    case sim::bdc::kWriteByte: return "parameter writes";
    case sim::bdc::kWritePc:
    case sim::bdc::kWriteHx:
    case sim::bdc::kWriteSp:
    case sim::bdc::kWriteA:
    case sim::bdc::kWriteCcr: return "register writes";
    case sim::bdc::kGo: return "RESUME";
    case sim::bdc::kReadPc:
    case sim::bdc::kReadHx:
    case sim::bdc::kReadSp:
    case sim::bdc::kReadA:
    case sim::bdc::kReadCcr: return "register reads";
    default: return "other";
  }
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
  // The floor is counted from the frames the interface took.
  explicit ProgrammingRun(std::uint32_t bdc_hz) : ProductionTest(clocked_at(bdc_hz)) { bench.pod().keep_wire_log(true); }
  void TestBody() override {}

  Measurement measure() {
    const Image image = sixty_kilobytes();
    const std::string object = object_file("image.s19", image);
    const std::string script = "CM " + algorithm("SIM60_PRODUCTION.S8P") + "\nSS " + object + "\nEM\nPM\nVC\n";
    sim::SimClock& clock = bench.clock();
    sim::SimUsbBus& usb = bench.usb()->usb;
    Measurement m;
    m.bytes = image.size();
    const std::size_t first_record = bench.pod().wire_log().size();
    const std::uint64_t start_ns = clock.now_nanoseconds();
    const std::uint64_t start_transfers = usb.transfers();
    double waited_s = 0;
    const std::clock_t start_cpu = std::clock();
    {
      WaitMeter meter(clock);
      m.result = run_script(script);
      waited_s = meter.waited_s();
    }
    m.host_cpu_s = static_cast<double>(std::clock() - start_cpu) / CLOCKS_PER_SEC;
    m.transfers = usb.transfers() - start_transfers;
    m.simulated_s = static_cast<double>(clock.now_nanoseconds() - start_ns) / 1e9;
    if (m.result != 0) std::fputs(dump().c_str(), stderr);
    m.protocol_floor_s = waited_s + exchanges_floor(image, first_record, m);
    return m;
  }

 private:
  // The exchanges of the job from the frame log, polls as the routines' time needs them.
  double exchanges_floor(const Image& image, std::size_t first_record, Measurement& m) {
    const programmer::ModuleState& module = programmer::module_state();
    const std::uint32_t program_routine = module.entries[programmer::entry::program_byte];
    const std::uint32_t erase_routine = module.entries[programmer::entry::erase_module];
    const std::uint32_t crc_routine = module.entries[programmer::entry::ram_buffer];
    const std::uint32_t length_high =
        module.entries[programmer::entry::parameter_block] + programmer::parameter::length;
    const double bdc_hz = static_cast<double>(bench.mcu.bdc_clock_hz());
    const double bus_hz = static_cast<double>(bench.mcu.bus_clock_hz());
    const std::uint8_t fcdiv = bench.mcu.peek(bench.mcu.config().flash_registers + sim::flash::kFcdiv);
    const double prescaler = ((fcdiv & 0x3F) + 1) * ((fcdiv & sim::flash::kPrdiv8) != 0 ? 8 : 1);
    const double flash_cycle_s = prescaler / bus_hz;
    const auto exchange_s = [&](const sim::WireRecord& r) {
      return round_trip_s + frame_s(r.command.size()) + frame_s(r.reply.size()) + bdc_cycles(r) / bdc_hz;
    };

    const std::vector<sim::WireRecord>& log = bench.pod().wire_log();
    double floor = 0;
    std::uint16_t pc = 0, hx = 0, length = 0;
    bool running = false;
    double routine_s = 0;
    std::size_t polls = 0;
    std::map<std::string, std::size_t> block;
    for (std::size_t i = first_record; i < log.size(); ++i) {
      const sim::WireRecord& r = log[i];
      const std::vector<std::uint8_t>& c = r.command;
      if (c.empty()) continue;
      if (running && c[0] == sim::bdc::kReadStatus) {
        ++polls;
        const bool stopped = r.reply.size() >= 2 && (r.reply[1] & sim::bdc::kBdmact) != 0;
        if (!stopped) continue;
        const double needed = std::max(1.0, std::ceil(routine_s / exchange_s(r)));
        floor += needed * exchange_s(r);
        running = false;
        if (pc == program_routine && ++m.blocks == image.size() / 2 / programmer::ProgramPipeline::hard_block_cap) {
          m.block_exchanges = block;
          m.block_polls = polls;
          m.block_polls_needed = static_cast<std::size_t>(needed);
        }
        block.clear();
        continue;
      }
      floor += exchange_s(r);
      ++block[exchange_kind(c)];
      if (c[0] == sim::bdc::kWritePc && c.size() == 3) pc = static_cast<std::uint16_t>(c[1] << 8 | c[2]);
      if (c[0] == sim::bdc::kWriteHx && c.size() == 3) hx = static_cast<std::uint16_t>(c[1] << 8 | c[2]);
      if (c[0] == sim::bdc::kWriteByte && c.size() == 4) {
        const std::uint32_t address = static_cast<std::uint32_t>(c[1] << 8 | c[2]);
        if (address == length_high) length = static_cast<std::uint16_t>(c[3] << 8 | (length & 0x00FF));
        if (address == length_high + 1) length = static_cast<std::uint16_t>((length & 0xFF00) | c[3]);
      }
      if (c[0] == sim::bdc::kGo) {
        running = true;
        polls = 0;
        routine_s = 0;
        if (pc == program_routine) {
          routine_s = (sim::flash::kByteProgramCycles + sim::flash::kBurstCycles * (length - 1.0)) * flash_cycle_s;
        } else if (pc == erase_routine) {
          routine_s = sim::flash::kMassEraseCycles * flash_cycle_s;
        } else if (pc == crc_routine) {
          routine_s = crc_cycles(image, hx) / bus_hz;
        }
      }
    }
    return floor;
  }
};

}  // namespace
}  // namespace vx::test

int main() {
  std::printf("60 KB image over the simulated WinDriver USB interface: CM, EM, PM, VC (checksum verify)\n\n");
  std::printf("%-9s %6s %12s %14s %14s %9s %9s %8s %7s\n", "BDC clock", "result", "duration (s)", "protocol (s)",
              "physical (s)", "/protocol", "/physical", "USB/KiB", "CPU (s)");
  int failures = 0;
  vx::test::Measurement last;
  for (const std::uint32_t hz : {4'000'000u, 8'000'000u, 20'000'000u}) {
    vx::test::ProgrammingRun run(hz);
    const vx::test::Measurement m = run.measure();
    const double bytes = static_cast<double>(m.bytes);
    const double physical = vx::test::mass_erase_s + bytes * vx::test::bdc_cycles_per_byte / hz +
                            bytes * vx::test::burst_program_s_per_byte;
    std::printf("%3u MHz   %6d %12.3f %14.3f %14.3f %9.2f %9.2f %8.1f %7.2f\n", hz / 1'000'000, m.result,
                m.simulated_s, m.protocol_floor_s, physical, m.simulated_s / m.protocol_floor_s,
                m.simulated_s / physical, static_cast<double>(m.transfers) / (bytes / 1024), m.host_cpu_s);
    if (m.result != 0) ++failures;
    last = m;
  }
  std::printf("\n%zu program blocks; the exchanges of one in the middle at 20 MHz:", last.blocks);
  for (const auto& [kind, count] : last.block_exchanges) std::printf(" %zu %s,", count, kind.c_str());
  std::printf(" %zu polls (its routine's time needs %zu)\n", last.block_polls, last.block_polls_needed);
  std::printf("protocol floor: the exchanges the programmer makes at a 1 ms round trip plus 64-byte packets at\n"
              "12 Mbit/s, polls only as long as each routine runs, block bytes at 272 BDC cycles, and its own waits\n");
  std::printf("physical floor: mass erase 100 ms + every byte moved at 272 BDC cycles + burst programming at\n"
              "20 us a byte\n");
  return failures == 0 ? 0 : 1;
}

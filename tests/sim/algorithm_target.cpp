#include "algorithm_target.h"

#include <algorithm>
#include <stdexcept>

namespace vx::sim::test {

AlgorithmTarget::AlgorithmTarget(const std::string& file) {
  const std::optional<std::string> bytes = read_whole_file(algorithm_path(file));
  if (!bytes) throw std::runtime_error("cannot read " + file);
  const std::vector<std::string> lines = algorithm_lines(*bytes);
  const std::optional<Hcs08Image> routine = algorithm_routine(lines);
  if (!routine || routine->chunks.empty()) throw std::runtime_error("no routine records in " + file);
  routine_ = *routine;
  short_table_ = std::find(lines.begin(), lines.end(), "SHORT_TABLE") != lines.end();
  base_ = routine_.chunks.front().address;
  for (const Hcs08Image::Chunk& chunk : routine_.chunks) {
    for (std::size_t i = 0; i < chunk.bytes.size(); ++i) {
      t.mcu.poke(static_cast<std::uint16_t>(chunk.address + i), chunk.bytes[i]);
    }
  }
  t.write(kSopt1, kWatchdogOff);
}

std::uint32_t AlgorithmTarget::entry(int n) {
  const int size = short_table_ ? 2 : 4;
  std::uint32_t value = 0;
  for (int i = 0; i < size; ++i) value = value << 8 | t.read(static_cast<std::uint16_t>(base_ + n * size + i));
  return value;
}

std::uint16_t AlgorithmTarget::param_word(int offset) {
  const auto at = static_cast<std::uint16_t>(params() + offset);
  return static_cast<std::uint16_t>(t.read(at) << 8 | t.read(static_cast<std::uint16_t>(at + 1)));
}

void AlgorithmTarget::start(int routine_entry, std::uint16_t p0, std::uint16_t p2, std::uint16_t p4, std::uint8_t a,
                            std::uint16_t hx) {
  const std::uint16_t p = params();
  t.write_block(p, {Target::hi(p0), Target::lo(p0), Target::hi(p2), Target::lo(p2), Target::hi(p4), Target::lo(p4)});
  t.command({bdc::kWriteA, a});
  t.command({bdc::kWriteHx, Target::hi(hx), Target::lo(hx)});
  t.start_at(static_cast<std::uint16_t>(entry(routine_entry)));
}

AlgorithmTarget::Result AlgorithmTarget::wait() {
  // A blank check of the whole module takes about half a second of simulated time.
  for (int ms = 0; ms < 2000 && t.mcu.state() == RunState::Running; ++ms) t.mcu.run_for_ns(1'000'000);
  Result result;
  if (t.mcu.state() != RunState::Background) return result;
  const std::vector<std::uint8_t> pc = t.command({bdc::kReadPc}).bytes;
  const auto stop = static_cast<std::uint16_t>(pc.at(0) << 8 | pc.at(1));
  result.stopped = t.mcu.peek(static_cast<std::uint16_t>(stop - 1)) == 0x82;
  const std::vector<std::uint8_t> hx_bytes = t.command({bdc::kReadHx}).bytes;
  result.hx = static_cast<std::uint16_t>(hx_bytes.at(0) << 8 | hx_bytes.at(1));
  result.word4 = param_word(4);
  return result;
}

AlgorithmTarget::Result AlgorithmTarget::enable() { return call(entry::kModuleEnable, 0, 0, 0, Target::kDivider); }

void AlgorithmTarget::fill_buffer(const std::vector<std::uint8_t>& bytes) {
  t.write_block(static_cast<std::uint16_t>(entry(entry::kBuffer)), bytes);
}

bool AlgorithmTarget::flash_bytes_are(std::uint16_t first, std::uint16_t last, std::uint8_t value) {
  for (std::uint32_t a = first; a <= last; ++a) {
    if (t.mcu.peek(static_cast<std::uint16_t>(a)) != value) return false;
  }
  return true;
}

}  // namespace vx::sim::test

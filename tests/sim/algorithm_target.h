#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "algorithm_files.h"
#include "hcs08_target.h"

namespace vx::sim::test {

// Entries of the algorithm entry table.
namespace entry {
inline constexpr int kParams = 0, kBuffer = 1, kBufferSize = 2, kModuleStart = 3, kModuleSize = 4, kBlankBytes = 5,
                     kBlankWords = 6, kEraseBytes = 7, kEraseWords = 8, kEraseModule = 9, kProgramBytes = 10,
                     kProgramWords = 11, kModuleEnable = 14, kPageSelect = 16, kPageRestore = 17, kUser = 18;
}

// A default device with an algorithm file's routine in RAM, called as the programmer calls it:
// parameter words, then the registers, then GO, until the routine stops in background mode.
class AlgorithmTarget {
 public:
  static constexpr std::uint16_t kSopt1 = 0x1802, kPpage = 0x0078;
  static constexpr std::uint8_t kWatchdogOff = 0x03;  // what the headers write to SOPT1

  // Loads the routine of sim/algorithms/<file>; a file whose header says SHORT_TABLE has 16-bit entries.
  explicit AlgorithmTarget(const std::string& file);

  Target t;

  std::uint32_t entry(int n);
  std::uint16_t base() const { return base_; }
  const Hcs08Image& routine() const { return routine_; }
  std::uint16_t params() { return static_cast<std::uint16_t>(entry(entry::kParams)); }
  std::uint16_t param_word(int offset);

  struct Result {
    bool stopped = false;  // in background mode, at the instruction after a BGND
    std::uint16_t hx = 0;
    std::uint16_t word4 = 0;  // parameter word +4
  };
  // Writes the parameter words +0, +2 and +4, A and H:X, and starts the routine of the entry.
  void start(int routine_entry, std::uint16_t p0, std::uint16_t p2, std::uint16_t p4, std::uint8_t a = 0,
             std::uint16_t hx = 0);
  // Runs the part until the routine stops (2 s of simulated time at most).
  Result wait();
  Result call(int routine_entry, std::uint16_t p0, std::uint16_t p2, std::uint16_t p4, std::uint8_t a = 0,
              std::uint16_t hx = 0) {
    start(routine_entry, p0, p2, p4, a, hx);
    return wait();
  }
  // Module enable with the test divider: FCDIV set, as CM leaves the part.
  Result enable();

  // Fills RAM data buffer from its start.
  void fill_buffer(const std::vector<std::uint8_t>& bytes);
  bool flash_bytes_are(std::uint16_t first, std::uint16_t last, std::uint8_t value);

 private:
  Hcs08Image routine_;
  bool short_table_ = false;
  std::uint16_t base_ = 0;
};

}  // namespace vx::sim::test

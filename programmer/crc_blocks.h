#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "programmer/module_state.h"

// How the CRC commands cut addresses into blocks for the target routine:
// the object file's qualifying bytes into runs of consecutive addresses (VC),
// and the module's qualifying addresses into runs (SC, VV).
namespace vx::programmer {

struct CrcBlock {
  std::int32_t first = 0;
  std::int32_t last = 0;
  // The block's own value, from 0.
  std::uint32_t value = 0;
};

using ImageByteSource = std::function<bool(std::int32_t& address, std::uint8_t& byte)>;
using AddressTest = std::function<bool(std::int64_t address)>;

// Reads the object bytes once, in ascending order, skipping those that do not qualify, and
// computes each block's value and the cumulative value over every byte in the same pass.
class ObjectBlockWalker {
 public:
  ObjectBlockWalker(ImageByteSource source, AddressTest qualifies);

  // Whether a qualifying byte remains.
  bool more() const { return pending_.has_value(); }
  // The next block; while `aborted` answers true the block ends early.
  CrcBlock next_block(const std::function<bool()>& aborted);
  std::uint32_t cumulative() const { return cumulative_; }

 private:
  struct PendingByte {
    std::int32_t address = 0;
    std::uint8_t byte = 0;
  };
  void advance();

  ImageByteSource source_;
  AddressTest qualifies_;
  std::optional<PendingByte> pending_;
  std::uint32_t cumulative_ = 0;
};

struct AddressRun {
  std::int64_t first = 0;
  std::int64_t last = 0;
};

// What SC and VV leave out of the module: the measured trim locations and the keep-out
// ranges. With paging windows, page-3 addresses 0x38000-0x3BFFF fold onto 0xC000-0xFFFF for
// the trim test.
bool crc_excluded(const ModuleState& module, std::int64_t address);

// The maximal runs of consecutive qualifying addresses in first..last, ascending.
std::vector<AddressRun> qualifying_runs(std::int64_t first, std::int64_t last, const AddressTest& qualifies);

}  // namespace vx::programmer

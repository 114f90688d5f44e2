#include "programmer/crc_blocks.h"

#include <utility>

#include "programmer/crc_check_value.h"
#include "programmer/trim_locations.h"

namespace vx::programmer {

ObjectBlockWalker::ObjectBlockWalker(ImageByteSource source, AddressTest qualifies)
    : source_(std::move(source)), qualifies_(std::move(qualifies)) {
  advance();
}

void ObjectBlockWalker::advance() {
  PendingByte next;
  while (source_(next.address, next.byte)) {
    if (qualifies_(next.address)) {
      pending_ = next;
      return;
    }
  }
  pending_.reset();
}

CrcBlock ObjectBlockWalker::next_block(const std::function<bool()>& aborted) {
  CrcBlock block;
  if (!pending_) return block;
  block.first = pending_->address;
  for (;;) {
    block.last = pending_->address;
    block.value = update_check_value(block.value, pending_->byte);
    cumulative_ = update_check_value(cumulative_, pending_->byte);
    advance();
    if (!pending_ || static_cast<std::int64_t>(pending_->address) != static_cast<std::int64_t>(block.last) + 1 ||
        aborted()) {
      return block;
    }
  }
}

bool crc_excluded(const ModuleState& module, std::int64_t address) {
  std::int64_t trim_test = address;
  if (module.window.in_use && address >= 0x38000 && address <= 0x3BFFF) trim_test = (address & 0xFFFF) + 0x4000;
  if (module.trim.enabled) {
    for (const TrimLocation& location : trim_locations(module.trim)) {
      if (trim_test == location.address) return true;
    }
  }
  for (const AddressRange& range : module.crc_keepout_ranges) {
    if (module.cm_base_address + static_cast<std::int64_t>(range.start) <= address &&
        address <= module.cm_base_address + static_cast<std::int64_t>(range.end)) {
      return true;
    }
  }
  return false;
}

std::vector<AddressRun> qualifying_runs(std::int64_t first, std::int64_t last, const AddressTest& qualifies) {
  std::vector<AddressRun> runs;
  std::optional<AddressRun> open;
  for (std::int64_t address = first; address <= last; ++address) {
    if (qualifies(address)) {
      if (!open) open = AddressRun{address, address};
      open->last = address;
    } else if (open) {
      runs.push_back(*open);
      open.reset();
    }
  }
  if (open) runs.push_back(*open);
  return runs;
}

}  // namespace vx::programmer

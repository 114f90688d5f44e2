#include "sim/hcs08/cop.h"

namespace vx::sim {

void Cop::reset() {
  sopt1_ = config_.sopt1_reset;
  written_ = false;
  count_ = 0;
}

void Cop::write_sopt1(std::uint8_t value) {
  if (written_) return;
  written_ = true;
  sopt1_ = value;
  count_ = 0;
}

std::uint64_t Cop::cycles_left() const {
  const std::uint32_t timeout = config_.cop_timeouts[sopt1_ >> 6];
  if (timeout == 0) return UINT64_MAX;
  return count_ >= timeout ? 0 : timeout - count_;
}

}  // namespace vx::sim

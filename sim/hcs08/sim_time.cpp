#include "sim/hcs08/sim_time.h"

namespace vx::sim {
namespace {

constexpr std::uint64_t kPsPerSecond = 1'000'000'000'000;

}  // namespace

void SimTime::add_cycles(std::uint64_t cycles, std::uint64_t bus_hz) {
  cycles_ += cycles;
  if (bus_hz == 0) return;
  if (remainder_hz_ != bus_hz) {
    remainder_ = 0;
    remainder_hz_ = bus_hz;
  }
  const unsigned __int128 total = static_cast<unsigned __int128>(cycles) * kPsPerSecond + remainder_;
  ps_ += static_cast<std::uint64_t>(total / bus_hz);
  remainder_ = static_cast<std::uint64_t>(total % bus_hz);
}

void SimTime::advance_to_ps(std::uint64_t ps) {
  if (ps > ps_) {
    ps_ = ps;
    remainder_ = 0;
  }
}

std::uint64_t SimTime::cycles_until(std::uint64_t target_ps, std::uint64_t bus_hz) const {
  if (target_ps <= ps_ || bus_hz == 0) return 0;
  const unsigned __int128 needed = static_cast<unsigned __int128>(target_ps - ps_) * bus_hz;
  const unsigned __int128 have = remainder_hz_ == bus_hz ? remainder_ : 0;  // always below needed
  return static_cast<std::uint64_t>((needed - have + kPsPerSecond - 1) / kPsPerSecond);
}

}  // namespace vx::sim

#include "sim/hcs08/sim_time.h"

namespace vx::sim {
namespace {

constexpr std::uint64_t kPsPerSecond = 1'000'000'000'000;

}  // namespace

// Cycles without a bus clock add no time; a new clock drops the fraction left by the old one.
SimTime::Settled SimTime::settled() const {
  Settled now = time_;
  if (pending_hz_ == 0) return now;
  if (now.remainder_hz != pending_hz_) now = {now.ps, 0, pending_hz_};
  const unsigned __int128 total = static_cast<unsigned __int128>(pending_) * kPsPerSecond + now.remainder;
  now.ps += static_cast<std::uint64_t>(total / pending_hz_);
  now.remainder = static_cast<std::uint64_t>(total % pending_hz_);
  return now;
}

void SimTime::settle(std::uint64_t next_hz) {
  time_ = settled();
  pending_ = 0;
  pending_hz_ = next_hz;
}

void SimTime::advance_to_ps(std::uint64_t ps) {
  settle(pending_hz_);
  if (ps > time_.ps) {
    time_.ps = ps;
    time_.remainder = 0;
  }
}

std::uint64_t SimTime::cycles_until(std::uint64_t target_ps, std::uint64_t bus_hz) const {
  const Settled now = settled();
  if (target_ps <= now.ps || bus_hz == 0) return 0;
  const unsigned __int128 needed = static_cast<unsigned __int128>(target_ps - now.ps) * bus_hz;
  const unsigned __int128 have = now.remainder_hz == bus_hz ? now.remainder : 0;  // always below needed
  return static_cast<std::uint64_t>((needed - have + kPsPerSecond - 1) / kPsPerSecond);
}

}  // namespace vx::sim

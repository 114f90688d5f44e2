#include "sim/hcs08/bus_clock.h"

namespace vx::sim {

void BusClock::reset() {
  trim_ = config_.trim_reset;
  fine_register_ = 0;
  retrim();
}

void BusClock::write_trim(std::uint8_t value) {
  trim_ = value;
  retrim();
}

void BusClock::write_fine_trim_register(std::uint8_t value) {
  fine_register_ = value;
  retrim();
}

void BusClock::retrim() {
  const std::uint64_t t = 2u * trim_ + ((fine_register_ & config_.fine_trim_bit) != 0 ? 1u : 0u);
  bus_hz_ = std::uint64_t{config_.nominal_bus_hz} * (ClockConfig::kTrimSpan + config_.nominal_trim) /
            (ClockConfig::kTrimSpan + t);
}

std::uint64_t BusClock::bdc_hz(bool clksw) const {
  if (clksw || config_.bdc_alternate_denominator == 0) return bus_hz();
  return bus_hz() * config_.bdc_alternate_numerator / config_.bdc_alternate_denominator;
}

}  // namespace vx::sim

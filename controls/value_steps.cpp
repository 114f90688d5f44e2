#include "controls/value_steps.h"

#include <algorithm>
#include <cmath>

namespace vx::controls {

std::optional<int> StepCharCode(int code, int low, int high, bool up, bool wrap,
                                const std::function<bool(char)>& accepted) {
  if (!wrap && code == (up ? high : low)) return std::nullopt;
  for (int step = 0; step < 256; ++step) {
    code = (code + (up ? 1 : 255)) & 0xFF;
    if (code < low || code > high) {
      if (!wrap) return std::nullopt;
      continue;
    }
    if (accepted(static_cast<char>(code))) return code;
  }
  return std::nullopt;
}

std::optional<std::int32_t> StepInteger(std::int32_t number, std::int32_t low, std::int32_t high, double delta,
                                        bool wrap) {
  if (delta < 0 && number <= low) return wrap ? std::optional<std::int32_t>(high) : std::nullopt;
  if (delta > 0 && number >= high) return wrap ? std::optional<std::int32_t>(low) : std::nullopt;
  const long double wide = static_cast<long double>(number) + std::truncl(static_cast<long double>(delta));
  return static_cast<std::int32_t>(
      std::min(std::max(wide, static_cast<long double>(low)), static_cast<long double>(high)));
}

std::optional<long double> StepReal(long double number, long double low, long double high, double delta, bool wrap) {
  if (delta < 0 && number <= low) return wrap ? std::optional<long double>(high) : std::nullopt;
  if (delta > 0 && number >= high) return wrap ? std::optional<long double>(low) : std::nullopt;
  return std::min(std::max(number + delta, low), high);
}

}  // namespace vx::controls

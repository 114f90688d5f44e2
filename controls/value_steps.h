#pragma once

#include <cstdint>
#include <functional>
#include <optional>

// Stepping a field's value up or down within its range.
namespace vx::controls {

// The next character code from `code` that `accepted` takes within low..high,
// going up or down by one; nothing when there is none. At most one round of
// the 8-bit codes is searched, so a range and mask that admit nothing end.
std::optional<int> StepCharCode(int code, int low, int high, bool up, bool wrap,
                                const std::function<bool(char)>& accepted);

// The value moved by delta (integers by its whole part), computed wide and
// clamped to low..high; at a bound in the step's direction wrap gives the
// other bound and no wrap gives nothing.
std::optional<std::int32_t> StepInteger(std::int32_t number, std::int32_t low, std::int32_t high, double delta,
                                        bool wrap);
std::optional<long double> StepReal(long double number, long double low, long double high, double delta, bool wrap);

}  // namespace vx::controls

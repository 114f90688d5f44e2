#include "programmer/range_parameters.h"

#include "programmer/chosen_module.h"
#include "programmer/command_loop.h"
#include "programmer/command_ranges.h"

namespace vx::programmer {
namespace {

template <class StartCheck, class EndCheck>
ParameterRange read_range(StartCheck check_start, EndCheck check_end) {
  const auto start = static_cast<std::int32_t>(hex_parameter());
  if (RangeCheck failure = check_start(start)) fail_parameter(*failure);
  const auto end = static_cast<std::int32_t>(hex_parameter());
  if (RangeCheck failure = check_end(start, end)) fail_parameter(*failure);
  return {start, end};
}

}  // namespace

ParameterRange read_window_range(const ModuleWindow& window) {
  return read_range([&window](std::int32_t start) { return check_window_start(window, start); },
                    [&window](std::int32_t start, std::int32_t end) { return check_window_end(window, start, end); });
}

ParameterRange read_erase_range(const ModuleWindow& window, bool word) {
  return read_range(
      [&window, word](std::int32_t start) { return check_erase_start(window, start, word); },
      [&window, word](std::int32_t start, std::int32_t end) { return check_erase_end(window, start, end, word); });
}

}  // namespace vx::programmer

#include "programmer/command_ranges.h"

#include "foundation/kstring.h"

namespace vx::programmer {
namespace {

constexpr std::string_view start_not_in_module = "Starting address is not in module.";
constexpr std::string_view end_not_in_module = "Ending address is not in module or is less than starting address.";

std::int64_t offset_of(const ModuleWindow& window, std::int32_t address) {
  return static_cast<std::int64_t>(address) - window.cm_base;
}

}  // namespace

RangeCheck check_window_start(const ModuleWindow& window, std::int32_t start) {
  if (window.in_window(start)) return std::nullopt;
  return ParameterFailure{6, ShortText(start_not_in_module)};
}

RangeCheck check_window_end(const ModuleWindow& window, std::int32_t start, std::int32_t end) {
  if (window.in_window(end) && end >= start) return std::nullopt;
  return ParameterFailure{7, ShortText(end_not_in_module)};
}

RangeCheck check_erase_start(const ModuleWindow& window, std::int32_t start, bool word) {
  if (RangeCheck failure = check_window_start(window, start)) return failure;
  if (word && offset_of(window, start) % 2 != 0) {
    return ParameterFailure{28, "Word erase starting address must be even."};
  }
  return std::nullopt;
}

RangeCheck check_erase_end(const ModuleWindow& window, std::int32_t start, std::int32_t end, bool word) {
  if (RangeCheck failure = check_window_end(window, start, end)) return failure;
  if (word && offset_of(window, end) % 2 != 0) {
    return ParameterFailure{29, "Word erase ending address must be even."};
  }
  std::size_t start_range = 0;
  std::size_t end_range = 0;
  if (!address_in_module(window, start, &start_range)) return ParameterFailure{6, "Address range not in module."};
  if (!address_in_module(window, end, &end_range)) return ParameterFailure{7, "Address range not in module."};
  if (start_range != end_range) return ParameterFailure{7, "Erase range is not contiguous memory."};
  return std::nullopt;
}

RangeCheck check_show_range(const ModuleWindow& window, std::int32_t start, std::int32_t end) {
  const std::int64_t last = static_cast<std::int64_t>(window.module_size) - 1;
  const auto below_device = [&window](std::int64_t offset) { return offset + window.module_start < 0; };
  if (below_device(offset_of(window, start)) || offset_of(window, start) > last) {
    return ParameterFailure{6, ShortText(start_not_in_module)};
  }
  if (below_device(offset_of(window, end)) || offset_of(window, end) > last || end < start) {
    return ParameterFailure{7, ShortText(end_not_in_module)};
  }
  return std::nullopt;
}

RangeCheck check_routine_size(std::uint64_t size) {
  if (size <= largest_routine_size) return std::nullopt;
  return ParameterFailure{63, "Range of $" + hex_long(static_cast<std::uint32_t>(size)) +
                                  " bytes is larger than the algorithm routines can take."};
}

}  // namespace vx::programmer

#include "programmer/command_ranges.h"

#include <algorithm>
#include <utility>

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

std::vector<DevicePiece> routine_pieces(const ModuleWindow& window, std::uint32_t start, std::uint32_t size,
                                        const std::vector<std::uint32_t>& page_cuts) {
  if (size <= largest_routine_size) return {{start, size}};
  std::vector<std::pair<std::uint64_t, std::uint64_t>> spans;  // first, one past the last
  const std::uint64_t end = std::uint64_t{start} + size;
  if (window.module_ranges.empty()) spans.emplace_back(start, end);
  for (const RelativeRange& range : window.module_ranges) {
    const std::uint64_t first = std::max<std::uint64_t>(start, std::int64_t{window.module_start} + range.start);
    const std::uint64_t last = std::min<std::uint64_t>(end, std::int64_t{window.module_start} + range.end + 1);
    if (first < last) spans.emplace_back(first, last);
  }
  std::sort(spans.begin(), spans.end());
  std::vector<DevicePiece> pieces;
  for (auto [first, last] : spans) {
    while (first < last) {
      std::uint64_t piece_end = std::min(last, (first | 0xFFFF) + 1);
      for (const std::uint32_t cut : page_cuts) {
        const std::uint64_t at = (first & ~std::uint64_t{0xFFFF}) + cut;
        if (at > first && at < piece_end) piece_end = at;
      }
      pieces.push_back({static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(piece_end - first)});
      first = piece_end;
    }
  }
  return pieces;
}

RangeCheck check_routine_size(std::uint64_t size) {
  if (size <= largest_routine_size) return std::nullopt;
  return ParameterFailure{63, "Range of $" + hex_long(static_cast<std::uint32_t>(size)) +
                                  " bytes is larger than the algorithm routines can take."};
}

}  // namespace vx::programmer

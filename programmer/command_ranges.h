#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "foundation/short_text.h"
#include "programmer/module_window.h"

// The tests of the start and end addresses that the range commands read
// from the command line (object-file addresses), with the result and the
// status text of the first that fails.
namespace vx::programmer {

struct ParameterFailure {
  std::int32_t result = 0;
  ShortText message;
};

using RangeCheck = std::optional<ParameterFailure>;

// BR, PR, VR, UR and the first tests of EB and EW: both inside the module window, end >= start.
RangeCheck check_window_start(const ModuleWindow& window, std::int32_t start);
RangeCheck check_window_end(const ModuleWindow& window, std::int32_t start, std::int32_t end);
// EB (word false) and EW (word true): the start is tested before the end is read; each in the
// window, even for EW, then both in the module and in the same module range.
RangeCheck check_erase_start(const ModuleWindow& window, std::int32_t start, bool word);
RangeCheck check_erase_end(const ModuleWindow& window, std::int32_t start, std::int32_t end, bool word);
// SM: the device addresses must not lie below 0.
RangeCheck check_show_range(const ModuleWindow& window, std::int32_t start, std::int32_t end);
// A size the routines cannot take in their 16-bit length word.
RangeCheck check_routine_size(std::uint64_t size);

// A span of device addresses that one routine call covers.
struct DevicePiece {
  std::uint32_t start = 0;
  std::uint32_t size = 0;
  bool operator==(const DevicePiece&) const = default;
};

// The routines take a 16-bit start and size. A span of more than 0xFFFF bytes (a paged module) is
// checked piece by piece: the parts of it that module ranges hold (all of it without them), each
// cut at every 64 KB page and at the 16-bit `page_cuts` (the paging window's ends), so that each
// piece is reached through one page.
std::vector<DevicePiece> routine_pieces(const ModuleWindow& window, std::uint32_t start, std::uint32_t size,
                                        const std::vector<std::uint32_t>& page_cuts);

}  // namespace vx::programmer

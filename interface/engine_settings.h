#pragma once

#include <cstdint>
#include <functional>
#include <vector>

// What the programmer engine owns and the interface layer reads besides the
// connection settings (connection_settings.h): the loaded object's ranges with
// the paging window, the trim settings, and the engine's page selection around
// a target access. The engine fills them before it calls; the defaults are
// those of a start.
namespace vx {

struct ObjectRange {
  std::uint32_t first = 0;
  std::uint32_t last = 0;
};

struct ObjectRanges {
  static constexpr std::uint32_t no_address_mask = 0xFFFFFFFF;

  // Device addresses wrap modulo mask + 1; no_address_mask (-1) leaves them alone.
  std::uint32_t address_mask = 0xFFFFF;
  // Numbered from 1 by the engine; none loaded means every address is in range.
  std::vector<ObjectRange> ranges;
  // Added to both ends of every range.
  std::uint32_t range_offset = 0;
  // In paging-window mode an address reads at (address AND window_mask) + window_base. The
  // engine keeps window_mask as the complement of the algorithm file's paging mask, so the
  // AND keeps the address's offset inside its page.
  bool paging_window = false;
  std::uint32_t window_mask = 0;
  std::uint32_t window_base = 0;
};

struct TrimSettings {
  long double trim_scale = 1.0L;
  bool range_prescaled = false;
  bool custom_override = false;
  long double custom_reference = 31'250.0L;
  long double reference_min = 31'250.0L;
  long double reference_max = 39'062.5L;
  long double prescale_divisor = 1.0L;
  // Written by the trim measurement for the engine to read back.
  long double default_reference = 31'250.0L;
};

struct EngineSettings {
  ObjectRanges objects;
  TrimSettings trim;
  // Registered by the engine: before a target access the page of the address is selected,
  // after it restored. Unset, both do nothing.
  std::function<void(std::uint32_t address)> select_address_page;
  std::function<void()> restore_address_page;
};

EngineSettings& engine_settings();
void reset_engine_settings();

void select_address_page(std::uint32_t address);
void restore_address_page();

}  // namespace vx

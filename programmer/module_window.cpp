#include "programmer/module_window.h"

#include "interface/target_read_cache.h"

namespace vx::programmer {

std::uint32_t ModuleWindow::device_address(std::int32_t object_address) const {
  return static_cast<std::uint32_t>(object_address) - static_cast<std::uint32_t>(cm_base) + module_start;
}

std::int32_t ModuleWindow::object_address(std::uint32_t device) const {
  return static_cast<std::int32_t>(device - module_start + static_cast<std::uint32_t>(cm_base));
}

std::int64_t ModuleWindow::window_end() const {
  return static_cast<std::int64_t>(cm_base) + static_cast<std::int64_t>(module_size) - 1;
}

bool ModuleWindow::in_window(std::int64_t object_address) const {
  return object_address >= cm_base && object_address <= window_end();
}

namespace {

bool in_relative_range(const ModuleWindow& window, const RelativeRange& range, std::int32_t object_address) {
  const std::int64_t a = object_address;
  return static_cast<std::int64_t>(window.cm_base) + range.start <= a &&
         a <= static_cast<std::int64_t>(window.cm_base) + range.end;
}

}  // namespace

bool address_in_module(const ModuleWindow& window, std::int32_t object_address, std::size_t* range_number) {
  if (window.module_ranges.empty()) {
    const bool inside = window.in_window(object_address);
    if (range_number != nullptr) *range_number = inside ? 0 : 1;
    return inside;
  }
  std::size_t holder = 0;
  for (std::size_t n = 0; n < window.module_ranges.size(); ++n) {
    if (in_relative_range(window, window.module_ranges[n], object_address)) holder = n + 1;
  }
  if (range_number != nullptr) *range_number = holder;
  return holder != 0;
}

bool address_preserved(const ModuleWindow& window, std::int32_t object_address) {
  for (const RelativeRange& range : window.preserve_ranges) {
    if (in_relative_range(window, range, object_address)) return true;
  }
  return false;
}

std::optional<std::uint8_t> device_byte_value(std::uint16_t raw) {
  if (raw == outside_object_ranges) return 0xFF;
  if (raw > 0xFF) return std::nullopt;
  return static_cast<std::uint8_t>(raw);
}

}  // namespace vx::programmer

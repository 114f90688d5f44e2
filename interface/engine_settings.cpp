#include "interface/engine_settings.h"

namespace vx {
namespace {

EngineSettings state;

}  // namespace

EngineSettings& engine_settings() { return state; }
void reset_engine_settings() { state = EngineSettings{}; }

void select_address_page(std::uint32_t address) {
  if (state.select_address_page) state.select_address_page(address);
}

void restore_address_page() {
  if (state.restore_address_page) state.restore_address_page();
}

long double get_trim_scale() { return state.trim.trim_scale; }
bool get_trim_range_prescaled() { return state.trim.range_prescaled; }
bool get_custom_trim_override() { return state.trim.custom_override; }
long double get_custom_trim_reference() { return state.trim.custom_reference; }
long double get_trim_reference_min() { return state.trim.reference_min; }
long double get_trim_reference_max() { return state.trim.reference_max; }
long double get_default_trim_reference() { return state.trim.default_reference; }

}  // namespace vx

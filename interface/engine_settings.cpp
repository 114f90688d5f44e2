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

}  // namespace vx

#include "interface/link_state.h"

#include "foundation/kstring.h"

namespace vx {
namespace {

LinkState state;

}  // namespace

LinkState& link_state() { return state; }

void reset_link_state() { state = LinkState{}; }

ShortText link_prefix() {
  return ShortText("(HC=$") + hex_byte(static_cast<std::uint8_t>(state.reload_value >> 8)) + "xx/HE=$" +
         hex_byte(static_cast<std::uint8_t>(state.link_status >> 8)) + "xx)";
}

}  // namespace vx

#include "interface/link_state.h"

namespace vx {
namespace {

LinkState state;

}  // namespace

LinkState& link_state() { return state; }

void reset_link_state() { state = LinkState{}; }

}  // namespace vx

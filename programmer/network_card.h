#pragma once

#include "foundation/short_text.h"

namespace vx::programmer {

// The local address the Ethernet link binds to, from this user's registry
// key Software\Velmorix\NetworkCardIP, value "ip"; empty for any card.
// Never raises.
ShortText read_network_card_ip();

}  // namespace vx::programmer

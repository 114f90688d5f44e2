#include "interface/target_exchange.h"

#include "interface/byte_protocol.h"
#include "interface/link_state.h"

namespace vx {

std::uint16_t exchange(std::initializer_list<std::uint8_t> bytes, CommandWait wait, bool with_reply) {
  repeat_until_good([&] {
    const std::uint8_t* last = bytes.end() - 1;
    for (const std::uint8_t* b = bytes.begin(); b != last; ++b) SEND8(*b);
    if (wait == CommandWait::long_wait) {
      SEND_CMD_LONG(*last);
    } else {
      SEND_CMD_SHORT(*last);
    }
    if (with_reply) RECV16();
  });
  return static_cast<std::uint16_t>(link_state().reply_word);
}

}  // namespace vx

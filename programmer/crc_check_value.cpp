#include "programmer/crc_check_value.h"

#include "foundation/kstring.h"
#include "interface/crc8.h"

namespace vx::programmer {

std::uint32_t update_check_value(std::uint32_t value, std::uint8_t byte) {
  auto crc = static_cast<std::uint8_t>(value);
  crc8_update(&byte, 1, crc);
  return ((value & 0xFFFF00) + byte * 256u + crc) & 0xFFFFFF;
}

ShortText check_value_hex(std::uint32_t value) { return hex_long(value).substr(2); }

}  // namespace vx::programmer

#include "programmer/network_card.h"

#include <exception>
#include <optional>

#include "platform/registry.h"

namespace vx::programmer {

ShortText read_network_card_ip() {
  ShortText address;
  try {
    const platform::Registry registry = platform::Registry::current_user();
    if (const std::optional<platform::RegistryKey> key = registry.create_key("Software\\Velmorix\\NetworkCardIP")) {
      address = key->read_string("ip").value_or("");
    }
  } catch (const std::exception&) {
  }
  return address;
}

}  // namespace vx::programmer

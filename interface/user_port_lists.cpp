#include "interface/user_port_lists.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "foundation/kstring.h"
#include "platform/registry.h"

namespace vx {
namespace {

using platform::Registry;
using platform::RegistryKey;

std::string lpt_value_name(std::int32_t n) { return "virtuallpt" + std::to_string(n); }
std::string ip_value_name(std::int32_t n) { return "virtualip" + std::to_string(n); }

ShortText trimmed(const std::optional<std::string>& text) { return text ? trim(ShortText(*text)) : ShortText(); }

}  // namespace

std::uint32_t read_user_lpt_address(std::int32_t n) {
  const std::optional<RegistryKey> key = Registry::current_user().open_key(user_lpt_key);
  if (!key) return 0;
  return key->read_dword(lpt_value_name(n)).value_or(0);
}

void write_user_lpt_address(std::int32_t n, std::uint32_t address) {
  if (const std::optional<RegistryKey> key = Registry::current_user().create_key(user_lpt_key)) {
    key->write_dword(lpt_value_name(n), address);
  }
}

std::int32_t count_user_ethernet_ips() {
  const std::optional<RegistryKey> key = Registry::current_user().create_key(user_ethernet_key);
  return key ? static_cast<std::int32_t>(key->value_names().size()) : 0;
}

ShortText read_user_ethernet_ip(std::int32_t n) {
  const std::optional<RegistryKey> key = Registry::current_user().open_key(user_ethernet_key);
  if (!key) return ShortText();
  return ShortText(key->read_string(ip_value_name(n)).value_or(std::string()));
}

void add_user_ethernet_ip(const ShortText& ip) {
  const std::optional<RegistryKey> key = Registry::current_user().create_key(user_ethernet_key);
  if (!key) return;
  const ShortText wanted = trim(ip);
  const std::vector<std::string> names = key->value_names();
  for (const std::string& name : names) {
    if (trimmed(key->read_string(name)) == wanted) return;
  }
  // With gaps in the numbering, count + 1 may be taken: never write over a stored address.
  auto n = static_cast<std::int32_t>(names.size()) + 1;
  while (key->read_string(ip_value_name(n)) || key->read_dword(ip_value_name(n))) ++n;
  key->write_string(ip_value_name(n), wanted.view());
}

void remove_user_ethernet_ip(const ShortText& ip) {
  const std::optional<RegistryKey> key = Registry::current_user().open_key(user_ethernet_key);
  if (!key) return;
  const ShortText wanted = trim(ip);
  const auto count = static_cast<std::int32_t>(key->value_names().size());
  for (std::int32_t q = 1; q <= count; ++q) {
    if (trimmed(key->read_string(ip_value_name(q))) == wanted) {
      key->delete_value(ip_value_name(q));
      break;
    }
  }
  // Renumber in listing order. All moved values are deleted before any is
  // written again, so a new name never lands on an address still to move.
  std::vector<std::pair<std::string, ShortText>> moves;
  std::int32_t q = 0;
  for (const std::string& name : key->value_names()) {
    ++q;
    const ShortText text = trimmed(key->read_string(name));
    if (trim(ShortText(name)) != ShortText(ip_value_name(q)) && !text.empty()) {
      moves.emplace_back(ip_value_name(q), text);
      key->delete_value(name);
    }
  }
  for (const auto& [name, text] : moves) key->write_string(name, text.view());
}

}  // namespace vx

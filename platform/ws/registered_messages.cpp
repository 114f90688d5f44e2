#include "platform/ws/registered_messages.h"

#include <map>

#include "platform/ws/messages.h"

namespace vx::ws {
namespace {

struct Registered {
  std::map<std::string, MessageId> by_name;  // upper-cased names
  std::map<MessageId, std::string> names;
  MessageId next = msg::first_registered;
};

Registered& registered() {
  static Registered instance;
  return instance;
}

std::string fold_case(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return folded;
}

}  // namespace

MessageId register_window_message(std::string_view name) {
  if (name.empty()) return 0;
  Registered& r = registered();
  const std::string key = fold_case(name);
  if (const auto found = r.by_name.find(key); found != r.by_name.end()) return found->second;
  if (r.next > msg::last_registered) return 0;
  const MessageId id = r.next++;
  r.by_name.emplace(key, id);
  r.names.emplace(id, std::string(name));
  return id;
}

std::optional<MessageId> find_registered_message(std::string_view name) {
  const Registered& r = registered();
  const auto found = r.by_name.find(fold_case(name));
  if (found == r.by_name.end()) return std::nullopt;
  return found->second;
}

std::optional<std::string> registered_message_name(MessageId id) {
  const Registered& r = registered();
  const auto found = r.names.find(id);
  if (found == r.names.end()) return std::nullopt;
  return found->second;
}

void reset_registered_messages() { registered() = Registered{}; }

}  // namespace vx::ws

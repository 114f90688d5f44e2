#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/ws/types.h"

// Window messages registered by name: the same name (in any letter case)
// gives the same number, from msg::first_registered up.
namespace vx::ws {

// 0 for an empty name or when every number is taken.
MessageId register_window_message(std::string_view name);
std::optional<MessageId> find_registered_message(std::string_view name);
std::optional<std::string> registered_message_name(MessageId id);
void reset_registered_messages();

}  // namespace vx::ws

#pragma once

#include <optional>

#include "platform/instance.h"
#include "platform/ws/types.h"

// One copy of the programmer per installation: the first copy holds the
// instance mark; a later one signals it through the instance message.
namespace vx::programmer {

struct ProgrammerMessages {
  ws::MessageId instance = 0;
  ws::MessageId maximize_ide = 0;
  ws::MessageId close_down_applications = 0;
  ws::MessageId a_la_maximize = 0;
};

struct SingleInstance {
  ProgrammerMessages messages;
  platform::InstanceLock mapping;
  bool channel_open = false;
};

SingleInstance& single_instance();

// The instance message is named after the program's path, title and version;
// the three others are shared with cooperating tools.
void register_programmer_messages();
// True when another copy holds the instance mark; otherwise this copy now holds it.
bool probe_running_instance();
// A later copy: asks the first copy to come to the front.
void signal_first_copy();
// The first copy: listens for later copies.
void listen_for_later_copies();
void close_instance_mapping();

}  // namespace vx::programmer

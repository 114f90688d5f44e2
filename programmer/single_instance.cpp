#include "programmer/single_instance.h"

#include <algorithm>
#include <string>

#include "foundation/kstring.h"
#include "foundation/system_helpers.h"
#include "platform/ws/instance_channel.h"
#include "platform/ws/registered_messages.h"

namespace vx::programmer {
namespace {

SingleInstance instance;

ShortText program_path() {
  ShortText path;
  GET_EXE_PATH(path);
  return path;
}

}  // namespace

SingleInstance& single_instance() { return instance; }

void register_programmer_messages() {
  const ShortText name = upper_case(program_path() + " CQUILLHCS08 Programmer Version 1.71.00.00");
  ProgrammerMessages& messages = instance.messages;
  messages.instance = ws::register_window_message(name.view());
  messages.maximize_ide = ws::register_window_message("VELMORIX - MAXIMIZE IDE!");
  messages.close_down_applications = ws::register_window_message("VELMORIX - CLOSE DOWN APPLICATIONS!");
  messages.a_la_maximize = ws::register_window_message("VELMORIX - A LA MAXIMIZE!");
}

bool probe_running_instance() {
  close_instance_mapping();
  std::string name = replace_extension(program_path(), "RUN").value_or(program_path()).str();
  std::replace(name.begin(), name.end(), '\\', 'K');
  return instance.mapping.probe(name);
}

void signal_first_copy() { ws::send_to_first_copy(instance.mapping, instance.messages.instance); }

void listen_for_later_copies() { instance.channel_open = ws::open_instance_channel(instance.mapping); }

void close_instance_mapping() {
  if (instance.channel_open) ws::close_instance_channel();
  instance.channel_open = false;
  instance.mapping.release();
}

}  // namespace vx::programmer

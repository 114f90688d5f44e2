#pragma once

#include <cstdint>

#include "foundation/short_text.h"
#include "programmer/constant_array.h"

// The ":" lines of a command file: settings of the stand-alone programmer's
// power control and of trim, applied before the port is opened.
namespace vx::programmer {

namespace configuration {
inline constexpr std::int32_t dummy = 0;
inline constexpr std::int32_t power_down_delay = 3;
inline constexpr std::int32_t power_up_delay = 4;
inline constexpr std::int32_t device_power = 22;
inline constexpr std::int32_t power_off_on_exit = 23;
inline constexpr std::int32_t custom_trim_reference = 106;
inline constexpr std::int32_t use_relays = 202;
}  // namespace configuration

struct ConfigurationCommands {
  ConstantArray table;
};

ConfigurationCommands& configuration_commands();

void LOAD_CONFIGURATION_COMMANDS();
void FREE_CONFIGURATION_COMMANDS();
// The code of the trimmed, upper-case name; -1 when no configuration command has it.
std::int32_t configuration_code(const ShortText& name);
// Applies every ":" line of the file; a bad one ends the script with 47.
// A file that does not exist is passed over.
void preprocess_command_file(const ShortText& file_name);

}  // namespace vx::programmer

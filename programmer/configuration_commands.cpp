#include "programmer/configuration_commands.h"

#include "foundation/file_checks.h"
#include "foundation/kstring.h"
#include "foundation/status_output.h"
#include "programmer/command_tokens.h"
#include "interface/connection_settings.h"
#include "interface/engine_settings.h"
#include "programmer/script_errors.h"
#include "programmer/script_file.h"

namespace vx::programmer {
namespace {

constexpr std::string_view configuration_table =
    "^   7^  20^"
    ":DUMMYCOMMAND      0"
    ":POWERDOWNDELAY    3"
    ":POWERUPDELAY      4"
    ":DEVICEPOWER      22"
    ":POWEROFFONEXIT   23"
    ":CUSTOMTRIMREF   106"
    ":USEPRORELAY     202"
    "^";

constexpr std::uint8_t preprocessing_radix = 10;

ConfigurationCommands commands;

bool needs_number(std::int32_t code) {
  return code == configuration::power_down_delay || code == configuration::power_up_delay ||
         code == configuration::device_power || code == configuration::power_off_on_exit;
}

void set_device_power(std::int32_t value) {
  std::uint8_t& selector = vx::connection_settings().supply_selection;
  switch (value) {
    case 0: case 1: case 50:
      selector = 255;
      break;
    case 2: case 3: case 30:
      selector = 128;
      break;
    case 4: case 5: case 20:
      selector = 0;
      break;
    default:
      WRITELN_TO_DEBUG(
          "Error specify voltage. Allowed values are 20 (for 2.0v), 30 (for 3.0v), or 50 (for 5.0v).");
      break;
  }
}

// A missing value is no reference: the empty text would read as 0 Hz.
void set_custom_trim_reference() {
  const CommandTokens& tokens = command_tokens();
  TrimSettings& trim = engine_settings().trim;
  long double reference = 0;
  if (tokens.count >= 2 && str_to_real(tokens.tokens[2], reference)) {
    trim.custom_reference = reference;
    trim.custom_override = true;
  } else {
    trim.custom_override = false;
  }
}

void apply(std::int32_t code) {
  const CommandTokens& tokens = command_tokens();
  vx::ConnectionSettings& settings = vx::connection_settings();
  switch (code) {
    case configuration::power_down_delay:
      settings.power_down_delay_ms = tokens.value;
      break;
    case configuration::power_up_delay:
      settings.power_up_delay_ms = tokens.value;
      break;
    case configuration::device_power:
      set_device_power(tokens.value);
      break;
    case configuration::power_off_on_exit:
      settings.power_off_on_exit = tokens.value == 0;
      break;
    case configuration::custom_trim_reference:
      set_custom_trim_reference();
      break;
    case configuration::use_relays:
      settings.power_relays_in_use = tokens.error || tokens.value != 0;
      break;
    default:
      break;
  }
}

bool is_configuration_line(const ShortText& line) {
  const ShortText trimmed = trim(line);
  return !trimmed.empty() && trimmed[0] == ':';
}

// The radix goes back to hexadecimal however the pass ends.
class PreprocessingRadix {
 public:
  PreprocessingRadix() { command_tokens().default_radix = preprocessing_radix; }
  ~PreprocessingRadix() { command_tokens().default_radix = 16; }
  PreprocessingRadix(const PreprocessingRadix&) = delete;
  PreprocessingRadix& operator=(const PreprocessingRadix&) = delete;
};

}  // namespace

ConfigurationCommands& configuration_commands() { return commands; }

void LOAD_CONFIGURATION_COMMANDS() { LOAD_CONSTANT_ARRAY(configuration_table, commands.table); }

void FREE_CONFIGURATION_COMMANDS() { commands.table = ConstantArray{}; }

std::int32_t configuration_code(const ShortText& name) {
  std::int32_t code = -1;
  const auto count = static_cast<std::int32_t>(commands.table.rows.size());
  for (std::int32_t n = 1; n <= count; ++n) {
    if (trim(constant_row_name(commands.table, n)) == name) code = constant_row_number(commands.table, n);
  }
  return code;
}

void preprocess_command_file(const ShortText& file_name) {
  if (!valid_file_exists(file_name)) return;
  ScriptFile file;
  if (!file.open(file_name)) return;
  const PreprocessingRadix radix;
  std::int32_t line_number = 0;
  ShortText line;
  while (file.read_line(line)) {
    ++line_number;
    if (!is_configuration_line(line)) continue;
    TOKENIZE_COMMAND_LINE(trim(line));
    GET_NUMBER_PARAMETER(2);
    const CommandTokens& tokens = command_tokens();
    if (tokens.configuration_code < 0 || (needs_number(tokens.configuration_code) && tokens.error)) {
      script_line_error(line_number, "Pre-Processing Error", line);
    }
    apply(tokens.configuration_code);
    END_DEBUG_LINE();
    WRITELN_TO_DEBUG("Pre-processed line " + long_to_str(line_number) + " Ok :" + ShortText(1, '\x01') + line);
  }
}

}  // namespace vx::programmer

#include "programmer/command_line.h"

#include <array>
#include <optional>
#include <string_view>

#include "foundation/file_checks.h"
#include "foundation/kstring.h"
#include "foundation/run_control.h"
#include "foundation/status_output.h"
#include "foundation/system_helpers.h"
#include "platform/ws/shell.h"
#include "programmer/command_loop.h"
#include "programmer/command_table.h"
#include "programmer/command_tokens.h"
#include "programmer/configuration_commands.h"
#include "programmer/module_state.h"
#include "programmer/port_startup.h"
#include "programmer/program_files.h"
#include "interface/connection_settings.h"
#include "interface/port_ranges.h"
#include "interface/port_table.h"
#include "programmer/connection_settings.h"
#include "programmer/programmer_run.h"

namespace vx::programmer {
namespace {

constexpr std::string_view product_notice = "CQUILLHCS08 Programmer Version 1.71.00.00  ";
constexpr std::size_t port_text_limit = 100;

struct InterfaceWord {
  std::string_view word;
  std::int32_t type;
};

constexpr std::array<InterfaceWord, 15> interface_words{{
    {"INTERFACE=BDMQUORVEX", 0},
    {"INTERFACE=TETHERMC", 0},
    {"INTERFACE=TETHERCF", 0},
    {"INTERFACE=TETHERCFLV", 0},
    {"INTERFACE=TETHERPPC", 0},
    {"INTERFACE=TETHERPPCNEXUS", 0},
    {"INTERFACE=TETHER1632", 0},
    {"INTERFACE=TETHER16/32", 0},
    {"INTERFACE=TETHER16", 0},
    {"INTERFACE=TETHER32", 0},
    {"INTERFACE=TETHER12", 0},
    {"INTERFACE=USBQUORVEX", 1},
    {"INTERFACE=TAMBERLYPRO", 4},
    {"INTERFACE=TAMBERLYMAX", 4},
    {"INTERFACE=TAMBERLY", 4},
}};

CommandLine state;

// The scratch of one parse.
struct Parse {
  std::size_t index = 1;
  bool recognised = false;
  std::optional<ShortText> port_given;
  std::optional<std::int32_t> interface_given;
};

ShortText parameter(std::size_t index) {
  return index >= 1 && index <= state.parameters.size() ? state.parameters[index - 1] : ShortText();
}

ShortText current_word(const Parse& parse) { return upper_case(parameter(parse.index)); }

bool value_word_present(const Parse& parse) { return parse.index <= state.parameters.size(); }

bool digit_in(char c, char first, char last) { return c >= first && c <= last; }

[[noreturn]] void command_line_error(std::int32_t code, const ShortText& message) {
  WRITELN_TO_DEBUG(message);
  internal_prog_halt(code);
}

[[noreturn]] void invalid_parameter(const ShortText& word) {
  command_line_error(43, "Error - Invalid command line parameter (" + word + ").");
}

[[noreturn]] void port_settings_error() { command_line_error(54, "Error in Port/Interface settings on commandline."); }

void select_port(std::uint16_t port, std::int32_t interface_type) {
  state.selected_port = port;
  startup_settings().interface_selection = interface_type;
}

// Port n of a range; a number beyond the 16-bit port numbers would wrap into another range.
void select_numbered_port(PortRange range, std::int32_t n, std::int32_t interface_type) {
  if (n > 0xFFFF - port_of(range, 0)) port_settings_error();
  select_port(static_cast<std::uint16_t>(port_of(range, n)), interface_type);
}

// A word of one character is a switch or an error.
void single_character_word(const ShortText& word) {
  const char c = upcase_char(word[0]);
  if (c == '!') {
    run_state().exit_only_on_success = true;
  } else if (c == '?') {
    run_state().never_exit = true;
  } else if (digit_in(c, '1', '8')) {
    select_port(static_cast<std::uint16_t>(c - '0'), 0);
  } else if (c == 'V') {
    state.skip_srecord_range_check = true;
  } else {
    invalid_parameter(word);
  }
}

void alternative_sync_option(Parse& parse) {
  ++parse.index;
  CommandTokens& tokens = command_tokens();
  const std::uint8_t radix = tokens.default_radix;
  tokens.default_radix = 10;
  CONVERT_NUMBER_STRING(parameter(parse.index));
  tokens.default_radix = radix;
  if (tokens.error) {
    safe_message_dlg(0, "Error in command-line /NCL08SYNC options.", platform::DialogKind::error, platform::button_ok,
                     0);
    internal_prog_halt(93);
  }
  if (tokens.value != 0) vx::connection_settings().ncl08_sync_value = static_cast<std::uint16_t>(tokens.value);
}

void log_file_option(Parse& parse) {
  ++parse.index;
  const ShortText name = parameter(parse.index);
  if (!value_word_present(parse) || !status_output().log_file.create(name.str())) {
    command_line_error(43, "Error in logfile name on command line.(" + name + ")");
  }
  run_state().gui_status->set_log_recording(true);
}

void lpt_address_option(Parse& parse) {
  ++parse.index;
  ShortText value = parameter(parse.index);
  if (value.empty() || value[0] != '$') value = "$" + value;
  std::int32_t address = 0;
  if (!value_word_present(parse) || !str_to_long(value, address)) {
    command_line_error(42, "Error in lptport address on command line.(" + parameter(parse.index) + ")");
  }
  select_port(1, 0);
  state.user_lpt_address = static_cast<std::uint32_t>(address);
  state.user_lpt_address_set = true;
  select_user_lpt_address(state.user_lpt_address);
}

// "USBn": 54 when n is no number; only n > 0 names a port.
void usb_port_word(Parse& parse, const ShortText& word) {
  std::int32_t n = 0;
  if (!str_to_long(word.substr(3), n)) port_settings_error();
  if (n <= 0) return;
  select_numbered_port(PortRange::usb_interface, n, 1);
  parse.recognised = true;
  ++parse.index;
}

void activate_command_option(Parse& parse) {
  constexpr std::size_t keyword_length = std::string_view("ACTIVATECOMMAND=").size();
  std::int32_t number = 0;
  if (str_to_long(parameter(parse.index).substr(keyword_length), number) && number >= 1 && number <= command_count) {
    offer_command_by_default(number);
    parse.recognised = true;
  }
}

// A number option's value word: 42 with the option's message when it is missing or no number.
template <typename Value, typename Convert>
Value number_option(Parse& parse, Convert convert, const char* message) {
  ++parse.index;
  Value value{};
  if (!value_word_present(parse) || !convert(parameter(parse.index), value)) command_line_error(42, message);
  return value;
}

void longer_word(Parse& parse) {
  auto is = [&](std::string_view keyword) {
    const bool match = current_word(parse) == keyword;
    parse.recognised = parse.recognised || match;
    return match;
  };
  auto starts = [&](std::string_view keyword) { return current_word(parse).view().starts_with(keyword); };
  StartupSettings& settings = startup_settings();
  vx::ConnectionSettings& link = vx::connection_settings();

  if (is("/NCL08")) link.ncl08_mode = true;
  if (is("/NCL08SYNC")) {
    link.ncl08_mode = true;
    alternative_sync_option(parse);
  }
  if (is("NOSORT")) state.sort_flag = false;
  if (is("NOSCAN")) state.scan_ethernet_discovery = false;
  if (const ShortText word = current_word(parse); starts("LPT") && word.size() >= 4 && digit_in(word[3], '1', '8')) {
    select_port(static_cast<std::uint16_t>(word[3] - '0'), 0);
    parse.recognised = true;
  }
  if (is("/LOGFILE")) log_file_option(parse);
  if (is("LPTADDR")) lpt_address_option(parse);
  if (const ShortText word = current_word(parse); starts("PCI") && word.size() >= 4 && digit_in(word[3], '1', '9')) {
    select_port(static_cast<std::uint16_t>(port_of(PortRange::pci_card, word[3] - '0')), 0);
    parse.recognised = true;
    ++parse.index;
  }
  if (const ShortText word = current_word(parse);
      starts("PORT=PCI") && word.size() >= 9 && digit_in(word[8], '1', '9')) {
    select_port(static_cast<std::uint16_t>(port_of(PortRange::pci_card, word[8] - '0')), 0);
    parse.recognised = true;
    ++parse.index;
  }
  if (starts("SHOWPORTS")) write_port_list_file(parameter(parse.index));
  if (starts("USB")) usb_port_word(parse, current_word(parse));
  if (starts("ACTIVATECOMMAND=")) activate_command_option(parse);
  for (const InterfaceWord& interface : interface_words) {
    if (starts(interface.word)) {
      parse.interface_given = interface.type;
      parse.recognised = true;
      break;
    }
  }
  if (starts("PORT=")) {
    ShortText text = current_word(parse).substr(5);
    text.truncate(port_text_limit);
    parse.port_given = text;
    parse.recognised = true;
  }
  if (is("FREQ")) {
    state.fixed_bus_frequency =
        number_option<std::int32_t>(parse, str_to_long, "Error in frequency on command line.");
    state.fixed_bus_frequency_set = true;
  }
  if (is("HIDEAPP")) state.hide_main_window = true;
  if (is("PCI_DELAY") || is("BDM_SPEED")) {
    settings.bdm_speed = number_option<std::int32_t>(parse, str_to_long, "Error in pci_delay number on command line.");
  }
  if (is("IO_DELAY_CNT")) {
    link.io_delay_cnt =
        number_option<std::uint16_t>(parse, str_to_word, "Error in io_delay_cnt number on command line.");
    settings.io_delay_set = true;
  }
  if (is("RESET_DELAY")) {
    link.reset_delay_ms =
        number_option<std::uint16_t>(parse, str_to_word, "Error in reset_delay number on command line.");
  }
}

// Pre-processes the file and makes it the one the command loop reads.
void take_command_file(const ShortText& name) {
  preprocess_command_file(name);
  ProgrammerRun& run = programmer_run();
  // A file that cannot be read would run as an empty script and report success.
  if (!run.command_file.open(name)) invalid_parameter(name);
  run.command_file_given = true;
}

// "COMn" or "USBn" with n > 0; nothing otherwise, 54 for an unreadable n.
std::optional<std::int32_t> numbered_port(const ShortText& value, std::string_view prefix) {
  if (!value.view().starts_with(prefix)) return std::nullopt;
  std::int32_t n = 0;
  if (!str_to_long(value.substr(prefix.size()), n)) port_settings_error();
  if (n <= 0) return std::nullopt;
  return n;
}

void resolve_port(const ShortText& value, std::optional<std::int32_t> interface_type) {
  const bool single_digit = value.size() == 1 && digit_in(value[0], '1', '4');
  const bool ethernet_address = value.view().find('.') != std::string_view::npos;
  if (!interface_type) {
    if (single_digit) {
      interface_type = 0;
    } else if (value.view().starts_with("COM")) {
      interface_type = 2;
    } else if (ethernet_address) {
      interface_type = 3;
    } else {
      return;
    }
  }
  switch (*interface_type) {
    case 0:
      if (!single_digit) port_settings_error();
      select_port(static_cast<std::uint16_t>(value[0] - '0'), 0);
      return;
    case 1: {
      // A port number of 0 or less names no interface: refused rather than ignored.
      const std::optional<std::int32_t> n = numbered_port(value, "USB");
      if (!n) port_settings_error();
      select_numbered_port(PortRange::usb_interface, *n, 1);
      return;
    }
    default:
      if (const std::optional<std::int32_t> n = numbered_port(value, "COM")) {
        select_numbered_port(PortRange::serial, *n, 2);
      } else if (const std::optional<std::int32_t> m = numbered_port(value, "USB")) {
        select_numbered_port(PortRange::usb_programmer, *m, 4);
      } else if (ethernet_address) {
        select_port(static_cast<std::uint16_t>(port_of(PortRange::ethernet, 1)), 3);
        FIND_ETHERNET_PORT(value, state.selected_port, true);
      } else {
        port_settings_error();
      }
      return;
  }
}

void pre_scan() {
  for (const ShortText& parameter_word : state.parameters) {
    const ShortText word = upper_case(parameter_word);
    if (word == "NOSCAN" || (word.view().starts_with("PORT=") && word.view().find('.') != std::string_view::npos)) {
      state.scan_ethernet_discovery = false;
    }
  }
}

void reset_per_run_values() {
  ProgrammerRun& run = programmer_run();
  run.object_file_name = "none";
  run.object_file_specified = false;
  module_state().entries[entry::module_enable] = 0;
  run.current_address = 0;
  run.command_file_given = false;
}

}  // namespace

CommandLine& command_line() { return state; }

void reset_command_line(std::vector<ShortText> parameters) {
  state = CommandLine{};
  state.parameters = std::move(parameters);
}

void read_window_switches() {
  for (const ShortText& word : state.parameters) {
    if (upper_case(word) == "HIDEAPP") state.hide_main_window = true;
  }
  for (const ShortText& word : state.parameters) {
    if (word == "?") state.hide_main_window = false;
  }
}

bool command_file_named() {
  for (std::size_t i = 0; i < state.parameters.size(); ++i) {
    const bool log_file_name = i > 0 && upper_case(state.parameters[i - 1]) == "/LOGFILE";
    if (!log_file_name && valid_file_exists(state.parameters[i])) return true;
  }
  return false;
}

void parse_command_line() {
  pre_scan();
  port_table().ethernet_scan_enabled = state.scan_ethernet_discovery;
  scan_ports_ignoring_errors();
  Parse parse;
  std::optional<ShortText> help_file = beside_program("QUILLHCS08.HLP");
  if (help_file && resolve_file_name(*help_file, ShortText::max_length)) ws::set_help_file(help_file->str());
  load_connection_settings();
  state.selected_port = startup_settings().saved_port;
  reset_per_run_values();
  WRITE_TO_DEBUG(product_notice);

  for (parse.index = 1; parse.index <= state.parameters.size(); ++parse.index) {
    parse.recognised = false;
    const ShortText word = parameter(parse.index);
    if (word.size() == 1) {
      single_character_word(word);
      continue;
    }
    longer_word(parse);
    if (parse.recognised) continue;
    if (!valid_file_exists(word)) invalid_parameter(word);
    take_command_file(word);
  }

  if (!programmer_run().command_file_given) {
    const std::optional<ShortText> default_file = beside_program("quill.cfg");
    if (!default_file || !valid_file_exists(*default_file)) {
      END_DEBUG_LINE();
      WRITELN_TO_DEBUG("");
      command_line_error(40, "Configuration file not specified and file quill.cfg does not exist.");
    }
    take_command_file(*default_file);
  }

  if (parse.port_given) resolve_port(*parse.port_given, parse.interface_given);
  startup_settings().saved_port = state.selected_port;
  open_selected_port(state.selected_port);
  reset_command_tables();
}

}  // namespace vx::programmer

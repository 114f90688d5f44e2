#include "programmer/port_startup.h"

#include <fstream>
#include <optional>

#include "foundation/command_exception.h"
#include "foundation/kstring.h"
#include "foundation/run_control.h"
#include "foundation/status_output.h"
#include "interface/port_ranges.h"
#include "interface/port_state.h"
#include "interface/port_table.h"
#include "interface/serial/ad_sel_com.h"
#include "interface/target_connection.h"
#include "programmer/command_line.h"
#include "programmer/connection_manager.h"
#include "programmer/connection_settings.h"
#include "programmer/program_files.h"
#include "programmer/program_windows.h"

namespace vx::programmer {
namespace {

constexpr std::size_t left_part_width = 39;
constexpr std::int32_t showports_failed = 76;
// SHOWPORTS=file: the name starts at the eleventh character.
constexpr std::size_t showports_name_start = 10;

// Interface types in the order the list file takes them.
constexpr std::int32_t listed_types[] = {0, 1, 2, 4, 3};


std::optional<ShortText> list_file_name(const ShortText& word) {
  if (word.size() > showports_name_start && word[showports_name_start - 1] == '=') {
    const ShortText name = word.substr(showports_name_start);
    if (name.view().find_first_of("\\/:") != std::string_view::npos) return name;
    return beside_program(name);
  }
  return beside_program("ports.txt");
}

void write_list(std::ofstream& file) {
  Tconnectiondialog2* manager = program_windows().connectiondialog2.get();
  StartupSettings& settings = startup_settings();
  const std::int32_t chosen_type = settings.interface_selection;
  for (const std::int32_t type : listed_types) {
    settings.interface_selection = type;
    FILL_PORT_LIST();
    const std::size_t count = manager != nullptr ? manager->PCPort().items().size() : 0;
    for (std::size_t position = 0; position < count; ++position) {
      const std::int32_t port = PORT_AT_LIST_POSITION(static_cast<std::int32_t>(position));
      if (type == 2 && !serial::is_com_port_available(static_cast<std::uint32_t>(classify(port).n))) continue;
      file << pad_blanks(port_list_left_part(type, port), left_part_width).view() << " , " << manager->PCPort().items()[position]
           << "\r\n";
    }
  }
  // The list is no reason to store another interface type at the end of the run.
  settings.interface_selection = chosen_type;
}

}  // namespace

ShortText port_list_left_part(std::int32_t type, std::int32_t port) {
  switch (type) {
    case 0: return "port=" + long_to_str(port);
    case 1: return "interface=usbquorvex port=USB" + long_to_str(classify(port).n);
    case 2: return "interface=tamberly port=COM" + long_to_str(classify(port).n);
    // Read back by PORT=, a USB programmer is "USBn".
    case 4: return "interface=tamberly port=USB" + long_to_str(classify(port).n);
    default: return "interface=tamberly port=" + GET_ETHERNET_PORT_IP(port);
  }
}

void scan_ports_ignoring_errors() {
  try {
    SCAN_PORTS();
  } catch (const CommandException&) {
    throw;
  } catch (...) {
  }
}

void select_user_lpt_address(std::uint32_t address) {
  PortTable& table = port_table();
  table.lpt_address_option = address;
  table.lpt_address_option_set = true;
  table.ports_scanned = false;
  scan_ports_ignoring_errors();
  for (std::uint16_t port = 1; port <= 3; ++port) {
    if (table.values[port] == address) {
      command_line().selected_port = port;
      return;
    }
  }
}

void write_port_list_file(const ShortText& word) {
  try {
    const std::optional<ShortText> name = list_file_name(word);
    std::ofstream file;
    if (name) file.open(name->str(), std::ios::binary | std::ios::trunc);
    if (!name || !file) terminate_program(showports_failed);
    write_list(file);
    file.close();
    if (!file) terminate_program(showports_failed);
  } catch (const CommandException&) {
    throw;
  } catch (...) {
    terminate_program(showports_failed);
  }
  terminate_program(0);
}

void open_selected_port(std::uint16_t port) {
  if (!LOAD_PORT_DRIVER(port)) startup_settings().show_at_startup = true;
  apply_pci_delay(startup_settings().bdm_speed);
  // Without a base address there is nothing to write the start value to.
  if (port_state().port_base_address == 0) {
    END_DEBUG_LINE();
    WRITELN_TO_DEBUG("Error - Port is not available.");
    internal_prog_halt(32);
  }
  start_target_on_port();
}

}  // namespace vx::programmer

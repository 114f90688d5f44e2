#pragma once

#include <cstdint>

#include "foundation/short_text.h"

// The command line's part in reaching the target: the port scan, the rescan
// for a user parallel-port address, the port list file of SHOWPORTS, and
// opening the chosen port with the target put into background mode.
namespace vx::programmer {

// Runs the port scan; whatever it throws but a script end is ignored.
void scan_ports_ignoring_errors();
// LPTADDR: scans again with the address stored; the first of ports 1-3 at that address.
void select_user_lpt_address(std::uint32_t address);
// The left part of a port list line: what PORT= (with INTERFACE=) takes back for that port.
ShortText port_list_left_part(std::int32_t type, std::int32_t port);
// SHOWPORTS[=file]: writes the port list and ends the program with 0 (76 when it fails).
[[noreturn]] void write_port_list_file(const ShortText& word);
// Loads the selected port's driver and starts the target on it; 32 when the port has no
// base address.
void open_selected_port(std::uint16_t port);

}  // namespace vx::programmer

#include "foundation/kstring.h"
#include "foundation/program_trace.h"
#include "interface/byte_protocol.h"
#include "interface/interface_reset.h"
#include "interface/link_state.h"
#include "interface/programmer_link.h"

// The stand-alone programmer's part of an interface reset.
namespace vx {
namespace {

constexpr std::uint8_t interface_command = 7, programmer_initialisation = 48;
constexpr std::int32_t link_timeout_ms = 3000, serial_reset_wait_ms = 1500;
constexpr std::uint8_t longest_version = 10;

}  // namespace

void TAMBERLYPRO_INITIALIZATION() {
  trace_enter(link_prefix() + "TAMBERLYPRO_INITIALIZATION");
  repeat_until_good([] {
    SEND8(interface_command);
    SEND_CMD_LONG(programmer_initialisation);
  });
  trace_exit();
}

void RESET_TAMBERLYPRO() {
  trace_enter(link_prefix() + "RESET_TAMBERLYPRO");
  sap_set_timeouts(link_timeout_ms);
  byte_protocol().programmer_fill = 1;
  byte_protocol().programmer_read_position = 1;
  if (programmer_link().medium == SapMedium::serial && sap_check_identity() != sap_ok) {
    sap_reset_device(serial_reset_wait_ms);
  }
  // Without contact the reset reports it instead of halting here.
  if (link_state().link_status != 0) TAMBERLYPRO_INITIALIZATION();
  interface_version_text();
  trace_exit();
}

void interface_version_text() {
  InterfaceState& state = interface_state();
  state.major = 0;
  state.minor = 0;
  ShortText text = "0.00";
  if (link_state().link_status != 0) {
    if (sap_query_version(text, longest_version) != sap_ok || text.size() < 2 || text[1] != '.') text = "0.00";
  }
  std::int32_t major = 0;
  std::int32_t minor = 0;
  if (str_to_long(text.substr(0, 1), major) && str_to_long(text.substr(2, 2), minor)) {
    state.major = static_cast<std::uint8_t>(major);
    state.minor = static_cast<std::uint8_t>(minor);
  }
  state.version_text = ShortText(1, static_cast<char>('0' + state.major % 10));
  state.version_text += static_cast<char>('0' + state.minor / 10 % 10);
  state.version_text += static_cast<char>('0' + state.minor % 10);
  trace_line(link_prefix() + ")  Interface Version :" + text);
}

}  // namespace vx

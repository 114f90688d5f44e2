#include "interface/target_connection.h"

#include "foundation/kstring.h"
#include "foundation/microsecond_timer.h"
#include "foundation/program_trace.h"
#include "foundation/status_output.h"
#include "foundation/system_helpers.h"
#include "interface/byte_protocol.h"
#include "interface/cable_handshake.h"
#include "interface/connection_settings.h"
#include "interface/interface_kind.h"
#include "interface/interface_reset.h"
#include "interface/interface_speed.h"
#include "interface/link_state.h"
#include "interface/port_state.h"
#include "interface/power_dialog_form.h"
#include "interface/serial_transport.h"
#include "interface/target_exchange.h"
#include "interface/target_operations.h"
#include "interface/target_pins.h"
#include "interface/usb_routing.h"

namespace vx {
namespace {

constexpr std::uint8_t enbdm = 0x80, bdmact = 0x40, clksw = 0x08;
constexpr std::uint8_t interface_command = 7, reset_with_delay = 19, windriver_background_reset = 24,
                       background_reset = 1, board_supply_off = 32, board_supply_on = 33;
constexpr std::uint16_t reset_vector = 0xFFFE;
constexpr std::int32_t recovery_sync_parameter = 10, settle_ms = 10, reset_tries = 6;
constexpr std::int64_t board_supply_off_us = 250'000, board_supply_on_us = 5'000;

const char* const power_cycle_text =
    "The target MCU is not responding. Please turn MCU power off (Under 0.1v), turn MCU power on, and then click "
    "OK. This will attempt to enter debug mode through a power on reset sequence (BKGD currently is driven low).";

TargetConnection state;

std::uint8_t hi(std::uint32_t value) { return static_cast<std::uint8_t>(value >> 8); }
std::uint8_t lo(std::uint32_t value) { return static_cast<std::uint8_t>(value); }

bool in_background(std::uint8_t status) { return (status & (enbdm | bdmact)) == (enbdm | bdmact); }

std::int32_t sync_parameter() { return sync_state().sync_parameter; }

// Syncs and sets the speed; false when the target gave no sync.
bool synced(std::int32_t parameter) {
  sync_and_set_speed(parameter);
  return sync_state().sync_ok;
}

// The current divider from a measured frequency.
void set_speed_for(std::uint32_t frequency) {
  connection_settings().io_delay_cnt = bdm_speed_divider(frequency);
  SET_SPEED_NO_RESET();
}

// The recovery steps after a background reset that did not help.
bool board_supply_cycle() {
  const ShortText description = upper_case(usb_routing().open_usb_description);
  const bool board = on_windriver_usb() && (description.view().find("REF") != std::string_view::npos ||
                                            description.view().find("DEV") != std::string_view::npos ||
                                            description.view().find("DEMO") != std::string_view::npos);
  if (!board) return false;
  DRIVE_BKGD_LOW();
  exchange({interface_command, board_supply_off}, CommandWait::long_wait, false);
  delay_microseconds(board_supply_off_us);
  exchange({interface_command, board_supply_on}, CommandWait::long_wait, false);
  RELEASE_BKGD();
  delay_microseconds(board_supply_on_us);
  return true;
}

bool relay_power_cycle() {
  const bool relays = connection_settings().power_relays_in_use &&
                      (on_programmer() || (on_windriver_usb() && usb_routing().usb_mini_interface));
  if (!relays) return false;
  DRIVE_BKGD_LOW();
  interface_power_down();
  set_target_voltage(connection_settings().supply_selection);
  RELEASE_BKGD();
  delay_ms(settle_ms);
  return true;
}

bool user_power_cycle() {
  if (READ_VOLTAGE() * 5 < 255) return false;
  DRIVE_BKGD_LOW();
  show_power_dialog(PowerPrompt::power_cycle);
  RELEASE_BKGD();
  delay_ms(settle_ms);
  return true;
}

bool connected_after_reset() {
  if (!target_sync_ok()) return false;
  READ_RESET_LINE();
  return true;
}

}  // namespace

TargetConnection& target_connection() { return state; }
void reset_target_connection() { state = TargetConnection{}; }

bool FORCE_BACKGROUND_MODE() {
  trace_enter(link_prefix() + "FORCE_BACKGROUND_MODE");
  target_access().security_recheck = true;
  RESET_CABLE();
  // The connection is tried even when the reset found no interface.
  link_state().link_status = link_state().reload_value;
  bool ok = SET_SPEED_WITH_SYNC();
  if (ok) {
    GO_TO_BACKGROUND();
    GET_CPU_THINGS();
    mcu_registers().I = 1;
    PUT_CPU_THINGS();
    if (connection_settings().ncl08_mode) READ_DATA_BYTE(1);
    GET_PC();
    READ_PROG_WORD(reset_vector);
    mcu_registers().PC = static_cast<std::uint16_t>(link_state().reply_word);
    PUT_PC();
    ok = check_target_sync_while_stopped();
  }
  trace_exit();
  return ok;
}

bool SET_SPEED_WITH_SYNC() {
  trace_enter(link_prefix() + "SET_SPEED_WITH_SYNC");
  const bool ok = connect_target();
  trace_line(ok ? "RESULT = TRUE" : "RESULT = FALSE");
  trace_exit();
  return ok;
}

bool connect_target() {
  const std::uint32_t frequency = sync_with_retry(sync_parameter());
  if (frequency != 0) {
    set_speed_for(frequency);
    GO_TO_BACKGROUND();
  }
  if (target_sync_ok()) {
    const std::uint16_t delay = connection_settings().reset_delay_ms;
    exchange({interface_command, reset_with_delay, hi(delay), lo(delay)}, CommandWait::long_wait, false);
    if (connected_after_reset()) return true;
  }
  const std::uint16_t divider = connection_settings().io_delay_cnt;
  if (on_windriver_usb()) {
    exchange({interface_command, windriver_background_reset, hi(divider), lo(divider)}, CommandWait::long_wait, true);
  } else {
    exchange({background_reset, hi(divider), lo(divider)}, CommandWait::long_wait, true);
  }
  if (connection_settings().reset_delay_ms != 0) delay_ms(connection_settings().reset_delay_ms);
  if (connected_after_reset()) return true;
  READ_RESET_LINE();
  for (bool (*step)() : {board_supply_cycle, relay_power_cycle, user_power_cycle}) {
    if (step() && connected_after_reset()) return true;
  }
  return false;
}

bool target_sync_ok() {
  const std::uint32_t frequency = sync_with_retry(sync_parameter());
  if (frequency == 0) return false;
  set_speed_for(frequency);
  const std::uint16_t saved = read_breakpoint();
  write_breakpoint(0x1234);
  const std::uint16_t read_back = read_breakpoint();
  write_breakpoint(saved);
  return read_back == 0x1234 && in_background(READ_STATUS_BYTE());
}

bool ENABLE_BDM_MODE() {
  trace_enter(link_prefix() + "ENABLE_BDM_MODE");
  const bool ok = synced(sync_parameter());
  if (ok) {
    std::uint8_t status = READ_STATUS_BYTE();
    if ((status & enbdm) == 0) WRITE_CONTROL(status | enbdm);
    // Read again so the clock select write keeps the enable just written.
    status = READ_STATUS_BYTE();
    if ((status & clksw) == 0) {
      WRITE_CONTROL(status | clksw);
      delay_ms(sync_parameter());
      synced(sync_parameter());
    }
  }
  trace_exit();
  return ok;
}

bool GO_TO_BACKGROUND() {
  trace_enter(link_prefix() + "GO_TO_BACKGROUND");
  bool ok = synced(sync_parameter()) && ENABLE_BDM_MODE();
  if (ok) {
    if (READ_STATUS_BYTE() < (enbdm | bdmact)) {
      repeat_until_good([] {
        SEND_CMD_SHORT(bdc::BACKGROUND);
        if (on_usb_interface()) flush_usb_batch(ByteProtocol::batch_flush_timeout_ms);
      });
    }
    ok = WAIT_FOR_FREEZE();
  }
  trace_exit();
  return ok;
}

bool check_target_sync_while_stopped() {
  trace_enter(link_prefix() + "check_target_sync_while_stopped");
  ByteProtocol& protocol = byte_protocol();
  const bool halt_before = protocol.halt_on_failure;
  protocol.halt_on_failure = false;
  const std::uint16_t saved = read_breakpoint();
  write_breakpoint(0x0555);
  const bool first = read_breakpoint() == 0x0555;
  write_breakpoint(0x0AAA);
  const bool second = read_breakpoint() == 0x0AAA;
  const bool ok = first && second && link_state().link_status != 0;
  write_breakpoint(saved);
  protocol.halt_on_failure = halt_before;
  if (ok) trace_line("TRUE");
  trace_exit();
  return ok;
}

bool recover_from_reset() {
  if (!synced(recovery_sync_parameter)) return false;
  std::uint8_t status = READ_STATUS_BYTE();
  if (!in_background(status)) {
    WRITE_CONTROL(status | enbdm);
    GO_TO_BACKGROUND();
    for (std::int32_t tries = 0; tries < reset_tries && !in_background(status = READ_STATUS_BYTE()); ++tries) {
      synced(recovery_sync_parameter);
      WRITE_CONTROL(status | enbdm);
      GO_TO_BACKGROUND();
    }
    status = READ_STATUS_BYTE();
    const bool recovered = in_background(status);
    WRITE_CONTROL(status | enbdm | clksw);
    delay_ms(settle_ms);
    synced(recovery_sync_parameter);
    WRITELN_TO_DEBUG("Warning a RESET has occured.");
    // A target that is still not in background mode after every try is not recovered.
    if (!recovered) return false;
  }
  status = READ_STATUS_BYTE();
  if ((status & clksw) == 0) {
    WRITE_CONTROL(status | clksw);
    delay_ms(settle_ms);
    synced(recovery_sync_parameter);
  }
  return check_target_sync_while_stopped();
}

bool check_target_after_command() { return recover_from_reset(); }

void start_target_on_port() {
  port_out(static_cast<std::uint16_t>(port_state().port_base_address), 0xFF);
  FORCE_BACKGROUND_MODE();
  check_target_after_command();
}

void power_off_on_exit() {
  const ConnectionSettings& settings = connection_settings();
  const bool port_open = port_state().current_port != 0;
  const bool switchable = on_programmer() || (on_windriver_usb() && usb_routing().usb_mini_interface);
  if (settings.power_relays_in_use && settings.power_off_on_exit && link_state().link_status != 0 && port_open &&
      switchable) {
    interface_power_down();
  }
}

void show_power_dialog(PowerPrompt mode) {
  Tbdcpowerdialogform* form = state.power_dialog;
  if (form == nullptr) {
    safe_message_dlg(0, power_cycle_text, platform::DialogKind::information, platform::button_ok, 0);
    return;
  }
  int picture = 3;
  switch (mode) {
    case PowerPrompt::power_down:
      form->set_caption("Power Down Dialog");
      form->Label1().set_caption("Turn MCU power off (Under 0.1v) and Click OK. (Do NOT turn it back on yet.)");
      picture = 1;
      break;
    case PowerPrompt::power_up:
      form->set_caption("Power Up Dialog");
      form->Label1().set_caption("Turn MCU power on and Click OK.");
      picture = 2;
      break;
    default:
      form->set_caption("Power Cycle Dialog");
      form->Label1().set_caption(power_cycle_text);
      break;
  }
  for (int number = 1; number <= 3; ++number) form->Picture(number).set_visible(number == picture);
  form->show_modal();
}

}  // namespace vx

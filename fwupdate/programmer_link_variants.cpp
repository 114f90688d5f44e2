#include "fwupdate/programmer_link_variants.h"

#include <array>

#include "foundation/command_exception.h"
#include "fwupdate/usb_classification.h"
#include "interface/programmer_link.h"

namespace vx::updater {

std::uint8_t sap_set_shift_speed(std::uint16_t speed) {
  const std::array<std::uint8_t, 3> stream{shift_speed_command, static_cast<std::uint8_t>(speed & 0x1F),
                                           static_cast<std::uint8_t>((speed >> 5) & 0x7F)};
  sap_send_receive(stream, sap_control_channel);
  return sap_reply_status();
}

std::int32_t sap_usb_device_count(std::int32_t list) {
  if (list == 0) return usb_classification().programmers.count;
  if (list == 1) return usb_classification().traces.count;
  return 0;
}

std::int32_t sap_open_usb(std::int32_t n, bool trace_list) {
  sap_close();
  if (n < 1 || n > 19) n = 1;
  ProgrammerLink& link = programmer_link();
  try {
    const UsbClassification& lists = usb_classification();
    const ShortText serial = (trace_list ? lists.traces : lists.programmers).identifier(n).substr(0, 50);
    if (!select_usb_device(serial)) {
      link.open = false;
      return sap_usb_failed;
    }
    link.medium = SapMedium::usb;
    link.open = true;
    link.usb_identifier = serial;
    return sap_ok;
  } catch (const CommandException&) {
    throw;
  } catch (...) {
    link.open = false;
    link.medium = SapMedium::none;
    return sap_open_exception;
  }
}

}  // namespace vx::updater

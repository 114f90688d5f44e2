#include "interface/usb_routing.h"

#include <span>

#include "foundation/char_set.h"
#include "foundation/kstring.h"
#include "interface/drivers/ftdi_binding.h"
#include "interface/drivers/wdusb_devices.h"
#include "interface/drivers/wdusb_transfer.h"
#include "interface/interface_kind.h"
#include "interface/link_state.h"
#include "interface/port_counts.h"

namespace vx {
namespace {

enum Family : std::uint8_t { ftdi_family = 0, windriver_family = 1, no_family = 2 };

constexpr std::uint32_t resync_timeout_ms = 250;

UsbRouting routing;
const UsbDeviceList* device_list = nullptr;

ShortText line_field(std::int32_t field, const ShortText& line) {
  return extract_word(static_cast<std::uint8_t>(field), line, CharSet(","));
}

// After a reply that did not come: the interface command 7, 0xFF once, on a short time-out.
void resynchronise() {
  WdusbState& state = wdusb_state();
  std::array<std::uint8_t, LinkState::usb_buffer_size>& frame = link_state().usb_frame;
  frame[4] = 7;
  frame[5] = 0xFF;
  const std::uint32_t previous = state.transfer_timeout_ms;
  state.transfer_timeout_ms = resync_timeout_ms;
  if (wdusb_write(std::span<const std::uint8_t>(frame).subspan(4, 2))) {
    // Its answer is dropped: it must not pass for the reply the failed read missed.
    std::int32_t discarded = 0;
    wdusb_read(frame, discarded, resync_timeout_ms);
  }
  state.reply_unread = 0;
  state.reply_position = 0;
  state.transfer_timeout_ms = previous & 0xFFFF;
}

}  // namespace

void install_usb_device_list(const UsbDeviceList* list) { device_list = list; }

const UsbDeviceList* installed_usb_device_list() { return device_list; }

UsbRouting& usb_routing() { return routing; }

void reset_usb_routing() {
  close_usb_ports();
  routing = UsbRouting{};
}

ShortText GET_USB_DEVICE_FIELD(std::int32_t n, std::int32_t field) {
  if (device_list != nullptr) return device_list->field(n, field);
  const std::int32_t ftdi_count = ft_device_count();
  const WdusbDeviceTable& windriver = wdusb_state().interfaces;
  if (n < 1 || n > ftdi_count + windriver.count) return ShortText();
  const bool numbered_field = field >= 1 && field <= 7 && n <= UsbRouting::max_port;
  if (n <= ftdi_count) {
    const FtdiBinding& ftdi = ftdi_binding();
    const auto index = static_cast<std::size_t>(n - 1);
    if (field == 99 || (numbered_field && field == 2)) return ftdi.descriptions[index];
    if (numbered_field && (field == 1 || field == 3)) return ftdi.serial_numbers[index];
    return ShortText();
  }
  const std::int32_t k = n - ftdi_count;
  if (field == 99) return windriver.line(k);
  if (!numbered_field) return ShortText();
  if (field == 1) return windriver.identifier(k);
  return line_field(field, windriver.line(k));
}

ShortText GET_USB_DEVICE_SERIAL(std::int32_t n) { return GET_USB_DEVICE_FIELD(n, 1); }

ShortText GET_USB_DEVICE_DESCRIPTION(std::int32_t n) { return GET_USB_DEVICE_FIELD(n, 2); }

bool open_usb_port(std::int32_t n) {
  if (device_list != nullptr) {
    routing.open_usb_description = GET_USB_DEVICE_DESCRIPTION(n);
    return device_list->open(n);
  }
  close_usb_ports();
  if (n < 1 || n > port_counts().found_usb_interface_count || n > UsbRouting::max_port) {
    routing.open_usb_description = ShortText();
    return false;
  }
  const std::int32_t ftdi_count = ft_device_count();
  const WdusbDeviceTable& windriver = wdusb_state().interfaces;
  bool opened = false;
  if (n <= ftdi_count) {
    opened = ft_open_device(n);
    if (opened) {
      routing.usb_driver_family = ftdi_family;
      routing.usb_mini_interface = false;
    }
  } else if (n <= ftdi_count + windriver.count) {
    const std::int32_t k = n - ftdi_count;
    const ShortText model = upper_case(line_field(2, windriver.line(k)));
    opened = wdusb_open_device(windriver.identifier(k));
    if (opened) {
      routing.usb_driver_family = windriver_family;
      routing.usb_mini_interface = model.view().find("MINI") != std::string_view::npos;
    }
  } else {
    routing.usb_driver_family = no_family;
  }
  routing.open_usb_description = GET_USB_DEVICE_DESCRIPTION(n);
  return opened;
}

void close_usb_ports() {
  if (device_list != nullptr) return device_list->close();
  ft_close_device();
  wdusb_close();
  routing.usb_driver_family = no_family;
}

void usb_port_write(std::int32_t length, std::int32_t timeout_ms) {
  if (length < 0 || static_cast<std::size_t>(length) > LinkState::usb_buffer_size) return;
  if (device_list != nullptr) return device_list->write(length, timeout_ms);
  if (routing.usb_driver_family == ftdi_family) {
    ft_write(static_cast<std::uint32_t>(length));
  } else if (routing.usb_driver_family == windriver_family) {
    WdusbState& state = wdusb_state();
    state.reply_unread = 0;
    state.reply_position = 0;
    const std::size_t payload = length > 4 ? static_cast<std::size_t>(length) - 4 : 0;
    const std::span<const std::uint8_t> frame(link_state().usb_frame);
    // The payload goes out in the WinDriver framing; the reply comes back into the frame buffer.
    if (!wdusb_write(frame.subspan(4, payload)) || !routing.usb_expect_reply) return;
    if (!wdusb_read(link_state().usb_frame, state.reply_unread, static_cast<std::uint32_t>(timeout_ms)) &&
        on_usb_interface()) {
      resynchronise();
    }
  }
}

std::int32_t usb_port_bytes_waiting() {
  if (device_list != nullptr) return device_list->bytes_waiting();
  if (routing.usb_driver_family == ftdi_family) return static_cast<std::int32_t>(ft_rx_queue_count());
  if (routing.usb_driver_family == windriver_family) return wdusb_state().reply_unread;
  return 0;
}

void usb_port_read(std::int32_t count) {
  if (count <= 0) return;
  if (device_list != nullptr) return device_list->read(count);
  if (routing.usb_driver_family == ftdi_family) {
    ft_read(static_cast<std::uint32_t>(count));
  } else if (routing.usb_driver_family == windriver_family) {
    WdusbState& state = wdusb_state();
    LinkState& link = link_state();
    for (std::int32_t copied = 0; copied < count && state.reply_unread > 0 &&
                                  static_cast<std::size_t>(copied) < link.usb_reply.size() &&
                                  static_cast<std::size_t>(state.reply_position) < link.usb_frame.size();
         ++copied) {
      link.usb_reply[static_cast<std::size_t>(copied)] = link.usb_frame[static_cast<std::size_t>(state.reply_position)];
      ++state.reply_position;
      --state.reply_unread;
    }
  }
}

void usb_port_reset() {
  if (device_list != nullptr) return device_list->reset();
  if (routing.usb_driver_family == ftdi_family) {
    ft_reset_device();
  } else if (routing.usb_driver_family == windriver_family) {
    WdusbState& state = wdusb_state();
    state.reply_unread = 0;
    state.reply_position = 0;
    std::lock_guard lock(wdusb_mutex());
    state.last_status = 0;
  }
}

std::int32_t usb_port_status() {
  if (device_list != nullptr) return device_list->status();
  if (routing.usb_driver_family == ftdi_family) return static_cast<std::int32_t>(ftdi_binding().last_status);
  if (routing.usb_driver_family == windriver_family) {
    std::lock_guard lock(wdusb_mutex());
    return static_cast<std::int32_t>(wdusb_state().last_status);
  }
  return -1;
}

}  // namespace vx

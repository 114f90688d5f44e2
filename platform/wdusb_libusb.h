#pragma once

#include <cstdint>
#include <memory>

#include "platform/wdusb.h"

struct libusb_device;
struct libusb_device_handle;

namespace vx::platform {

// USB devices through libusb-1.0. Arrivals and departures come from libusb's
// hotplug callbacks, or from polling the device list every half second where
// the system has no hotplug events or `poll_only` asks for it; either way on
// an event thread of this bus, which stop joins. A device the user may not
// open is never reported: its node is recorded as refused instead.
UsbBus& libusb_bus();
std::unique_ptr<UsbBus> make_libusb_bus(bool poll_only);

// Whether a scan for `vendor` and `product` (0: any) takes the device.
bool libusb_scan_takes(std::uint16_t vendor, std::uint16_t product, const UsbDeviceInfo& device);

// Whether an open that libusb answered with `result` succeeded; a refused one
// records the node of device `address` on bus `bus` (see device_access.h).
bool note_usb_open(int result, std::uint8_t bus, std::uint8_t address);
// libusb_open with a refusal noted; answers libusb's result.
int open_usb_device(libusb_device* device, libusb_device_handle** handle);

}  // namespace vx::platform

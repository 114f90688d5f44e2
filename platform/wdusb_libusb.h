#pragma once

#include <memory>

#include "platform/wdusb.h"

namespace vx::platform {

// USB devices through libusb-1.0. Arrivals and departures come from libusb's
// hotplug callbacks, or from polling the device list every half second where
// the system has no hotplug events or `poll_only` asks for it; either way on
// an event thread of this bus, which stop joins.
UsbBus& libusb_bus();
std::unique_ptr<UsbBus> make_libusb_bus(bool poll_only);

}  // namespace vx::platform

#include "platform/serial/serial_device.h"

#include <atomic>
#include <charconv>
#include <optional>

#include "platform/registry.h"
#include "platform/serial/termios_device.h"

namespace vx::platform {
namespace {

std::atomic<SerialBackend*> installed_backend{nullptr};

bool starts_with_ignoring_case(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    const char c = text[i] >= 'a' && text[i] <= 'z' ? static_cast<char>(text[i] - 'a' + 'A') : text[i];
    if (c != prefix[i]) return false;
  }
  return true;
}

}  // namespace

SerialBackend& serial_backend() {
  SerialBackend* current = installed_backend.load(std::memory_order_acquire);
  return current != nullptr ? *current : termios_backend();
}

SerialBackend* install_serial_backend(SerialBackend* replacement) {
  SerialBackend* previous = installed_backend.exchange(replacement, std::memory_order_acq_rel);
  return previous != nullptr ? previous : &termios_backend();
}

std::uint32_t com_port_number(std::string_view name) {
  if (name.starts_with("\\\\.\\")) name.remove_prefix(4);
  if (!starts_with_ignoring_case(name, "COM")) return 0;
  name.remove_prefix(3);
  std::uint32_t number = 0;
  const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), number);
  if (error != std::errc{} || end != name.data() + name.size() || name.empty() || name.front() == '+') return 0;
  return number;
}

std::string serial_device_path(std::uint32_t n) {
  const std::string value_name = "COM" + std::to_string(n);
  if (const std::optional<RegistryKey> key = Registry::current_user().open_key(serial_ports_key)) {
    if (std::optional<std::string> path = key->read_string(value_name); path && !path->empty()) return *path;
  }
  return "/dev/ttyS" + std::to_string(n - 1);
}

}  // namespace vx::platform

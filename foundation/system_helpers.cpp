#include "foundation/system_helpers.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <exception>

namespace vx {

platform::DialogResult safe_message_dlg(std::uint8_t, std::string_view message, platform::DialogKind kind,
                                        platform::DialogButtons buttons, std::uint32_t help_context) {
  try {
    return platform::dialog_responder().message_box({std::string(message), kind, buttons, help_context});
  } catch (const std::exception&) {
    return platform::result_cancel;
  }
}

void safe_show_message(std::uint8_t, const ShortText& message) {
  try {
    platform::dialog_responder().message_box({message.str(), platform::DialogKind::custom, platform::button_ok, 0});
  } catch (const std::exception&) {
  }
}

void GET_EXE_PATH(ShortText& path) {
  std::array<char, 4096> buffer{};
  const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
  path = length > 0 ? ShortText(std::string_view(buffer.data(), static_cast<std::size_t>(length))) : ShortText();
}

bool directory_exists(const ShortText& name) {
  struct stat info {};
  return stat(name.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::uint32_t get_volume_label(std::string& label, char) {
  label.clear();
  return invalid_drive_error;
}

}  // namespace vx

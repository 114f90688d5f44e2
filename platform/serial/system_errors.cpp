#include <cerrno>
#include <cstring>

#include "platform/serial/serial_device.h"

namespace vx::platform {
namespace {

struct ErrnoCode {
  int error;
  std::uint32_t code;
};

// The first row of a code also gives that code's text.
constexpr ErrnoCode errno_codes[] = {
    {ENOTTY, ERROR_INVALID_FUNCTION},     {ENOENT, ERROR_FILE_NOT_FOUND},       {ENXIO, ERROR_FILE_NOT_FOUND},
    {ENODEV, ERROR_FILE_NOT_FOUND},       {ENOTDIR, ERROR_PATH_NOT_FOUND},      {EMFILE, ERROR_TOO_MANY_OPEN_FILES},
    {ENFILE, ERROR_TOO_MANY_OPEN_FILES},  {EBUSY, ERROR_ACCESS_DENIED},         {EWOULDBLOCK, ERROR_ACCESS_DENIED},
    {EACCES, ERROR_PRIVILEGE_NOT_HELD},   {EPERM, ERROR_PRIVILEGE_NOT_HELD},    {EBADF, ERROR_INVALID_HANDLE},
    {ENOMEM, ERROR_NOT_ENOUGH_MEMORY},    {EIO, ERROR_GEN_FAILURE},             {EINVAL, ERROR_INVALID_PARAMETER},
};

}  // namespace

std::uint32_t system_error_from_errno(int error) {
  for (const ErrnoCode& row : errno_codes) {
    if (row.error == error) return row.code;
  }
  return ERROR_GEN_FAILURE;
}

std::string system_error_text(std::uint32_t code) {
  for (const ErrnoCode& row : errno_codes) {
    if (row.code == code) return std::strerror(row.error);
  }
  return {};
}

}  // namespace vx::platform

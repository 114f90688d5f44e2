#include "platform/device_access.h"

#include <grp.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace vx::platform {
namespace {

// The group that may open the node, when one other than root does.
std::string owning_group(const std::string& node) {
  struct stat status {};
  if (::stat(node.c_str(), &status) != 0 || status.st_gid == 0 || (status.st_mode & S_IRWXG) == 0) return {};
  const group* owner = ::getgrgid(status.st_gid);
  return owner != nullptr ? owner->gr_name : std::string{};
}

std::string permission_remedy(const std::string& node) {
  const std::string group = owning_group(node);
  if (!group.empty()) {
    return "add your user to the group \"" + group + "\" (sudo usermod -aG " + group +
           " $USER, then log in again), or give the device a udev rule (see README)";
  }
  return "give the device a udev rule that lets your user open it (see README)";
}

}  // namespace

DeviceOpenFailure classify_open_error(int error) {
  switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO: return DeviceOpenFailure::missing;
    case EBUSY:
#if EAGAIN != EWOULDBLOCK
    case EAGAIN:
#endif
    case EWOULDBLOCK: return DeviceOpenFailure::in_use;
    case EACCES:
    case EPERM: return DeviceOpenFailure::no_permission;
    default: return DeviceOpenFailure::other;
  }
}

std::string device_open_problem(const std::string& node, int error) {
  switch (classify_open_error(error)) {
    case DeviceOpenFailure::missing: return node + " does not exist: is the device connected?";
    case DeviceOpenFailure::in_use: return node + " is in use by another program";
    case DeviceOpenFailure::no_permission: return "No permission to open " + node + ": " + permission_remedy(node);
    case DeviceOpenFailure::other: break;
  }
  return node + " cannot be opened: " + std::strerror(error);
}

}  // namespace vx::platform

#include "platform/device_access.h"

#include <grp.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>

namespace vx::platform {
namespace {

// The group that may open the node, when one other than root does.
std::string owning_group(const std::string& node) {
  struct stat status {};
  if (::stat(node.c_str(), &status) != 0 || status.st_gid == 0 || (status.st_mode & S_IRWXG) == 0) return {};
  const group* owner = ::getgrgid(status.st_gid);
  return owner != nullptr ? owner->gr_name : std::string{};
}

struct RefusedDevices {
  std::mutex mutex;
  std::set<std::string> handed_out;
  std::vector<std::string> waiting;
};

RefusedDevices refused;

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

std::string usb_device_node(std::uint8_t bus, std::uint8_t address) {
  char node[32];
  std::snprintf(node, sizeof node, "/dev/bus/usb/%03u/%03u", unsigned{bus}, unsigned{address});
  return node;
}

void record_refused_device(const std::string& node) {
  std::lock_guard lock(refused.mutex);
  if (refused.handed_out.contains(node)) return;
  if (std::find(refused.waiting.begin(), refused.waiting.end(), node) == refused.waiting.end()) {
    refused.waiting.push_back(node);
  }
}

std::vector<std::string> take_refused_devices() {
  std::lock_guard lock(refused.mutex);
  std::vector<std::string> taken = std::move(refused.waiting);
  refused.waiting.clear();
  refused.handed_out.insert(taken.begin(), taken.end());
  return taken;
}

void reset_refused_devices() {
  std::lock_guard lock(refused.mutex);
  refused.handed_out.clear();
  refused.waiting.clear();
}

}  // namespace vx::platform

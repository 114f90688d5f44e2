#include "platform/thread_priority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>

namespace vx::platform {

std::int64_t current_thread_id() { return static_cast<std::int64_t>(syscall(SYS_gettid)); }

void set_thread_priority(std::int64_t thread_id, std::uint8_t level) {
  static constexpr int nice_of_level[] = {19, 10, 5, 0, -5, -10, -20};
  const int nice = nice_of_level[std::min<std::uint8_t>(level, 6)];
  setpriority(PRIO_PROCESS, static_cast<id_t>(thread_id), nice);
}

}  // namespace vx::platform

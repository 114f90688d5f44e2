#include "platform/beep.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>

namespace vx::platform {
namespace {

std::atomic<std::uint64_t> beeps{0};

}  // namespace

void beep() {
  beeps.fetch_add(1, std::memory_order_relaxed);
  if (isatty(STDERR_FILENO) == 1) {
    std::fputc('\a', stderr);
    std::fflush(stderr);
  }
}

std::uint64_t beep_count() { return beeps.load(std::memory_order_relaxed); }

}  // namespace vx::platform

#include "sim/flash_writes.h"

#include <signal.h>
#include <unistd.h>

namespace vx::sim {

void FlashWrites::written() {
  if (keep_) keep_();
  if (++count_ == kill_after_) ::kill(::getpid(), SIGKILL);
}

}  // namespace vx::sim

#include "controls/helpers.h"
#include "platform/local_time.h"

namespace vx::controls {

int CurrentCentury() { return platform::local_time().year / 100 * 100; }

}  // namespace vx::controls

#include "interface/port_counts.h"

namespace vx {
namespace {

PortCounts counts;

}  // namespace

PortCounts& port_counts() { return counts; }

void reset_port_counts() { counts = PortCounts{}; }

}  // namespace vx

#include "interface/connection_settings.h"

namespace vx {
namespace {

ConnectionSettings settings;

}  // namespace

ConnectionSettings& connection_settings() { return settings; }

void reset_connection_settings() { settings = ConnectionSettings{}; }

}  // namespace vx

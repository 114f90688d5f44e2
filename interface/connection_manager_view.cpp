#include "interface/connection_manager_view.h"

namespace vx {
namespace {

ConnectionManagerView* registered = nullptr;

}  // namespace

void register_connection_manager_view(ConnectionManagerView* view) { registered = view; }

ConnectionManagerView* connection_manager_view() { return registered; }

}  // namespace vx

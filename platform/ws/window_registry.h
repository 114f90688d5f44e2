#pragma once

#include <map>
#include <mutex>
#include <set>

#include "platform/ws/types.h"

// The registry behind the windows, shared by the window, focus and painting
// units of the layer; nothing outside the layer uses it.
namespace vx::ws {

class Window;

namespace detail {

struct WindowRegistry {
  std::mutex mutex;  // guards windows: posts from other threads look handles up
  std::map<WindowHandle, Window*> windows;
  WindowHandle last_handle = no_window;  // never reset: handles are never reused
  std::set<WindowHandle> invalid;
  WindowHandle focus = no_window;
  WindowHandle capture = no_window;
  WindowHandle hover = no_window;
  WindowHandle active_form = no_window;
  WindowHandle foreground = no_window;
};

WindowRegistry& registry();

}  // namespace detail
}  // namespace vx::ws

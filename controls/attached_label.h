#pragma once

#include <string>

#include "platform/ws/controls.h"

namespace vx::controls {

// A caption label above a control. It follows the control; when it is
// moved on its own, the control takes the new place as its offsets.
class TOvcAttachedLabel : public ws::Label {
 public:
  TOvcAttachedLabel(ws::Window* parent, ws::Window& control);

  ws::Window* Control() const { return ws::find_window(control_); }
  std::string Name;

 protected:
  void bounds_changed(const ws::Rect& old_bounds) override;

 private:
  ws::WindowHandle control_;
};

}  // namespace vx::controls

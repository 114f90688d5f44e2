#include "controls/attached_label.h"

#include "controls/control_messages.h"
#include "platform/ws/application.h"

namespace vx::controls {

TOvcAttachedLabel::TOvcAttachedLabel(ws::Window* parent, ws::Window& control)
    : ws::Label(parent), control_(control.handle()) {
  set_auto_size(true);
  set_transparent(false);
}

// Told at once: offsets taken later could be measured against a control
// that has moved in between.
void TOvcAttachedLabel::bounds_changed(const ws::Rect&) {
  ws::send_message(control_, MSG_ATTACH_LABEL, 0, static_cast<ws::LParam>(handle()));
}

}  // namespace vx::controls

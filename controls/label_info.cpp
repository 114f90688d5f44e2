#include "controls/label_info.h"

namespace vx::controls {

void TOvcLabelInfo::SetOffsetX(std::int32_t offset) {
  if (offset == offset_x_) return;
  offset_x_ = offset;
  if (OnOffsetChange) OnOffsetChange();
}

void TOvcLabelInfo::SetOffsetY(std::int32_t offset) {
  if (offset == offset_y_) return;
  offset_y_ = offset;
  if (OnOffsetChange) OnOffsetChange();
}

void TOvcLabelInfo::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  if (OnVisibleChange) OnVisibleChange();
}

}  // namespace vx::controls

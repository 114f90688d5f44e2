#pragma once

#include <cstdint>
#include <functional>

namespace vx::controls {

// Where a control's caption label sits and whether it is shown; the
// owning control acts on each change.
class TOvcLabelInfo {
 public:
  std::int32_t OffsetX() const { return offset_x_; }
  std::int32_t OffsetY() const { return offset_y_; }
  bool Visible() const { return visible_; }
  void SetOffsetX(std::int32_t offset);
  void SetOffsetY(std::int32_t offset);
  void SetVisible(bool visible);

  std::function<void()> OnVisibleChange;
  std::function<void()> OnOffsetChange;

 private:
  friend class TOvcCustomControl;

  std::int32_t offset_x_ = 0;
  std::int32_t offset_y_ = 0;
  bool visible_ = false;
};

}  // namespace vx::controls

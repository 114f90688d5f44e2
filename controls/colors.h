#pragma once

#include <functional>

#include "platform/ws/color.h"

namespace vx::controls {

// A text and background colour pair that remembers its defaults: UseDefault
// holds while both colours are the defaults a caller last asked for.
class TOvcColors {
 public:
  TOvcColors(ws::Color default_text, ws::Color default_back);
  TOvcColors(const TOvcColors&) = delete;
  TOvcColors& operator=(const TOvcColors&) = delete;

  ws::Color BackColor() const { return BackColor_; }
  void SetBackColor(ws::Color value);
  ws::Color TextColor() const { return TextColor_; }
  void SetTextColor(ws::Color value);
  bool UseDefault() const { return UseDefault_; }
  void SetUseDefault(bool value);

  // Through the setters, so UseDefault follows the source's colours.
  void Assign(const TOvcColors& source);

  void NotifyChange();
  // Without notification.
  void ResetToDefaults();

  // The owner's reaction to a change (a repaint).
  std::function<void()> OnColorChange;

 private:
  ws::Color DefaultBack_;
  ws::Color DefaultText_;
  ws::Color BackColor_;
  ws::Color TextColor_;
  bool UseDefault_ = true;
};

// The entry field's colours when disabled, in error and highlighted.
class TOvcEfColors {
 public:
  TOvcEfColors();
  TOvcEfColors(const TOvcEfColors&) = delete;
  TOvcEfColors& operator=(const TOvcEfColors&) = delete;

  TOvcColors& Disabled() { return Disabled_; }
  const TOvcColors& Disabled() const { return Disabled_; }
  TOvcColors& Error() { return Error_; }
  const TOvcColors& Error() const { return Error_; }
  TOvcColors& Highlight() { return Highlight_; }
  const TOvcColors& Highlight() const { return Highlight_; }

  void Assign(const TOvcEfColors& source);

 private:
  TOvcColors Disabled_;
  TOvcColors Error_;
  TOvcColors Highlight_;
};

}  // namespace vx::controls

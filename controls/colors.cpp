#include "controls/colors.h"

namespace vx::controls {

TOvcColors::TOvcColors(ws::Color default_text, ws::Color default_back)
    : DefaultBack_(default_back), DefaultText_(default_text), BackColor_(default_back), TextColor_(default_text) {}

void TOvcColors::SetBackColor(ws::Color value) {
  if (value == BackColor_) return;
  if (value != DefaultBack_) UseDefault_ = false;
  BackColor_ = value;
  NotifyChange();
}

void TOvcColors::SetTextColor(ws::Color value) {
  if (value == TextColor_) return;
  if (value != DefaultText_) UseDefault_ = false;
  TextColor_ = value;
  NotifyChange();
}

void TOvcColors::SetUseDefault(bool value) {
  UseDefault_ = value;
  if (!value) return;
  ResetToDefaults();
  NotifyChange();
}

void TOvcColors::Assign(const TOvcColors& source) {
  SetBackColor(source.BackColor());
  SetTextColor(source.TextColor());
}

void TOvcColors::NotifyChange() {
  if (OnColorChange) OnColorChange();
}

void TOvcColors::ResetToDefaults() {
  BackColor_ = DefaultBack_;
  TextColor_ = DefaultText_;
}

TOvcEfColors::TOvcEfColors()
    : Disabled_(ws::color::gray_text, ws::color::window),
      Error_(ws::color::black, ws::color::red),
      Highlight_(ws::color::highlight_text, ws::color::highlight) {}

void TOvcEfColors::Assign(const TOvcEfColors& source) {
  Disabled_.Assign(source.Disabled());
  Error_.Assign(source.Error());
  Highlight_.Assign(source.Highlight());
}

}  // namespace vx::controls

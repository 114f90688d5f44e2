#include "controls/borders.h"

namespace vx::controls {

void TOvcBorder::SetEnabled(bool value) {
  if (value == Enabled_) return;
  Enabled_ = value;
  Changed();
}

void TOvcBorder::SetBorderStyle(TOvcBorderStyle value) {
  if (value == BorderStyle_) return;
  BorderStyle_ = value;
  Changed();
}

void TOvcBorder::SetPenColor(ws::Color value) {
  if (value == PenColor_) return;
  PenColor_ = value;
  Changed();
}

void TOvcBorder::SetPenStyle(ws::PenStyle value) {
  if (value == PenStyle_) return;
  PenStyle_ = value;
  Changed();
}

void TOvcBorder::SetPenWidth(int value) {
  if (value <= 0 || value == PenWidth_) return;
  PenWidth_ = value;
  Changed();
}

void TOvcBorder::Assign(const TOvcBorder& source) {
  SetEnabled(source.Enabled());
  SetPenColor(source.PenColor());
  SetPenStyle(source.PenStyle());
  SetPenWidth(source.PenWidth());
}

void TOvcBorder::Changed() {
  if (OnChange) OnChange(*this);
}

void TOvcBorders::Assign(const TOvcBorders& source) {
  LeftBorder_.Assign(source.LeftBorder());
  RightBorder_.Assign(source.RightBorder());
  TopBorder_.Assign(source.TopBorder());
  BottomBorder_.Assign(source.BottomBorder());
}

}  // namespace vx::controls

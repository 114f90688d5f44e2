#include "controls/caret.h"

#include <algorithm>

namespace vx::controls {

void TOvcCaret::SetAlign(TOvcCaretAlign value) {
  if (value == Align_) return;
  Align_ = value;
  NotifyChange();
}

void TOvcCaret::SetBitmap(const ws::Bitmap& value) {
  Bitmap_ = value;
  NotifyChange();
}

void TOvcCaret::SetBitmapHotSpotX(int value) {
  BitmapHotSpotX_ = value;
  if (Shape_ == TOvcCaretShape::csBitmap) NotifyChange();
}

void TOvcCaret::SetBitmapHotSpotY(int value) {
  BitmapHotSpotY_ = value;
  if (Shape_ == TOvcCaretShape::csBitmap) NotifyChange();
}

void TOvcCaret::SetBlinkTime(std::uint16_t value) {
  if (value == BlinkTime_) return;
  BlinkTime_ = value;
  NotifyChange();
}

void TOvcCaret::SetCaretHeight(int value) {
  if (value <= 0 || value == CaretHeight_) return;
  CaretHeight_ = value;
  NotifyChange();
}

void TOvcCaret::SetCaretWidth(int value) {
  if (value <= 0 || value == CaretWidth_) return;
  CaretWidth_ = value;
  NotifyChange();
}

void TOvcCaret::SetIsGray(bool value) {
  if (value == IsGray_) return;
  IsGray_ = value;
  NotifyChange();
}

void TOvcCaret::SetShape(TOvcCaretShape value) {
  if (value == Shape_) return;
  Shape_ = value;
  switch (value) {
    case TOvcCaretShape::csBlock:
      Align_ = TOvcCaretAlign::caLeft;
      break;
    case TOvcCaretShape::csHalfBlock:
      Align_ = TOvcCaretAlign::caBottom;
      break;
    case TOvcCaretShape::csVertLine:
      Align_ = TOvcCaretAlign::caLeft;
      CaretWidth_ = 2;
      break;
    case TOvcCaretShape::csHorzLine:
      Align_ = TOvcCaretAlign::caBottom;
      CaretHeight_ = 2;
      break;
    case TOvcCaretShape::csBitmap:
      if (Bitmap_.size().height > 0) CaretHeight_ = Bitmap_.size().height;
      if (Bitmap_.size().width > 0) CaretWidth_ = Bitmap_.size().width;
      break;
    case TOvcCaretShape::csCustom:
      break;
  }
  NotifyChange();
}

void TOvcCaret::Attach(const void* user, std::function<void()> on_change) {
  Users_.emplace_back(user, std::move(on_change));
}

void TOvcCaret::Detach(const void* user) {
  std::erase_if(Users_, [user](const auto& entry) { return entry.first == user; });
}

void TOvcCaret::NotifyChange() {
  // A user's reaction may change this caret again; the list itself stays put.
  for (std::size_t i = 0; i < Users_.size(); ++i) Users_[i].second();
}

}  // namespace vx::controls

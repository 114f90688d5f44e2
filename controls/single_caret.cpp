#include "controls/single_caret.h"

#include <algorithm>
#include <utility>

#include "platform/ws/caret.h"
#include "platform/ws/window.h"

namespace vx::controls {
namespace {

// Where the window system's caret goes for a cell position; no position stays so.
int system_coordinate(int cell, int offset) {
  if (cell == TOvcSingleCaret::no_position) return cell;
  return static_cast<int>(std::min<std::int64_t>(std::int64_t{cell} + offset, TOvcSingleCaret::no_position));
}

}  // namespace

TOvcSingleCaret::TOvcSingleCaret(ws::Window* owner)
    : Owner_(owner != nullptr ? owner->handle() : ws::no_window), Caret_(std::make_shared<TOvcCaret>()) {
  Caret_->Attach(this, [this] { Reapply(); });
  ApplyCaret();
}

TOvcSingleCaret::~TOvcSingleCaret() {
  SetLinked(false);
  Caret_->Detach(this);
}

void TOvcSingleCaret::SetCaret(std::shared_ptr<TOvcCaret> caret) {
  if (caret == nullptr || caret == Caret_) return;
  Caret_->Detach(this);
  Caret_ = std::move(caret);
  Caret_->Attach(this, [this] { Reapply(); });
  Reapply();
}

void TOvcSingleCaret::SetCellHeight(int value) {
  if (value <= 0 || value == CellHeight_) return;
  CellHeight_ = value;
  Reapply();
}

void TOvcSingleCaret::SetCellWidth(int value) {
  if (value <= 0 || value == CellWidth_) return;
  CellWidth_ = value;
  Reapply();
}

void TOvcSingleCaret::SetLinked(bool value) {
  if (value == Linked_) return;
  if (value) {
    ws::Window* owner = OwnerWindow();
    if (owner == nullptr) return;
    Linked_ = true;
    SavedBlinkTime_ = ws::caret().blink_time_ms;
    CreateSystemCaret(*owner);
    const std::uint16_t blink = Caret_->BlinkTime();
    if (blink != 0 && blink != SavedBlinkTime_) ws::set_caret_blink_time(blink);
  } else {
    Linked_ = false;
    ws::set_caret_blink_time(SavedBlinkTime_);
    if (Owner_ != ws::no_window && ws::caret().owner == Owner_) ws::destroy_caret();
  }
}

void TOvcSingleCaret::SetVisible(bool value) {
  if (value == Visible_) return;
  Visible_ = value;
  ws::Window* owner = OwnerWindow();
  if (!Linked_ || owner == nullptr) return;
  if (value) {
    ws::show_caret(*owner);
  } else {
    ws::hide_caret(*owner);
  }
}

void TOvcSingleCaret::SetPosition(int x, int y) {
  if (x < 0) x = no_position;
  if (y < 0) y = no_position;
  if (x == X_ && y == Y_) return;
  X_ = x;
  Y_ = y;
  if (Linked_) MoveSystemCaret();
}

ws::Window* TOvcSingleCaret::OwnerWindow() const { return Owner_ == ws::no_window ? nullptr : ws::find_window(Owner_); }

void TOvcSingleCaret::ApplyCaret() {
  TOvcCaret& caret = *Caret_;
  Applying_ = true;
  switch (caret.Shape()) {
    case TOvcCaretShape::csBlock:
      caret.SetCaretHeight(CellHeight_);
      caret.SetCaretWidth(CellWidth_);
      break;
    case TOvcCaretShape::csHalfBlock:
      caret.SetCaretHeight(CellHeight_ / 2);
      caret.SetCaretWidth(CellWidth_);
      break;
    case TOvcCaretShape::csVertLine:
      caret.SetCaretHeight(CellHeight_);
      break;
    case TOvcCaretShape::csHorzLine:
      caret.SetCaretWidth(CellWidth_);
      break;
    case TOvcCaretShape::csCustom:
    case TOvcCaretShape::csBitmap:
      break;
  }
  Applying_ = false;

  const int free_width = CellWidth_ - caret.CaretWidth();
  const int free_height = CellHeight_ - caret.CaretHeight();
  int dx = 0;
  int dy = 0;
  switch (caret.Align()) {
    case TOvcCaretAlign::caLeft:
      dy = free_height / 2;
      break;
    case TOvcCaretAlign::caTop:
      dx = free_width / 2;
      break;
    case TOvcCaretAlign::caRight:
      dx = free_width;
      dy = free_height / 2;
      break;
    case TOvcCaretAlign::caBottom:
      dx = free_width / 2;
      dy = free_height;
      break;
    case TOvcCaretAlign::caCenter:
      dx = free_width / 2;
      dy = free_height / 2;
      break;
  }
  if (caret.Shape() == TOvcCaretShape::csBitmap) {
    dx -= caret.BitmapHotSpotX();
    dy -= caret.BitmapHotSpotY();
  }
  if (dx == Dx_ && dy == Dy_) return;
  Dx_ = dx;
  Dy_ = dy;
  if (Linked_) MoveSystemCaret();
}

// The window system's caret takes its size when created, so it is made afresh.
void TOvcSingleCaret::Reapply() {
  if (Applying_) return;
  const bool was_linked = Linked_;
  SetLinked(false);
  ApplyCaret();
  if (was_linked) SetLinked(true);
}

// A bitmap caret is a solid caret of the bitmap's size.
void TOvcSingleCaret::CreateSystemCaret(ws::Window& owner) {
  const TOvcCaret& caret = *Caret_;
  if (caret.Shape() == TOvcCaretShape::csBitmap) {
    ws::create_caret(owner, caret.Bitmap().size().width, caret.Bitmap().size().height);
  } else {
    ws::create_caret(owner, caret.CaretWidth(), caret.CaretHeight(), caret.IsGray());
  }
  MoveSystemCaret();
  if (Visible_) ws::show_caret(owner);
}

void TOvcSingleCaret::MoveSystemCaret() {
  ws::set_caret_position(system_coordinate(X_, Dx_), system_coordinate(Y_, Dy_));
}

}  // namespace vx::controls

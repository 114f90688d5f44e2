#include "controls/caret_pair.h"

#include <utility>

namespace vx::controls {

TOvcCaretPair::TOvcCaretPair(ws::Window* owner)
    : TOvcSingleCaret(owner),
      InsertCaret_(std::make_shared<TOvcCaret>()),
      OverwriteCaret_(std::make_shared<TOvcCaret>()) {
  OverwriteCaret_->SetShape(TOvcCaretShape::csBlock);
  SetCaret(InsertCaret_);
}

void TOvcCaretPair::SetInsertMode(bool value) {
  if (value == InsertMode_) return;
  InsertMode_ = value;
  SetCaret(value ? InsertCaret_ : OverwriteCaret_);
}

void TOvcCaretPair::SetInsertCaret(std::shared_ptr<TOvcCaret> caret) {
  if (caret == nullptr || caret == InsertCaret_) return;
  InsertCaret_ = std::move(caret);
  if (InsertMode_) SetCaret(InsertCaret_);
}

void TOvcCaretPair::SetOverwriteCaret(std::shared_ptr<TOvcCaret> caret) {
  if (caret == nullptr || caret == OverwriteCaret_) return;
  OverwriteCaret_ = std::move(caret);
  if (!InsertMode_) SetCaret(OverwriteCaret_);
}

}  // namespace vx::controls

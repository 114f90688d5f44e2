#pragma once

#include <memory>

#include "controls/single_caret.h"

namespace vx::controls {

// The insert and overwrite carets of an entry field; the insert mode picks
// the one shown. Setting a pair's caret to another pair's shares it.
class TOvcCaretPair : public TOvcSingleCaret {
 public:
  // The insert caret is a line, the overwrite caret a block.
  explicit TOvcCaretPair(ws::Window* owner);

  bool InsertMode() const { return InsertMode_; }
  void SetInsertMode(bool value);
  const std::shared_ptr<TOvcCaret>& InsertCaret() const { return InsertCaret_; }
  void SetInsertCaret(std::shared_ptr<TOvcCaret> caret);
  const std::shared_ptr<TOvcCaret>& OverwriteCaret() const { return OverwriteCaret_; }
  void SetOverwriteCaret(std::shared_ptr<TOvcCaret> caret);

 private:
  std::shared_ptr<TOvcCaret> InsertCaret_;
  std::shared_ptr<TOvcCaret> OverwriteCaret_;
  bool InsertMode_ = true;
};

}  // namespace vx::controls

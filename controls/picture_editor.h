#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "controls/picture_field.h"

namespace vx::controls {

// One editing command on a picture field: the caret never rests on a
// literal, typing stays within one data run, and the digits keep to the
// mask's decimal point.
class PictureEditor {
 public:
  PictureEditor(TOvcCustomPictureField& field, ws::Message& message, std::uint16_t command);

  void FullCommand();
  // Char, Boolean and YesNo: the caret stays on the one position.
  void OnePositionCommand();

 private:
  std::string& text() { return field_.Text(); }
  const std::string& text() const { return field_.Text(); }
  std::size_t caret() const { return field_.CaretColumn(); }
  void set_caret(std::size_t column) { field_.SetCaret(column); }
  bool literal(std::size_t position) const { return field_.IsLiteralAt(position); }
  bool point_valid() const { return point_ >= 0; }
  std::size_t point() const { return static_cast<std::size_t>(point_); }
  std::size_t max_length() const { return field_.MaxLength(); }

  std::size_t RunStart(std::size_t position) const;
  std::size_t RunEnd(std::size_t position) const;
  void MoveRight();
  void MoveLeft();
  bool AutoAdvance(std::ptrdiff_t position);
  bool CharFits(char& c) const;
  char MaskCharForCaret() const;
  bool InsertAtCaret(char c, bool beep);
  void DeleteAtCaret();
  void BlankRange(std::size_t from, std::size_t to);
  void CloseUp(std::size_t from, std::size_t to, std::size_t run_end);
  void DeleteSelection();
  void NextSubField();
  void CaretFromActiveEnd(int direction);
  void UpdateSelection(std::int32_t active);
  void ExtendBy(int step);
  void TypeChar(char typed);
  void Paste(const char* pasted);
  void MouseDown(bool shift);
  void MouseMove();
  void DoubleClick();
  void WordLeft();
  void WordRight();
  void DeleteWord();
  void CompleteDateOrTime();
  // The families of FullCommand.
  void DeleteCommand();
  void CaretCommand();
  void LeftOrAdvance();
  void RightOrAdvance();
  void ExtendCommand();
  void ExtendWordLeft();
  void ExtendWordRight();
  std::int32_t MouseColumn();
  void SelectionChanged(std::int32_t active);
  void FinalStep(bool decimals);

  TOvcCustomPictureField& field_;
  ws::Message& message_;
  std::uint16_t command_;
  std::size_t first_;
  std::size_t last_;
  std::ptrdiff_t point_;
  std::size_t caret_at_entry_;
  std::int32_t active_at_entry_;
  bool selected_;
  // 0 or below: nothing to repaint; 10 or more: the text changed.
  int level_;
};

}  // namespace vx::controls

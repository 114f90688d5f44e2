#pragma once

#include <cstdint>
#include <string>

#include "controls/entry_field.h"

namespace vx::controls {

enum class TSimpleDataType : std::uint8_t {
  sftString,
  sftChar,
  sftBoolean,
  sftYesNo,
  sftLongInt,
  sftWord,
  sftInteger,
  sftByte,
  sftShortInt,
  sftReal,
  sftExtended,
  sftDouble,
  sftSingle,
  sftComp,
};

// An entry field whose one mask character governs every position.
class TOvcCustomSimpleField : public TOvcBaseEntryField {
 public:
  explicit TOvcCustomSimpleField(ws::Window* parent);

  TSimpleDataType DataType() const { return data_type_; }
  // Also sets MaxLength, the mask character and DecimalPlaces 0 for the type.
  virtual void SetDataType(TSimpleDataType value);
  char PictureMask() const { return Mask().front(); }
  // EInvalidPictureMask for a character a simple field does not take.
  virtual void SetPictureMask(char value);

  void Assign(const TOvcCustomSimpleField& source);

  std::string GetDisplayText() const override;

 protected:
  void CreateWnd() override;
  void EditCommand(ws::Message& message, std::uint16_t command) override;
  std::size_t TransferValue(std::span<std::byte> buffer, TransferDirection direction) override;
  std::uint16_t CheckValue() override;
  void StepValue(bool wrap, double delta) override;

 private:
  void TextCommand(ws::Message& message, std::uint16_t command);
  // The families of TextCommand; `counter` reaches 10 when the text changed.
  void DeleteCommand(std::uint16_t command, int& counter);
  void CaretCommand(std::uint16_t command);
  void CaretLeft(std::uint16_t command);
  void CaretRight(std::uint16_t command);
  void ExtendCommand(std::uint16_t command, int& counter);
  void MouseCommand(ws::Message& message, std::uint16_t command);
  void ShiftClick(std::size_t column);
  void SelectWordAt(std::size_t column);
  void CharCommand(ws::Message& message, std::uint16_t command);
  // Moves the caret; the end of the selection that stood at it follows.
  void ExtendTo(std::size_t column);
  void DeleteSelection();
  bool AutoAdvance(int target, std::uint16_t command);
  bool TypedCharFits(char& c, char previous);
  void TypeChar(char typed, std::uint16_t command, int& counter);
  void InsertText(const char* text, int& counter);
  bool RangeIsEmpty() const;
  void StepChar(bool wrap, double delta);
  void StepNumber(bool wrap, double delta);
  void WriteValue(std::span<std::byte> value);

  TSimpleDataType data_type_ = TSimpleDataType::sftString;
};

class TOvcSimpleField : public TOvcCustomSimpleField {
 public:
  using TOvcCustomSimpleField::TOvcCustomSimpleField;
};

}  // namespace vx::controls

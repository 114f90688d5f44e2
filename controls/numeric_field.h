#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "controls/picture_base.h"

namespace vx::controls {

enum class TNumericDataType : std::uint8_t {
  nftLongInt,
  nftWord,
  nftInteger,
  nftByte,
  nftShortInt,
  nftReal,
  nftExtended,
  nftDouble,
  nftSingle,
  nftComp,
};

// A field that takes a number as a pocket calculator does: the caret stays at
// the right end, digits are appended, Backspace takes the last one off and
// the minus key switches the sign. While focused the field keeps the number
// as typed and lays it into the mask after every change.
class TOvcCustomNumericField : public TOvcPictureBase {
 public:
  explicit TOvcCustomNumericField(ws::Window* parent);

  TNumericDataType DataType() const { return data_type_; }
  // EOvcException for a type outside the list.
  virtual void SetDataType(TNumericDataType value);
  const std::string& PictureMask() const { return picture_mask_; }
  virtual void SetPictureMask(std::string_view value);

  void Assign(const TOvcCustomNumericField& source);

  std::string GetDisplayText() const override;
  // The caret cannot be moved.
  void SetCaretColumn(int) override {}
  ws::LResult window_proc(ws::Message& message) override;

 protected:
  void CreateWnd() override;
  void CaretToEnd() override;
  void CaretToStart() override;
  void EditCommand(ws::Message& message, std::uint16_t command) override;
  std::size_t TransferValue(std::span<std::byte> buffer, TransferDirection direction) override;
  std::uint16_t CheckValue() override;
  void StepValue(bool wrap, double delta) override;
  bool RemoveFloatingLiterals() override;
  void AssignPictureMask(std::string_view mask) override;

 private:
  void ComputeWidths();
  bool IsFloat() const;
  bool ReadNumber(long double& value) const;
  void LoadNumber();
  void ClearNumber();
  // Whether the character was taken into the number.
  bool AddChar(char c);
  std::size_t IntegerDigits() const;
  std::size_t SignedLength() const { return number_.size() + (negative_ ? 1 : 0); }
  void RebuildText();
  bool AutoAdvance(int direction, std::uint16_t command);
  void TypeChar(char typed, std::uint16_t command, bool& changed);
  void PasteText(const char* pasted, bool& changed);
  void WriteNumber(std::span<const std::byte> buffer);

  TNumericDataType data_type_ = TNumericDataType::nftLongInt;
  std::string picture_mask_ = "iiiiiiiiiii";
  std::string number_;
  bool negative_ = false;
  int width_ = 0;
  int decimals_ = 0;
  int integer_limit_ = 0;
};

class TOvcNumericField : public TOvcCustomNumericField {
 public:
  using TOvcCustomNumericField::TOvcCustomNumericField;
};

}  // namespace vx::controls

#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "controls/picture_base.h"

namespace vx::controls {

enum class TPictureDataType : std::uint8_t {
  pftString,
  pftChar,
  pftBoolean,
  pftYesNo,
  pftLongInt,
  pftWord,
  pftInteger,
  pftByte,
  pftShortInt,
  pftReal,
  pftExtended,
  pftDouble,
  pftSingle,
  pftComp,
  pftDate,
  pftTime,
  pftDateTime,
};

class PictureEditor;

// An entry field whose text follows a picture mask and whose value has one
// of seventeen types.
class TOvcCustomPictureField : public TOvcPictureBase {
 public:
  explicit TOvcCustomPictureField(ws::Window* parent);

  TPictureDataType DataType() const { return data_type_; }
  // The type's field id, default range and default mask; EOvcException for
  // a type outside the list.
  virtual void SetDataType(TPictureDataType value);
  bool InitDateTime() const { return init_date_time_; }
  void SetInitDateTime(bool value);
  const std::string& PictureMask() const { return picture_mask_; }
  virtual void SetPictureMask(std::string_view value);

  void Assign(const TOvcCustomPictureField& source);
  void SetAsString(std::string_view text) override;

 protected:
  void CreateWnd() override;
  std::uint8_t DeclaredDataType() const override;
  void EditCommand(ws::Message& message, std::uint16_t command) override;
  std::size_t TransferValue(std::span<std::byte> buffer, TransferDirection direction) override;
  std::uint16_t CheckValue() override;
  void StepValue(bool wrap, double delta) override;

 private:
  friend class PictureEditor;

  void SetDefaultMask();
  void EnsureRange();
  // The stripped text as a number with "." as its point.
  bool ReadReal(long double& value) const;
  void ReadValue(std::span<std::byte> buffer);
  void WriteValue(std::span<const std::byte> buffer);
  std::uint16_t CheckNumber(bool rewrite);
  std::uint16_t CheckDateTime(bool rewrite);
  bool TimeTextBlank() const;
  // A stepped value written in, shown and marked modified.
  void SteppedValue(std::span<const std::byte> value);
  void StepChar(bool wrap, double delta);
  void StepNumber(bool wrap, double delta);
  void StepDate(bool wrap, double delta);
  void StepTime(bool wrap, double delta);
  // The mask character that a date or time step moves.
  char StepMaskChar() const;

  TPictureDataType data_type_ = TPictureDataType::pftString;
  bool init_date_time_ = false;
  std::string picture_mask_ = "XXXXXXXXXXXXXXX";
};

class TOvcPictureField : public TOvcCustomPictureField {
 public:
  using TOvcCustomPictureField::TOvcCustomPictureField;
};

}  // namespace vx::controls

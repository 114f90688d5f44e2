#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "controls/entry_field.h"

namespace vx::controls {

// The picture engine's own state bits.
inline constexpr std::uint32_t efsLiteralsRemoved = 1u << 7;
inline constexpr std::uint32_t efsFloatType = 1u << 12;
inline constexpr std::uint32_t efsNoLiterals = 1u << 13;

// What a mask position is.
enum class PictureFlag : std::uint8_t { literal = 0, data = 1, floating = 2 };

// The engine of the picture and numeric fields: the edit text has one
// character per mask position, literals included; values are merged into the
// mask and stripped out of it.
class TOvcPictureBase : public TOvcBaseEntryField {
 public:
  explicit TOvcPictureBase(ws::Window* parent);

  bool IsLiteralAt(std::size_t position) const { return FlagAt(position) == PictureFlag::literal; }
  bool IsFloatingLiteralAt(std::size_t position) const { return FlagAt(position) == PictureFlag::floating; }
  std::size_t LastEditablePos() const;
  std::size_t TextEnd() const;
  bool IsEmpty() const override;
  bool IsNumericPicture() const;
  // The positions a formatted number takes, and its decimals.
  void NumberWidth(int& width, int& decimals) const;

  std::string MergeIntoPicture(std::string_view value) const;
  std::string StripPicture(std::string_view edit_text) const;
  std::string StripLiterals(std::string_view edit_text) const;
  void PointToDecimalChar(std::string& text) const;

  std::uint16_t ValidateSelf(bool report) override;
  std::string GetDisplayText() const override;
  void SetCaretColumn(int column) override;
  std::size_t FirstEditablePos() const override;
  std::int32_t ActiveEnd() const { return active_end_; }

  ws::LResult window_proc(ws::Message& message) override;

 protected:
  void CreateWnd() override;
  bool ValidateField(bool soft) override;
  void CaretToEnd() override;
  void CaretToStart() override;
  void AdjustOptionsForType() override;
  void AssignPictureMask(std::string_view mask) override;
  std::string GetEditText() const override { return StripPicture(Text()); }
  void SetEditText(std::string_view text) override { Text() = MergeIntoPicture(text); }
  // Takes currency and separators out of the text while it is edited;
  // answers whether the text changed.
  virtual bool RemoveFloatingLiterals();
  void RestoreFloatingLiterals();
  void NormalizeAroundDecimal(std::ptrdiff_t point, std::size_t first, std::size_t last, bool fix_left,
                              bool fix_right);
  void InitPictureFlags();
  void BuildPictureFlags();
  void SetFloatingCount(std::size_t count) { floating_count_ = count; }
  void SetActiveEnd(std::int32_t value) { active_end_ = value; }
  // The mask's "." or -1.
  std::ptrdiff_t DecimalPosition() const;
  bool MaskHas(char c) const { return Mask().find(c) != std::string::npos; }
  // The thousands separator; a region without one separates by ",".
  char ThousandsChar() const;
  // The text after every write: exactly MaxLength characters.
  void FitTextToLength() override;
  // The mask's literal positions within MaxLength, which a stripped value leaves out.
  std::size_t LiteralCount() const;

 private:
  PictureFlag FlagAt(std::size_t position) const;
  std::size_t FirstDataPos() const;
  void NormalizeOnLeaving();
  void MergeNumeric(std::string& text, std::string_view value) const;
  void MergePlain(std::string& text, std::string_view value) const;

  std::vector<PictureFlag> flags_;
  std::size_t floating_count_ = 0;
  std::int32_t active_end_ = 0;
};

}  // namespace vx::controls

#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "controls/borders.h"
#include "controls/caret_pair.h"
#include "controls/colors.h"
#include "controls/command_codes.h"
#include "controls/custom_control.h"
#include "controls/intl_support.h"
#include "controls/user_data.h"
#include "platform/local_time.h"
#include "platform/ws/canvas.h"
#include "platform/ws/menu.h"

namespace vx::controls {

enum TOvcEntryFieldOption : std::uint16_t {
  efoArrowIncDec = 1 << 0,
  efoCaretToEnd = 1 << 1,
  efoForceInsert = 1 << 2,
  efoForceOvertype = 1 << 3,
  efoInputRequired = 1 << 4,
  efoPasswordMode = 1 << 5,
  efoReadOnly = 1 << 6,
  efoRightAlign = 1 << 7,
  efoRightJustify = 1 << 8,
  efoSoftValidation = 1 << 9,
  efoStripLiterals = 1 << 10,
  efoTrimBlanks = 1 << 11,
};
using TOvcEntryFieldOptions = std::uint16_t;

enum class TZeroDisplay { zdShow, zdHide, zdHideUntilModified };

// The data type codes; the value a field transfers is of this type.
namespace fld {
inline constexpr std::uint8_t String = 0;
inline constexpr std::uint8_t Char = 1;
inline constexpr std::uint8_t Boolean = 2;
inline constexpr std::uint8_t YesNo = 3;
inline constexpr std::uint8_t LongInt = 4;
inline constexpr std::uint8_t Word = 5;
inline constexpr std::uint8_t Integer = 6;
inline constexpr std::uint8_t Byte = 7;
inline constexpr std::uint8_t ShortInt = 8;
inline constexpr std::uint8_t Real = 9;
inline constexpr std::uint8_t Extended = 10;
inline constexpr std::uint8_t Double = 11;
inline constexpr std::uint8_t Single = 12;
inline constexpr std::uint8_t Comp = 13;
inline constexpr std::uint8_t Date = 14;
inline constexpr std::uint8_t Time = 15;
inline constexpr std::uint8_t DateTime = 16;
}  // namespace fld

enum class TFieldClass : std::uint8_t { simple = 0, picture = 1, numeric = 2 };

// The state of a field between messages.
enum TEntryFieldState : std::uint32_t {
  efsReenter = 1u << 0,
  efsInvalid = 1u << 1,
  efsMouseEntry = 1u << 2,
  efsErrorReturn = 1u << 3,
  efsValidating = 1u << 4,
  efsModified = 1u << 5,
  efsEverModified = 1u << 6,
  efsHexMask = 1u << 8,
  efsOctalMask = 1u << 9,
  efsBinaryMask = 1u << 10,
  efsRightToLeft = 1u << 11,
  efsFocused = 1u << 14,
  efsExitIncomplete = 1u << 15,
  efsErrorPosted = 1u << 16,
  efsInsertMode = 1u << 17,
  // The edit engines': the next character is a literal control character;
  // the character comes from the keyboard.
  efsLiteralChar = 1u << 18,
  efsKeyboardChar = 1u << 19,
  efsAcceptChar = 1u << 20,
  efsInternalChange = 1u << 21,
  efsReadingValue = 1u << 22,
  efsUserValidating = 1u << 23,
};

// Commands of the field's own, beside those of the command tables.
inline constexpr std::uint16_t ccChar = 249;
inline constexpr std::uint16_t ccMouse = 250;
inline constexpr std::uint16_t ccMouseMove = 251;
inline constexpr std::uint16_t ccDblClk = 253;

// The error codes of validation; 0 is valid.
namespace efe {
inline constexpr std::uint16_t range = 256;
inline constexpr std::uint16_t invalid = 257;
inline constexpr std::uint16_t required = 258;
inline constexpr std::uint16_t bad_date = 259;
inline constexpr std::uint16_t bad_time = 260;
inline constexpr std::uint16_t blanks = 261;
inline constexpr std::uint16_t partial = 262;
}  // namespace efe

// Edit-control messages a field answers.
namespace em {
inline constexpr ws::MessageId get_sel = 0x00B0;
inline constexpr ws::MessageId set_sel = 0x00B1;
inline constexpr ws::MessageId get_modify = 0x00B8;
inline constexpr ws::MessageId set_modify = 0x00B9;
}  // namespace em

enum class TransferDirection { size, read, write };

// A value of the field's type: integers in the first four bytes, Char in
// the first, Real as a double, the other floating types as 80-bit numbers.
using RangeCell = std::array<std::byte, 10>;

inline constexpr std::size_t max_edit_length = 255;

// The engine of the entry fields: the text, its mask and typed value, the
// keys turned into commands, validation on leaving, and the drawing. How
// characters are placed in the text belongs to each field class.
class TOvcBaseEntryField : public TOvcCustomControlEx {
 public:
  using TNotifyEvent = std::function<void(TOvcBaseEntryField& sender)>;
  using TValidationErrorEvent =
      std::function<void(TOvcBaseEntryField& sender, std::uint16_t code, const std::string& text)>;
  // A question about the field: the handler reads the sender, it does not change it.
  using TGetEpochEvent = std::function<void(const TOvcBaseEntryField& sender, std::int32_t& epoch)>;
  using TUserCommandEvent = std::function<void(TOvcBaseEntryField& sender, std::uint16_t command)>;
  using TUserValidationEvent = std::function<void(TOvcBaseEntryField& sender, std::uint16_t& code)>;

  explicit TOvcBaseEntryField(ws::Window* parent);
  ~TOvcBaseEntryField() override;

  // Properties.
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool value);
  TOvcBorders& Borders() { return *borders_; }
  ws::BorderStyle BorderStyle() const { return border_style(); }
  void SetBorderStyle(ws::BorderStyle value);
  TOvcCaretPair& Carets() { return *carets_; }
  ws::Color ControlCharColor() const { return control_char_color_; }
  void SetControlCharColor(ws::Color value);
  std::uint8_t DecimalPlaces() const { return decimal_places_; }
  void SetDecimalPlaces(std::uint8_t value);
  TOvcEfColors& EFColors() { return *colors_; }
  const TOvcEfColors& EFColors() const { return *colors_; }
  // 0 follows the controller.
  std::int32_t Epoch() const;
  void SetEpoch(std::int32_t value);
  std::uint16_t MaxLength() const { return max_length_; }
  void SetMaxLength(std::uint16_t value);
  TOvcEntryFieldOptions Options() const { return options_; }
  void SetOptions(TOvcEntryFieldOptions value);
  char PadChar() const { return pad_char_; }
  void SetPadChar(char value);
  char PasswordChar() const { return password_char_; }
  void SetPasswordChar(char value);
  std::string RangeHi() const { return RangeToText(range_hi_); }
  void SetRangeHi(std::string_view text);
  std::string RangeLo() const { return RangeToText(range_lo_); }
  void SetRangeLo(std::string_view text);
  const RangeCell& RangeHiCell() const { return range_hi_; }
  const RangeCell& RangeLoCell() const { return range_lo_; }
  // The stored cells, read back unchanged.
  void SetRangeCells(const RangeCell& low, const RangeCell& high);
  int TextMargin() const { return text_margin_; }
  void SetTextMargin(int value);
  bool Uninitialized() const { return uninitialized_; }
  void SetUninitialized(bool value);
  TZeroDisplay ZeroDisplay() const { return zero_display_; }
  void SetZeroDisplay(TZeroDisplay value);
  double ZeroDisplayValue() const { return zero_display_value_; }
  void SetZeroDisplayValue(double value);

  TNotifyEvent OnChange;
  TValidationErrorEvent OnError;
  TGetEpochEvent OnGetEpoch;
  TUserCommandEvent OnUserCommand;
  TUserValidationEvent OnUserValidation;

  // The model.
  std::uint8_t DataTypeCode() const { return data_type_; }
  TFieldClass FieldClass() const { return field_class_; }
  const std::string& Mask() const { return mask_; }
  std::uint32_t State() const { return state_; }
  bool HasState(std::uint32_t flags) const { return (state_ & flags) != 0; }
  std::uint16_t LastError() const { return last_error_; }
  std::size_t CaretColumn() const { return caret_; }
  std::size_t ScrollOffset() const { return offset_; }
  std::size_t SelectionStart() const { return sel_start_; }
  std::size_t SelectionEnd() const { return sel_end_; }
  std::size_t SelectionLength() const { return sel_end_ - sel_start_; }
  // Ignored when end < start; both are clamped to the text.
  virtual void SetSelection(std::size_t start, std::size_t end);
  // The value's size in bytes.
  std::size_t DataSize();
  void SetUserData(TOvcUserData* data);
  bool RightAlignInEffect() const { return right_align_in_effect_; }

  // Values. GetValue answers the error code; a buffer smaller than the value
  // is refused with EOvcException.
  std::uint16_t GetValue(std::span<std::byte> buffer);
  void SetValue(std::span<const std::byte> buffer);
  std::int32_t GetAsInteger();
  std::string GetAsString();
  virtual void SetAsString(std::string_view text);
  // Date and Time fields only, else EInvalidDataType: the day number of the
  // date (-1 when it is no date) or the seconds of the time of day.
  void SetAsDateTime(const platform::LocalTime& date_time);
  void SetAsDayNumber(std::int32_t day_number);
  void SetAsSeconds(std::int32_t seconds);
  void ClearContents();
  virtual std::uint16_t ValidateSelf(bool report);
  virtual bool IsEmpty() const;
  virtual bool IsReadOnly() const { return (options_ & efoReadOnly) != 0; }

  // Commands and editing.
  void DispatchCommand(ws::Message& message, std::uint16_t command);
  void CopySelectionToClipboard();
  void IncreaseValue(bool wrap, double delta);
  void DecreaseValue(bool wrap, double delta);
  void RestoreContents();
  char MaskCharAt(std::size_t position) const;
  void ForceMaskCase(char mask_char, char& c, char previous) const;
  bool CharFitsMask(char mask_char, char& c, bool apply_case, char previous) const;

  // Display.
  virtual std::string GetDisplayText() const;
  // The contents as Paint draws them before the copy to the screen.
  void PaintContents(ws::Canvas& canvas);
  int ColumnFromX(int x);
  bool PositionCaret(bool allow_scroll);
  virtual void SetCaretColumn(int column);
  int TextWidth(std::string_view text) const;

  // The built-in menu of a right click, its items enabled as things stand.
  void BuildPopupMenu(ws::PopupMenu& menu);

  ws::LResult window_proc(ws::Message& message) override;

 protected:
  // Resets the state and takes the mask's length, as a window creation does.
  void CreateParams();
  void CreateWnd() override;
  // Creates the window again, unless the form is still loading.
  void RecreateWnd();
  void paint(ws::Canvas& canvas) override;
  void bounds_changed(const ws::Rect& old_bounds) override;

  virtual bool ValidateField(bool soft);
  virtual void CaretToEnd();
  virtual void CaretToStart();
  virtual void EditCommand(ws::Message& message, std::uint16_t command) = 0;
  virtual std::size_t FirstEditablePos() const { return 0; }
  virtual void AdjustOptionsForType();
  // The type as the field class names it: a picture field's DateTime has the
  // date's field id but is no Date field.
  virtual std::uint8_t DeclaredDataType() const { return data_type_; }
  virtual void PlaceCaretOnEntry();
  // Answers the value's size; reads or writes the value when asked to.
  virtual std::size_t TransferValue(std::span<std::byte> buffer, TransferDirection direction);
  virtual std::uint16_t CheckValue() = 0;
  virtual void StepValue(bool wrap, double delta) = 0;
  virtual void AssignPictureMask(std::string_view mask);
  virtual std::string GetEditText() const { return text_; }
  virtual void SetEditText(std::string_view text);
  // The text cut to MaxLength; the picture fields also fill it up to it.
  virtual void FitTextToLength();

  virtual void NotifyChange();
  virtual void NotifyError(std::uint16_t code, const std::string& text);
  virtual void NotifyUserCommand(std::uint16_t command);
  virtual void NotifyUserValidation(std::uint16_t& code);
  void MenuRestore();
  void MenuSelectAll();
  void AdjustHeight();
  void MoveToNextField();
  void MoveToPreviousField();
  // Up or Down to the neighbouring field when the controller says so, else a step of a writable
  // value with ArrowIncDec. False when it is neither: the field class moves its caret.
  bool UpDownLeavesOrSteps(bool up);
  void MarkModified();
  void Beep() const;
  void PaintBorders(ws::Canvas& canvas) const;

  // The base's part of writing a value in.
  void AfterValueWritten();
  void SetDefaultRange();
  void ResetToDefaultValue();
  std::string RangeToText(const RangeCell& cell) const;
  bool TextToValue(std::string_view text, RangeCell& cell);
  bool ParseInteger(std::string_view text, std::int32_t& value) const;
  std::string IntegerToText(std::int32_t value) const;
  // The number in the form RangeToText and the fields write: `places`
  // decimals, trailing zeros dropped unless the mask has "E" or it is too long.
  std::string RealToText(long double value, int places) const;
  int RangePlaces() const;

  void SetState(std::uint32_t flags, bool on) { state_ = on ? (state_ | flags) : (state_ & ~flags); }
  std::string& Text() { return text_; }
  const std::string& Text() const { return text_; }
  void SetCaret(std::size_t column) { caret_ = column; }
  void SetRawSelection(std::size_t start, std::size_t end) {
    sel_start_ = start;
    sel_end_ = end;
  }
  void SetDataTypeCode(std::uint8_t code) { data_type_ = code; }
  void SetFieldClass(TFieldClass field_class) { field_class_ = field_class; }
  void SetMaskText(std::string_view mask);
  void SetMaxLengthRaw(std::uint16_t value) { max_length_ = value; }
  void SetDecimalPlacesRaw(std::uint8_t value) { decimal_places_ = value; }
  const TOvcIntlSup& Intl() const { return intl_support(); }
  // Whether the window has been created once (the field classes' state).
  bool created_once_ = false;

 private:
  std::uint16_t ComputeCode();
  void ReportErrorCode(std::uint16_t code);
  void FocusEntered(ws::Message& message);
  void FocusLeft(ws::Message& message);
  void KeyCommand(ws::Message& message, std::uint16_t command);
  void HandleCopy(ws::Message& message);
  void HandleCut(ws::Message& message);
  void HandlePaste(ws::Message& message);
  void ShowPopupMenu(ws::Point client_point);
  int ComputeTextTop() const;
  int LeftEdge() const;
  int RightEdge() const;
  bool VisibleTextFits(std::string_view display) const;
  void SetRange(RangeCell& cell, std::string_view text);
  void BordersChanged();

  bool auto_size_ = true;
  std::unique_ptr<TOvcBorders> borders_;
  std::unique_ptr<TOvcCaretPair> carets_;
  ws::Color control_char_color_ = ws::color::red;
  std::uint8_t decimal_places_ = 0;
  std::unique_ptr<TOvcEfColors> colors_;
  std::int32_t epoch_ = 0;
  std::uint16_t max_length_ = 15;
  TOvcEntryFieldOptions options_ = efoCaretToEnd | efoTrimBlanks;
  char pad_char_ = ' ';
  char password_char_ = '*';
  RangeCell range_hi_{};
  RangeCell range_lo_{};
  int text_margin_ = 2;
  bool uninitialized_ = false;
  TZeroDisplay zero_display_ = TZeroDisplay::zdShow;
  double zero_display_value_ = 0;

  std::uint8_t data_type_ = fld::String;
  TFieldClass field_class_ = TFieldClass::simple;
  std::string text_;
  std::string mask_ = "X";
  std::size_t caret_ = 0;
  std::size_t offset_ = 0;
  std::size_t sel_start_ = 0;
  std::size_t sel_end_ = 0;
  std::uint16_t last_error_ = 0;
  std::size_t data_size_ = 0;
  int text_top_ = 0;
  bool right_align_in_effect_ = false;
  std::optional<std::string> saved_text_;
  TOvcUserData* user_data_;
  std::uint32_t state_ = efsInsertMode | efsAcceptChar;
  bool destroying_ = false;
};

}  // namespace vx::controls

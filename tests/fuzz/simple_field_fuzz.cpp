// Random commands and pasted bytes on simple, picture and numeric fields of
// every type and mask: the text stays within MaxLength and the caret and
// selection within the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "controls/command_codes.h"
#include "controls/numeric_field.h"
#include "controls/picture_field.h"
#include "controls/simple_field.h"
#include "platform/ws/application.h"
#include "platform/ws/form.h"
#include "platform/ws/messages.h"
#include "platform/ws/reset.h"

namespace {

using namespace vx::controls;

void require(bool condition) {
  if (!condition) std::abort();
}

constexpr std::string_view masks = "!#123456789ABEKLOXYabilx";
// Picture masks are made of data characters, literals and the characters of
// numeric pictures.
constexpr std::string_view picture_chars = "!#19ABDEHKLMNOSXYabdhilmnstxy$,.cCpg-/: ()";

// The editing commands of the tables and the field's own.
constexpr std::uint16_t commands[] = {
    ccBack,        ccCopy,         ccCtrlChar,    ccCut,      ccDec,       ccDel,     ccDelBol,      ccDelEol,
    ccDelLine,     ccDelWord,      ccDown,        ccEnd,      ccExtendEnd, ccExtendHome, ccExtendLeft, ccExtendRight,
    ccExtWordLeft, ccExtWordRight, ccHome,        ccInc,      ccIns,       ccLeft,    ccPaste,       ccRestore,
    ccRight,       ccUp,           ccWordLeft,    ccWordRight, ccChar,     ccMouse,   ccMouseMove,   ccDblClk,
    ccNoCommand,   ccUndo,         300,
};

template <typename Field>
class FuzzField : public Field {
 public:
  using Field::Field;
  using TOvcBaseEntryField::Text;
};

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool empty() const { return position_ >= size_; }
  std::uint8_t byte() { return position_ < size_ ? data_[position_++] : 0; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t position_ = 0;
};

// A picture's text has exactly one character per position.
void check(const TOvcBaseEntryField& field, std::size_t length) {
  require(length <= field.MaxLength());
  require(field.FieldClass() == TFieldClass::simple || length == field.MaxLength());
  require(field.CaretColumn() <= length);
  require(field.SelectionStart() <= field.SelectionEnd());
  require(field.SelectionEnd() <= length);
}

std::string picture_mask(Input& input) {
  std::string mask;
  for (std::uint8_t n = input.byte() % 24 + 1; n > 0; --n) mask += picture_chars[input.byte() % picture_chars.size()];
  return mask;
}

template <typename Field>
void edit(FuzzField<Field>& field, Input& input) {
  const std::uint8_t low_options = input.byte();
  const std::uint8_t high_options = input.byte();
  field.SetOptions(static_cast<TOvcEntryFieldOptions>((low_options | (high_options << 8)) & 0x0FFF));
  field.Loaded();
  field.set_focus();
  check(field, field.Text().size());
  while (!input.empty()) {
    const std::uint16_t command = commands[input.byte() % std::size(commands)];
    vx::ws::Message message{field.handle(), vx::ws::msg::key_down, 0, 0};
    std::string pasted;
    if (command == ccChar) message.wparam = input.byte();
    if (command == ccMouse || command == ccMouseMove || command == ccDblClk) {
      message.lparam = vx::ws::make_lparam(static_cast<std::int8_t>(input.byte()), 5);
      message.wparam = input.byte() & vx::ws::mk::shift;
    }
    if (command == ccPaste) {
      for (std::uint8_t n = input.byte(); n > 0 && !input.empty(); --n) pasted += static_cast<char>(input.byte());
      message.lparam = reinterpret_cast<vx::ws::LParam>(pasted.c_str());
    }
    field.DispatchCommand(message, command);
    check(field, field.Text().size());
  }
  field.ValidateSelf(false);
  check(field, field.Text().size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vx::ws::reset_window_system();
  vx::ws::set_headless(true);
  Input input(data, size);
  vx::ws::Form form;
  form.set_bounds(0, 0, 300, 100);
  form.show();
  switch (input.byte() % 3) {
    case 0: {
      FuzzField<TOvcSimpleField> field(&form);
      field.set_bounds(10, 10, 100, 25);
      field.SetDataType(static_cast<TSimpleDataType>(input.byte() % 14));
      field.SetPictureMask(masks[input.byte() % masks.size()]);
      field.SetMaxLength(static_cast<std::uint16_t>(input.byte()));
      edit(field, input);
      break;
    }
    case 1: {
      FuzzField<TOvcPictureField> field(&form);
      field.set_bounds(10, 10, 100, 25);
      field.SetDataType(static_cast<TPictureDataType>(input.byte() % 17));
      field.SetPictureMask(picture_mask(input));
      field.SetMaxLength(static_cast<std::uint16_t>(input.byte() % 40));
      field.SetDecimalPlaces(input.byte() % 4);
      edit(field, input);
      break;
    }
    default: {
      FuzzField<TOvcNumericField> field(&form);
      field.set_bounds(10, 10, 100, 25);
      field.SetDataType(static_cast<TNumericDataType>(input.byte() % 10));
      field.SetPictureMask(picture_mask(input));
      edit(field, input);
      break;
    }
  }
  vx::ws::reset_window_system();
  return 0;
}

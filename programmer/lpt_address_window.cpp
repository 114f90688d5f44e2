#include "programmer/lpt_address_window.h"

#include <string>
#include <string_view>

namespace vx::programmer {
namespace {

constexpr std::uint16_t address_digits = 4;

controls::TCharSet characters(std::string_view members) {
  controls::TCharSet set;
  for (const char c : members) set.set(static_cast<unsigned char>(c));
  return set;
}

}  // namespace

Tlptaddrform::Tlptaddrform() : controller_(this) {
  hide();
  controller_.Name = "OvcController1";
  // "1" takes a hexadecimal digit or X, "2" a bit or X; both in upper case.
  user_data_.SetUserCharSet('1', characters("0123456789ABCDEFX"));
  user_data_.SetForceCase('1', controls::fcUpper);
  user_data_.SetUserCharSet('2', characters("01X"));
  user_data_.SetForceCase('2', controls::fcUpper);
  set_bounds(left(), top(), 200, 40 + static_cast<int>(field_count) * 32);
  for (std::size_t i = 0; i < field_count; ++i) {
    auto field = std::make_unique<controls::TOvcSimpleField>(this);
    field->Name = "AddressField" + std::to_string(i + 1);
    field->set_bounds(16, 16 + static_cast<int>(i) * 32, 80, field->height());
    field->SetUserData(&user_data_);
    field->SetPictureMask('1');
    field->SetMaxLength(address_digits);
    field->SetPadChar('X');
    field->Loaded();
    fields_[i] = std::move(field);
  }
}

}  // namespace vx::programmer

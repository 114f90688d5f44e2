#include "programmer/ethernet_address_window.h"

#include <string>

namespace vx::programmer {

TIPForm1::TIPForm1() : controller_(this) {
  hide();
  controller_.Name = "OvcController1";
  set_caption("Ethernet Address");
  set_bounds(left(), top(), 200, 40 + static_cast<int>(field_count) * 32);
  for (std::size_t i = 0; i < field_count; ++i) {
    auto field = std::make_unique<controls::TOvcPictureField>(this);
    field->Name = "AddressField" + std::to_string(i + 1);
    field->set_bounds(16, 16 + static_cast<int>(i) * 32, 150, field->height());
    field->SetDataType(controls::TPictureDataType::pftString);
    field->SetPictureMask("###############");
    field->SetMaxLength(15);
    field->SetZeroDisplay(controls::TZeroDisplay::zdHide);
    field->Loaded();
    fields_[i] = std::move(field);
  }
}

}  // namespace vx::programmer

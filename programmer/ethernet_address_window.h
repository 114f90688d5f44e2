#pragma once

#include <array>
#include <memory>

#include "controls/controller.h"
#include "controls/picture_field.h"
#include "platform/ws/form.h"

namespace vx::programmer {

// The Ethernet address window: two address texts. Made at start-up, never
// shown; nothing fills or reads its fields.
class TIPForm1 final : public ws::Form {
 public:
  static constexpr std::size_t field_count = 2;

  TIPForm1();

  controls::TOvcController& OvcController1() { return controller_; }
  controls::TOvcPictureField& AddressField(std::size_t index) { return *fields_.at(index); }

 private:
  controls::TOvcController controller_;
  std::array<std::unique_ptr<controls::TOvcPictureField>, field_count> fields_;
};

}  // namespace vx::programmer

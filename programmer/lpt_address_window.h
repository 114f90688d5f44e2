#pragma once

#include <array>
#include <memory>

#include "controls/controller.h"
#include "controls/simple_field.h"
#include "controls/user_data.h"
#include "platform/ws/form.h"

namespace vx::programmer {

// The parallel-port address window: five address fields that take four
// hexadecimal digits, an unset digit showing as X. Made at start-up, never shown.
class Tlptaddrform final : public ws::Form {
 public:
  static constexpr std::size_t field_count = 5;

  Tlptaddrform();

  controls::TOvcController& OvcController1() { return controller_; }
  controls::TOvcSimpleField& AddressField(std::size_t index) { return *fields_.at(index); }
  const controls::TOvcUserData& UserData() const { return user_data_; }

 private:
  // Before the fields, which point at it, so it goes after them.
  controls::TOvcUserData user_data_;
  controls::TOvcController controller_;
  std::array<std::unique_ptr<controls::TOvcSimpleField>, field_count> fields_;
};

}  // namespace vx::programmer

#pragma once

#include <memory>

#include "controls/controller.h"
#include "controls/picture_field.h"
#include "platform/ws/controls.h"
#include "platform/ws/form.h"

namespace vx::programmer {

// The trim centre-frequency window: the custom trim reference in Hz. Made at
// start-up, never shown by the program.
class TTrimCenterFrequencyForm final : public ws::Form {
 public:
  TTrimCenterFrequencyForm();

  controls::TOvcController& OvcController1() { return controller_; }
  controls::TOvcPictureField& TrimReference() { return *trim_reference_; }

 protected:
  // The field takes the custom trim reference whenever the window is shown.
  void visibility_changed() override;

 private:
  controls::TOvcController controller_;
  std::unique_ptr<ws::Label> label_;
  std::unique_ptr<controls::TOvcPictureField> trim_reference_;
};

}  // namespace vx::programmer

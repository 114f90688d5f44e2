#include "programmer/trim_center_frequency_window.h"

#include "interface/engine_settings.h"
#include "programmer/trim_reference_field.h"

namespace vx::programmer {

TTrimCenterFrequencyForm::TTrimCenterFrequencyForm()
    : controller_(this), label_(std::make_unique<ws::Label>(this, "Trim reference (Hz)")) {
  hide();
  controller_.Name = "OvcController1";
  set_caption("Trim Center Frequency");
  set_bounds(left(), top(), 280, 90);
  label_->set_bounds(16, 20, 120, 13);
  trim_reference_ = make_trim_reference_field(*this, "TrimReference");
  trim_reference_->set_bounds(140, 16, 110, trim_reference_->height());
}

void TTrimCenterFrequencyForm::visibility_changed() {
  ws::Form::visibility_changed();
  if (visible()) show_trim_reference(*trim_reference_, engine_settings().trim.custom_reference);
}

}  // namespace vx::programmer

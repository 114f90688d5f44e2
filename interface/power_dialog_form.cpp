#include "interface/power_dialog_form.h"

namespace vx {

Tbdcpowerdialogform::Tbdcpowerdialogform() {
  set_border_style(ws::BorderStyle::single);
  set_bounds(0, 0, 420, 260);
  label_ = std::make_unique<ws::Label>(this);
  label_->set_auto_size(false);
  label_->set_word_wrap(true);
  label_->set_bounds(12, 8, 396, 56);
  for (std::unique_ptr<ws::Image>& picture : pictures_) {
    picture = std::make_unique<ws::Image>(this);
    picture->set_bounds(110, 68, 200, 140);
    picture->hide();
  }
  ok_ = std::make_unique<ws::Button>(this, "OK");
  ok_->set_kind(ws::ButtonKind::ok);
  ok_->modal_result = 1;
  ok_->set_bounds(172, 218, 75, 25);
}

}  // namespace vx

#pragma once

#include <array>
#include <memory>

#include "platform/ws/buttons.h"
#include "platform/ws/controls.h"
#include "platform/ws/form.h"

namespace vx {

// The power prompt: a caption, one line of instruction, three pictures of
// which one shows (power down, power up, power cycle), and OK.
class Tbdcpowerdialogform final : public ws::Form {
 public:
  Tbdcpowerdialogform();

  ws::Label& Label1() { return *label_; }
  // Pictures 1 to 3.
  ws::Image& Picture(int number) { return *pictures_.at(static_cast<std::size_t>(number - 1)); }
  ws::Button& OkButton() { return *ok_; }

 private:
  std::unique_ptr<ws::Label> label_;
  std::array<std::unique_ptr<ws::Image>, 3> pictures_;
  std::unique_ptr<ws::Button> ok_;
};

}  // namespace vx

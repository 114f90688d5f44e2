#pragma once

#include <string>

#include "platform/ws/buttons.h"
#include "platform/ws/controls.h"
#include "platform/ws/form.h"

// The question whether an ELF file's load addresses come from p_paddr.
namespace vx::loaders {

class TPHWarnBox final : public ws::Form {
 public:
  TPHWarnBox();

  ws::Button yesButton;
  ws::Button noButton;
  ws::Button helpButton;
  ws::CheckBox dontAsk;
  ws::Label Label1;
  ws::Label Label6;
  ws::Label Label2;
  ws::Label Label3;
  ws::Label Label4;
  ws::Label Label5;
  ws::Label Label7;

  void helpButtonClick(ws::Window& sender);
};

// The text the Help button shows.
std::string p_paddr_help_text();

// Asks the question; true for Yes. Ticking "Don't ask again" turns the
// module's asking off for the rest of the run. Nobody to answer, or a
// failure before the answer is known, counts as Yes.
bool ask_use_p_paddr();

}  // namespace vx::loaders

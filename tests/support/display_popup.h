#pragma once

#include <string>
#include <vector>

// The user of the next pop-up menu the display shows, for tests on Qt's offscreen platform.
namespace vx::test {

struct PopupAnswer {
  // The item to choose by its caption as given ("&Help..."); empty closes the menu.
  std::string choose;
  // When not empty, the shown menu is written to <build>/screenshots/<name>.png.
  std::string screenshot;
  // Filled with the captions the menu showed.
  std::vector<std::string> seen;
};

// Waits in the display's event loop for the menu; `answer` must outlive it.
void answer_next_popup_menu(PopupAnswer& answer);

}  // namespace vx::test

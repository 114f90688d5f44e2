#include "loaders/phwarn.h"

#include <exception>

#include "foundation/system_helpers.h"
#include "loaders/elf_module.h"

namespace vx::loaders {
namespace {

constexpr int client_width = 353;
constexpr int client_height = 241;
constexpr int label_left = 16;
constexpr int label_width = client_width - 2 * label_left;
constexpr int label_height = 13;
constexpr int button_top = 180;
constexpr int button_width = 75;
constexpr int button_height = 25;

void place_label(ws::Label& label, int top, std::string_view caption) {
  label.set_caption(caption);
  label.set_bounds(label_left, top, label_width, label_height);
}

void place_button(ws::Button& button, int left, std::string_view caption, int modal_result) {
  button.set_caption(caption);
  button.set_bounds(left, button_top, button_width, button_height);
  button.modal_result = modal_result;
}

}  // namespace

TPHWarnBox::TPHWarnBox()
    : yesButton(this),
      noButton(this),
      helpButton(this),
      dontAsk(this),
      Label1(this),
      Label6(this),
      Label2(this),
      Label3(this),
      Label4(this),
      Label5(this),
      Label7(this) {
  set_caption("Warning");
  set_border_style(ws::BorderStyle::single);
  set_bounds(0, 0, client_width + 2 * ws::single_border_size, client_height + 2 * ws::single_border_size);
  place_label(Label1, 16, "This file may utilize the p_paddr field in the ELF program header(s) ");
  place_label(Label6, 32, "to describe how code is to be loaded.");
  place_label(Label2, 56, "Use of this field is not standard. ");
  place_label(Label3, 80, "Do you want to use the p_paddr field or the standard p_vaddr field?");
  place_label(Label4, 104, "Click \"Yes\" to use the nonstandard p_paddr field.");
  place_label(Label5, 128, "Click \"No\" to use the standard p_vaddr field.");
  place_label(Label7, 156, "If you are using the GNU compiler, GCC, click \"Yes\"");
  place_button(yesButton, 40, "Yes", platform::result_yes);
  place_button(noButton, 136, "No", platform::result_no);
  place_button(helpButton, 232, "Help", 0);
  helpButton.on_click = [this](ws::Window& sender) { helpButtonClick(sender); };
  dontAsk.set_caption("Don't ask again");
  dontAsk.set_bounds(128, 211, 120, 17);
  // With nobody to ask, the p_paddr field is taken, as when the window fails.
  unattended_result = platform::result_yes;
}

std::string p_paddr_help_text() {
  return std::string(
      "The ELF program headers describe how the application code is to be loaded to the target. "
      "\n\n\r"
      "Typically, the compiler and linker use the p_vaddr field of the program headers"
      "\n\r"
      "to indicate the load address of the target code."
      "\n\n\r"
      "Some tools, such as GNU tools, may use the p_paddr field instead."
      "\n\n\r"
      "Use a utility such as GNU READELF to examine the program headers of your ELF/DWARF file."
      "\n\n\r"
      "For more information, see the documentation for your compiler and linker"
      "\n\r"
      "as well as the System V Application Binary Interface, Edition 4.1.");
}

void TPHWarnBox::helpButtonClick(ws::Window&) {
  safe_message_dlg(0, p_paddr_help_text(), platform::DialogKind::custom, platform::button_ok, 0);
}

bool ask_use_p_paddr() {
  bool use_p_paddr = true;
  try {
    TPHWarnBox box;
    use_p_paddr = box.show_modal() == platform::result_yes;
    if (box.dontAsk.checked()) elf_module().ask_address_choice = false;
  } catch (const std::exception&) {
    // The answer stays Yes.
  }
  return use_p_paddr;
}

}  // namespace vx::loaders

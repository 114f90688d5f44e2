#pragma once

#include <memory>

#include "foundation/headless_status_sink.h"
#include "foundation/short_text.h"
#include "platform/ws/color.h"
#include "platform/ws/controls.h"
#include "platform/ws/edits.h"
#include "platform/ws/form.h"
#include "platform/ws/menu.h"

namespace vx::programmer {

// The status window: every line the programmer reports, and the status
// panel with the script's result. Its line list is the status output's;
// until the virtual list box exists the lines are printed as they finish.
class Tstatus1 final : public ws::Form {
 public:
  Tstatus1();
  ~Tstatus1() override;

  void FormCreate();
  // The shutdown sequence; runs once, at the latest when the window is destroyed.
  void FormDestroy();
  void Edit1KeyPress(char& key);
  void FormResize();
  void Help1Click();

  // An empty text, or one that reads READY, shows "Ready".
  void set_status_text(const ShortText& text);
  void set_status_text_colour(ws::Color colour);

  ws::Panel& Panel2() { return *panel2_; }
  ws::Edit& Edit1() { return *edit1_; }
  ws::PopupMenu& PopupMenu1() { return popup_; }

  ws::Color command_colour = ws::color::navy;
  ws::Color response_colour = ws::color::black;
  ws::Color selection_text_colour = ws::color::black;
  ws::Color selection_background = ws::color::window;
  ws::Color list_background = ws::color::window;

 private:
  void register_colours();
  void apply_colour(std::uint16_t identifier, ws::Color foreground, ws::Color background);

  HeadlessStatusSink list_view_;
  std::unique_ptr<ws::Panel> panel1_;
  std::unique_ptr<ws::Edit> edit1_;
  std::unique_ptr<ws::Panel> panel2_;
  ws::PopupMenu popup_;
  bool destroyed_ = false;
};

}  // namespace vx::programmer

#pragma once

#include <memory>

#include "controls/controller.h"
#include "controls/simple_field.h"
#include "controls/virtual_list_box.h"
#include "foundation/headless_status_sink.h"
#include "foundation/short_text.h"
#include "platform/ws/color.h"
#include "platform/ws/controls.h"
#include "platform/ws/form.h"
#include "platform/ws/menu.h"
#include "programmer/status_list_view.h"

namespace vx::programmer {

// The status window: every line the programmer reports, and the status
// panel with the script's result. Its line list is the status output's,
// shown in the list box on a display; finished lines are printed as well.
class Tstatus1 final : public ws::Form {
 public:
  Tstatus1();
  ~Tstatus1() override;

  void FormCreate();
  // The shutdown sequence; runs once, at the latest when the window is destroyed.
  void FormDestroy();
  void Edit1KeyPress(char& key);
  void ListBox1KeyPress(char& key);
  void FormActivate();
  void FormResize();
  void Help1Click();

  // An empty text, or one that reads READY, shows "Ready".
  void set_status_text(const ShortText& text);
  void set_status_text_colour(ws::Color colour);

  controls::TOvcController& OvcController1() { return controller_; }
  controls::TOvcVirtualListBox& Listbox1() { return *listbox1_; }
  // What the status output drives on a desktop.
  StatusListView& ListBoxView() { return list_view_; }
  ws::Panel& Panel2() { return *panel2_; }
  controls::TOvcSimpleField& Edit1() { return *edit1_; }
  ws::PopupMenu& PopupMenu1() { return popup_; }

  ws::Color command_colour = ws::color::navy;
  ws::Color response_colour = ws::color::black;
  ws::Color selection_text_colour = ws::color::black;
  // Characters of a row: what fits in the list box's width.
  int visible_width() const { return visible_width_; }

 private:
  void register_colours();
  void apply_colour(std::uint16_t identifier, ws::Color foreground, ws::Color background);
  void supply_item(std::int32_t index, std::string& text) const;
  void draw_item(std::int32_t index, const ws::Rect& rect, std::string_view text);
  void measure_visible_width();

  HeadlessStatusSink headless_view_;
  controls::TOvcController controller_;
  std::unique_ptr<controls::TOvcVirtualListBox> listbox1_;
  ListBoxStatusView list_view_;
  int visible_width_ = 0;
  std::unique_ptr<ws::Panel> panel1_;
  std::unique_ptr<controls::TOvcSimpleField> edit1_;
  std::unique_ptr<ws::Panel> panel2_;
  ws::PopupMenu popup_;
  bool destroyed_ = false;
};

}  // namespace vx::programmer

#include <algorithm>

#include "platform/ws/buttons.h"
#include "platform/ws/controls.h"
#include "platform/ws/edits.h"
#include "platform/ws/form.h"
#include "platform/ws/input.h"
#include "platform/ws/menu.h"
#include "tests/platform/ws_test_support.h"

namespace vx::ws {
namespace {

using ControlsTest = testing_support::WindowSystemTest;

TEST_F(ControlsTest, ButtonKindSetsCaptionAndModalResult) {
  Form form;
  Button cancel(&form);
  cancel.set_kind(ButtonKind::abort);
  EXPECT_EQ(cancel.caption(), "Abort");
  EXPECT_EQ(cancel.modal_result, platform::result_abort);
  cancel.set_kind(ButtonKind::ok);
  cancel.set_caption("Quit");
  EXPECT_EQ(cancel.kind(), ButtonKind::ok);
  EXPECT_EQ(cancel.caption(), "Quit");
  EXPECT_EQ(cancel.modal_result, platform::result_ok);
  cancel.set_kind(ButtonKind::custom);
  EXPECT_EQ(cancel.caption(), "Quit") << "a custom button keeps its caption";
}

TEST_F(ControlsTest, CloseButtonClosesItsForm) {
  Form form;
  Button close(&form);
  close.set_kind(ButtonKind::close);
  form.show();
  close.click();
  EXPECT_FALSE(form.visible());
}

TEST_F(ControlsTest, MemoKeepsItsLines) {
  Memo memo(nullptr);
  memo.set_lines({"VLX's Quorvex Universal is an all-in-one development interface which", "",
                  "work either with the tower cards"});
  EXPECT_EQ(memo.lines().size(), 3u);
  EXPECT_EQ(memo.text(), "VLX's Quorvex Universal is an all-in-one development interface which\r\n\r\n"
                         "work either with the tower cards");
  memo.set_text("one\ntwo\r\nthree");
  EXPECT_EQ(memo.lines(), (std::vector<std::string>{"one", "two", "three"}));
  memo.set_lines({});
  EXPECT_TRUE(memo.lines().empty());
}

TEST_F(ControlsTest, MainMenuItemsRunWhenChosenAndEnabled) {
  Form form;
  MainMenu menu;
  form.menu = &menu;
  int opened = 0;
  MenuItem& open = menu.add("&Open Logfile", [&](MenuItem&) { ++opened; });
  MenuItem& close = menu.add("&Close Logfile");
  close.visible = false;
  EXPECT_EQ(menu.find("&Close Logfile"), &close);
  input::choose_menu_item(open);
  process_messages();
  EXPECT_EQ(opened, 1);
  open.enabled = false;
  input::choose_menu_item(open);
  process_messages();
  EXPECT_EQ(opened, 1);
}

TEST_F(ControlsTest, PaintClipsToTheInvalidPart) {
  struct Clipped : Window {
    void paint(Canvas& canvas) override { clips.push_back(canvas.clip_box()); }
    std::vector<Rect> clips;
  } window;
  window.set_bounds(0, 0, 100, 100);
  process_messages();
  window.invalidate({10, 10, 20, 20});
  window.invalidate({30, 5, 40, 15});
  window.update();
  EXPECT_EQ(window.clips, (std::vector<Rect>{{0, 0, 100, 100}, {10, 5, 40, 20}}));
}

TEST_F(ControlsTest, MainFormCanBeKeptHidden) {
  Form main;
  set_main_form(&main);
  set_show_main_form(false);
  main.on_show = [](Form&) { terminate(); };
  post_message(main.handle(), msg::user);
  bool seen = false;
  set_message_hook([&](Message& m) {
    seen = m.id == msg::user;
    terminate();
    return true;
  });
  run();
  EXPECT_TRUE(seen);
  EXPECT_FALSE(main.visible());
}

TEST_F(ControlsTest, LabelTakesItsParentsColourAndWrapsToItsWidth) {
  record_drawing(true);
  Form form;
  GroupBox box(&form, "Last result of VLX Programmer ...");
  box.set_color(color::maroon);
  Label label(&box, "Error 2 occured.");
  Label wrapped(&form, "Interface hardware detected with old firmware. Updating...");
  wrapped.set_word_wrap(true);
  wrapped.set_bounds(0, 120, 120, 0);
  form.show();
  process_messages();
  EXPECT_EQ(label.color(), color::maroon);
  const std::vector<DrawOp> ops = drawing_of(label.handle());
  EXPECT_TRUE(std::any_of(ops.begin(), ops.end(), [](const DrawOp& op) {
    return op.kind == DrawKind::fill && op.color == color::maroon;
  }));
  EXPECT_GT(wrapped.height(), font_metrics(wrapped.font()).height) << "several lines";
  EXPECT_EQ(wrapped.width(), 120);
  for (const DrawOp& op : drawing_of(wrapped.handle())) {
    if (op.kind == DrawKind::text) {
      EXPECT_LE(op.rect.right, 120);
    }
  }
}

}  // namespace
}  // namespace vx::ws

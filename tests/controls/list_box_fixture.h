#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "controls/controller.h"
#include "controls/virtual_list_box.h"
#include "platform/ws/application.h"
#include "platform/ws/canvas.h"
#include "platform/ws/form.h"
#include "platform/ws/input.h"
#include "platform/ws/messages.h"
#include "platform/ws_test_support.h"

namespace vx::controls::testing_support {

// A form with a controller and a list box of 2000 items, 10-pixel rows and
// a client 75 pixels high: 7 whole rows and a 5-pixel strip below them.
class ListBoxTest : public ws::testing_support::WindowSystemTest {
 protected:
  static constexpr int row_height = 10;
  static constexpr int client_height = 75;

  void SetUp() override {
    WindowSystemTest::SetUp();
    form = std::make_unique<ws::Form>();
    form->set_bounds(0, 0, 400, 300);
    form->show();
    controller = std::make_unique<TOvcController>(form.get());
  }
  void TearDown() override {
    ws::record_drawing(false);
    box.reset();
    controller.reset();
    form.reset();
    WindowSystemTest::TearDown();
  }

  // `while_loading` runs before Loaded(), as a form description would.
  void make_box(std::int32_t count = 2000, const std::function<void(TOvcVirtualListBox&)>& while_loading = {}) {
    box = std::make_unique<TOvcVirtualListBox>(form.get());
    box->set_bounds(10, 10, 200, 100);
    box->set_bounds(10, 10, 200, 100 + client_height - box->ClientHeight());
    box->OnGetItem = [this](TOvcCustomVirtualListBox&, std::int32_t index, std::string& text) {
      fetched.push_back(index);
      text = "item " + std::to_string(index);
    };
    box->OnTopIndexChanged = [this](TOvcCustomVirtualListBox&, std::int32_t top) { tops.push_back(top); };
    if (while_loading) while_loading(*box);
    box->Loaded();
    box->SetRowHeight(row_height);
    box->SetNumItems(count);
    ws::process_messages();
    fetched.clear();
    tops.clear();
  }

  // What the box draws while `action` runs and the messages it causes are
  // handled; `fetched` holds the rows it asked for meanwhile.
  std::vector<ws::DrawOp> drawn_during(const std::function<void()>& action) {
    ws::process_messages();
    fetched.clear();
    ws::reset_drawing_log();
    ws::record_drawing(true);
    action();
    ws::process_messages();
    ws::record_drawing(false);
    return ws::drawing_of(box->handle());
  }
  std::vector<ws::DrawOp> full_repaint() {
    return drawn_during([this] { box->repaint(); });
  }
  static std::vector<ws::DrawOp> of_kind(const std::vector<ws::DrawOp>& ops, ws::DrawKind kind) {
    std::vector<ws::DrawOp> result;
    for (const ws::DrawOp& op : ops) {
      if (op.kind == kind) result.push_back(op);
    }
    return result;
  }
  // The fills of the client area, leaving out the border and scroll bars.
  std::vector<ws::DrawOp> client_fills(const std::vector<ws::DrawOp>& ops) const {
    std::vector<ws::DrawOp> result;
    for (const ws::DrawOp& op : of_kind(ops, ws::DrawKind::fill)) {
      if (ws::intersect(op.rect, box->client_rect()) == op.rect) result.push_back(op);
    }
    return result;
  }
  static std::vector<std::string> texts(const std::vector<ws::DrawOp>& ops) {
    std::vector<std::string> result;
    for (const ws::DrawOp& op : of_kind(ops, ws::DrawKind::text)) result.push_back(op.text);
    return result;
  }

  ws::LResult send(ws::MessageId id, ws::WParam wparam = 0, ws::LParam lparam = 0) {
    return ws::send_message(box->handle(), id, wparam, lparam);
  }
  void vscroll(int code, int position = 0) {
    send(ws::msg::vscroll,
         static_cast<ws::WParam>(static_cast<std::uint16_t>(code)) |
             static_cast<ws::WParam>(static_cast<std::uint16_t>(position)) << 16);
  }

  std::unique_ptr<ws::Form> form;
  std::unique_ptr<TOvcController> controller;
  std::unique_ptr<TOvcVirtualListBox> box;
  std::vector<std::int32_t> fetched;
  std::vector<std::int32_t> tops;
};

// The owner's side of a multiple selection.
class MultipleSelectionTest : public ListBoxTest {
 protected:
  void make_multiple_box() {
    make_box(2000, [this](TOvcVirtualListBox& b) { be_owner_of(b); });
  }
  void be_owner_of(TOvcVirtualListBox& b) {
    b.SetMultiSelect(true);
    b.OnIsSelected = [this](TOvcCustomVirtualListBox&, std::int32_t index, bool& selected) {
      selected = all_selected || chosen.contains(index);
    };
    b.OnSelect = [this](TOvcCustomVirtualListBox&, std::int32_t index, bool selected) {
      calls.emplace_back(index, selected);
      if (index == -1) {
        all_selected = selected;
        chosen.clear();
      } else if (selected) {
        chosen.insert(index);
      } else {
        chosen.erase(index);
      }
    };
  }
  void click(int y, ws::ShiftState modifiers) {
    calls.clear();
    ws::input::click(*box, {20, y}, ws::MouseButton::left, modifiers);
    ws::process_messages();
  }

  std::set<std::int32_t> chosen;
  bool all_selected = false;
  std::vector<std::pair<std::int32_t, bool>> calls;
};

}  // namespace vx::controls::testing_support

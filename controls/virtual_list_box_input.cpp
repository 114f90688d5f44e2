#include <algorithm>
#include <limits>

#include "controls/command_codes.h"
#include "controls/helpers.h"
#include "controls/virtual_list_box.h"
#include "platform/clock.h"
#include "platform/ws/application.h"
#include "platform/ws/drag.h"
#include "platform/ws/keyboard.h"
#include "platform/ws/messages.h"

// The list box's window messages: keys, mouse, list-box queries and the
// multiple selection.
namespace vx::controls {
namespace {

// Between passes of a held button, so holding it below the box scrolls at a pace a user can follow.
constexpr std::uint64_t tracking_pause_us = 10'000;

std::int32_t as_index(ws::WParam value) { return static_cast<std::int32_t>(static_cast<std::intptr_t>(value)); }

std::int32_t clamped_index(std::int64_t item) {
  return static_cast<std::int32_t>(
      std::clamp<std::int64_t>(item, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

ws::LResult TOvcCustomVirtualListBox::window_proc(ws::Message& message) {
  switch (message.id) {
    case ws::lb::get_count: return NumItems_;
    case ws::lb::get_cur_sel: return ItemIndex_;
    case ws::lb::get_caret_index: return FocusIndex_;
    case ws::lb::get_top_index: return TopIndex_;
    case ws::lb::get_item_height: return RowHeight_;
    case ws::lb::get_item_rect:
      if (message.lparam == 0) return ws::lb::error;
      *reinterpret_cast<ws::Rect*>(message.lparam) = RowRect(as_index(message.wparam));
      return 0;
    case ws::lb::get_sel: {
      const std::int32_t index = as_index(message.wparam);
      if (index < 0 || index > LastIndex_) return ws::lb::error;
      return QueryItemSelected(index) ? 1 : 0;
    }
    case ws::lb::set_top_index: {
      const std::int32_t index = as_index(message.wparam);
      if (index < 0 || index > LastIndex_) return ws::lb::error;
      SetTopIndex(index);
      return 0;
    }
    case ws::lb::reset_content:
      SetNumItems(0);
      return 0;
    case ws::lb::set_tab_stops: return SetTabStops(message.wparam, message.lparam);
    case ws::lb::set_cur_sel: {
      // Honoured in both modes, as the system's own list boxes do.
      const std::int32_t index = as_index(message.wparam);
      if (index < -1 || index > LastIndex_) return ws::lb::error;
      SetItemIndex(index);
      return 0;
    }
    case ws::lb::set_sel: {
      if (!MultiSelect_) return ws::lb::error;
      const bool select = as_index(message.wparam) > 0;
      const auto index = static_cast<std::int64_t>(message.lparam);
      if (index == -1) {
        SelectAll(select);
      } else if (index >= 0 && index <= LastIndex_) {
        NotifySelect(static_cast<std::int32_t>(index), select);
        InvalidateItem(static_cast<std::int32_t>(index));
      } else {
        return ws::lb::error;
      }
      return 0;
    }
    case ws::lb::sel_item_range: {
      if (!MultiSelect_) return ws::lb::error;
      const std::int32_t from = ws::low_word(static_cast<std::uintptr_t>(message.lparam));
      const std::int32_t to = ws::high_word(static_cast<std::uintptr_t>(message.lparam));
      if (from > LastIndex_ || to > LastIndex_) return ws::lb::error;
      SelectRange(from, to, as_index(message.wparam) > 0);
      return 0;
    }
    case ws::msg::get_dialog_code:
      return TOvcCustomControlEx::window_proc(message) | ws::dialog_code::want_arrows | ws::dialog_code::want_chars;
    case ws::msg::erase_background: return 1;
    case ws::msg::mouse_activate:
      if (focused()) return TOvcCustomControlEx::window_proc(message);
      // A click must not take the focus from a field whose error is being reported.
      return GetController().ErrorPending ? ws::mouse_activation::no_activate_and_eat
                                          : ws::mouse_activation::activate;
    case ws::msg::set_focus:
    case ws::msg::kill_focus: {
      const ws::LResult result = TOvcCustomControlEx::window_proc(message);
      InvalidateItem(FocusIndex_);
      return result;
    }
    case ws::msg::size:
      if (WindowExists()) Resized();
      return TOvcCustomControlEx::window_proc(message);
    case ws::msg::set_font: {
      const ws::LResult result = TOvcCustomControlEx::window_proc(message);
      if (WindowExists() && !Loading()) {
        RecalcLayout();
        UpdateScrollBars();
        invalidate();
      }
      return result;
    }
    case ws::msg::vscroll:
      VerticalScroll(ws::low_word(message.wparam), ws::high_word(message.wparam));
      return 0;
    case ws::msg::hscroll:
      HorizontalScroll(ws::low_word(message.wparam), ws::high_word(message.wparam));
      return 0;
    case ws::msg::key_down: {
      TOvcCustomControlEx::window_proc(message);
      if (message.wparam == 0) return 0;
      KeyCommand(GetController().EntryCommands().Translate(message));
      return 0;
    }
    case ws::msg::character: {
      TOvcCustomControlEx::window_proc(message);
      if (message.wparam == 0) return 0;
      const std::int32_t index = QueryCharItem(static_cast<char>(message.wparam));
      if (index >= 0 && index <= LastIndex_) SetItemIndex(index);
      return 0;
    }
    case ws::msg::mouse_move:
      cursor_ = ws::point_from_lparam(message.lparam);
      return TOvcCustomControlEx::window_proc(message);
    case ws::msg::left_button_down:
      LeftButtonDown(message);
      return 0;
    case ws::msg::left_button_double_click:
      cursor_ = ws::point_from_lparam(message.lparam);
      if (cursor_.y > HeaderRows() * RowHeight_) return TOvcCustomControlEx::window_proc(message);
      return 0;
    default: return TOvcCustomControlEx::window_proc(message);
  }
}

// Extend commands act only with a multiple selection.
void TOvcCustomVirtualListBox::KeyCommand(std::uint16_t command) {
  const bool horizontal_bar = scroll_bar_visible(ws::ScrollBarKind::horizontal);
  const std::int64_t page = std::max(1, RowsPerPage_ - 1);
  switch (command) {
    case ccLeft:
      if (horizontal_bar) {
        if (HOffset_ > 0) SetHOffset(HOffset_ - 1);
        return;
      }
      [[fallthrough]];
    case ccUp:
      if (ItemIndex_ > 0) SelectTarget(ItemIndex_ - 1);
      return;
    case ccRight:
      if (horizontal_bar) {
        if (HOffset_ < Columns_) SetHOffset(HOffset_ + 1);
        return;
      }
      [[fallthrough]];
    case ccDown:
      if (ItemIndex_ < LastIndex_) SelectTarget(ItemIndex_ + 1);
      return;
    case ccHome:
      if (ItemIndex_ != 0) SelectTarget(0);
      return;
    case ccEnd:
      if (NumItems_ > 0 && ItemIndex_ != LastIndex_) SelectTarget(LastIndex_);
      return;
    case ccPrevPage:
    case ccNextPage: {
      if (NumItems_ == 0) return;
      const std::int64_t target = command == ccPrevPage ? std::max<std::int64_t>(0, ItemIndex_ - page)
                                                        : std::min<std::int64_t>(LastIndex_, ItemIndex_ + page);
      if (target != ItemIndex_) SelectTarget(static_cast<std::int32_t>(target));
      return;
    }
    case ccExtendUp:
    case ccExtendDown:
    case ccExtendPgUp:
    case ccExtendPgDn:
    case ccExtendHome:
    case ccExtendEnd: {
      if (!MultiSelect_) return;
      std::int64_t target = ItemIndex_;
      switch (command) {
        case ccExtendUp: target -= 1; break;
        case ccExtendDown: target += 1; break;
        case ccExtendPgUp: target -= RowsPerPage_ - 1; break;
        case ccExtendPgDn: target += RowsPerPage_ - 1; break;
        case ccExtendHome:
          if (ItemIndex_ <= 0) return;
          target = 0;
          break;
        default:
          if (ItemIndex_ >= LastIndex_) return;
          target = LastIndex_;
          break;
      }
      const auto index = static_cast<std::int32_t>(std::clamp<std::int64_t>(target, -1, LastIndex_));
      SelectAndShow(index);
      SelectRangeTo(index);
      return;
    }
    default:
      if (command >= 256) NotifyUserCommand(command);
      return;
  }
}

void TOvcCustomVirtualListBox::SelectTarget(std::int32_t target) {
  SelectAll(false);
  SetItemIndex(target);
  AnchorIndex_ = ItemIndex_;
}

void TOvcCustomVirtualListBox::SelectAll(bool select) {
  const std::int64_t last_on_page = std::min<std::int64_t>(std::int64_t{TopIndex_} + RowsPerPage_ - 1, LastIndex_);
  for (std::int64_t index = TopIndex_; index <= last_on_page; ++index) {
    if (QueryItemSelected(static_cast<std::int32_t>(index)) != select) InvalidateItem(static_cast<std::int32_t>(index));
  }
  NotifySelect(-1, select);
}

void TOvcCustomVirtualListBox::SelectRange(std::int32_t from, std::int32_t to, bool select) {
  const std::int32_t step = to < from ? -1 : 1;
  for (std::int32_t index = from;; index += step) {
    NotifySelect(index, select);
    InvalidateItem(index);
    if (index == to) break;
  }
}

void TOvcCustomVirtualListBox::SelectAndShow(std::int32_t index) {
  index = std::clamp(index, 0, std::max(LastIndex_, 0));
  ItemIndex_ = index;
  MakeVisible(index);
  NotifySelect(index, true);
  InvalidateItem(index);
}

void TOvcCustomVirtualListBox::SelectRangeTo(std::int32_t index) {
  index = std::clamp(index, 0, std::max(LastIndex_, 0));
  SelectAll(false);
  SelectRange(AnchorIndex_, index, true);
  ItemIndex_ = index;
  SetFocusIndex(index);
  update();
}

void TOvcCustomVirtualListBox::ToggleItem(std::int32_t index) {
  if (index < 0 || index > LastIndex_) return;
  NotifySelect(index, !QueryItemSelected(index));
  SetFocusIndex(index);
  RedrawItem(index);
  ItemIndex_ = index;
  AnchorIndex_ = index;
}

void TOvcCustomVirtualListBox::ExtendSelection(std::int32_t anchor, std::int32_t index) {
  SelectAndShow(index);
  const std::int32_t low = std::min(anchor, index);
  const std::int32_t high = std::max(anchor, index);
  const std::int64_t last_on_page = std::min<std::int64_t>(std::int64_t{TopIndex_} + RowsPerPage_ - 1, LastIndex_);
  for (std::int64_t item = TopIndex_; item <= last_on_page; ++item) {
    const auto row = static_cast<std::int32_t>(item);
    if ((row < low || row > high) && QueryItemSelected(row)) InvalidateItem(row);
  }
  NotifySelect(-1, false);
  SelectRange(anchor, index, true);
  SetFocusIndex(index);
  update();
}

void TOvcCustomVirtualListBox::LeftButtonDown(const ws::Message& message) {
  cursor_ = ws::point_from_lparam(message.lparam);
  const bool automatic_drag = DragMode == TDragMode::dmAutomatic;
  const bool ctrl = (message.wparam & ws::mk::control) != 0;
  const bool shift = (message.wparam & ws::mk::shift) != 0;
  // A press on a selected item may be the start of dragging the selection.
  if (automatic_drag && MultiSelect_ && (!shift || ctrl)) {
    const std::int32_t item = ItemAtPoint(cursor_);
    if (item != -1 && QueryItemSelected(item)) {
      ws::begin_drag(*this, cursor_);
      return;
    }
  }
  ws::Message press = message;
  TOvcCustomControlEx::window_proc(press);
  if (automatic_drag && (!MultiSelect_ || (!ctrl && !shift))) ws::begin_drag(*this, cursor_);
  if (!focused() && can_focus()) set_focus();
  if (ShowHeader_ && cursor_.y < RowHeight_) {
    NotifyHeaderClick(cursor_);
    return;
  }
  if (NumItems_ == 0) return;
  if (MultiSelect_ && ctrl) {
    ToggleItem(ItemAtCursor());
    return;
  }
  if (MultiSelect_ && shift) {
    SelectRangeTo(ItemAtCursor());
    return;
  }
  SelectAll(false);
  if (ItemIndex_ != -1) {
    NotifySelect(ItemIndex_, true);
    SetFocusIndex(ItemIndex_);
  }
  TrackClick();
}

// Follows the held button: the row under the cursor becomes current (or
// extends the selection) until the button is released.
void TOvcCustomVirtualListBox::TrackClick() {
  const ws::WindowHandle box = handle();
  std::int32_t last = -1;
  for (bool first = true;; first = false) {
    const std::int32_t item = ItemAtCursor();
    if (item <= LastIndex_) {
      if (!MultiSelect_ || first) {
        SetItemIndex(item);
        AnchorIndex_ = item;
        last = item;
      } else if (item != last) {
        ExtendSelection(AnchorIndex_, item);
        last = item;
      }
    }
    // Nobody can release a button the injector no longer holds for a headless run.
    const bool nothing_to_come = ws::headless() && !ws::input_pending();
    ws::process_messages();
    // The box may have been destroyed by what the messages did.
    if (!ws::is_window(box)) return;
    if (!ws::key_is_down(PrimaryMouseButton()) || ws::dragging() || !has_capture() || ws::terminated()) return;
    if (nothing_to_come) {
      release_capture();
      return;
    }
    if (!ws::headless()) platform::clock().sleep_microseconds(tracking_pause_us);
  }
}

std::int32_t TOvcCustomVirtualListBox::ItemAtCursor() const {
  const std::int64_t y = cursor_.y;
  const std::int64_t header = std::int64_t{HeaderRows()} * RowHeight_;
  const std::int64_t client_height = ClientHeight();
  std::int64_t item = 0;
  if (y < header) {
    item = std::max<std::int64_t>(y / RowHeight_ + TopIndex_ - 1, 0);
  } else if (y < client_height) {
    return ItemInClientArea(y);
  } else {
    item = std::min<std::int64_t>(y / RowHeight_ + TopIndex_, LastIndex_);
  }
  return clamped_index(item);
}

std::int32_t TOvcCustomVirtualListBox::ItemAtPoint(ws::Point point) const {
  const std::int64_t y = point.y;
  if (y < std::int64_t{HeaderRows()} * RowHeight_ || y >= ClientHeight()) return -1;
  const std::int32_t item = ItemInClientArea(y);
  return item > LastIndex_ ? -1 : item;
}

// The partial bottom row counts as the last whole row.
std::int32_t TOvcCustomVirtualListBox::ItemInClientArea(std::int64_t y) const {
  std::int64_t item = y / RowHeight_ + TopIndex_ - HeaderRows();
  if (ClientHeight() % RowHeight_ != 0) item = std::min<std::int64_t>(item, std::int64_t{TopIndex_} + RowsPerPage_ - 1);
  return clamped_index(item);
}

void TOvcCustomVirtualListBox::drag_cancelled(ws::Point point) {
  const ws::LParam at = ws::make_lparam(point.x, point.y);
  ws::Message press{handle(), ws::msg::left_button_down, ws::mk::left_button, at};
  ws::Window::window_proc(press);
  ws::Message release{handle(), ws::msg::left_button_up, 0, at};
  ws::Window::window_proc(release);
}

}  // namespace vx::controls

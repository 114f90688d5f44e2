#include "controls/virtual_list_box.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "controls/exceptions.h"
#include "controls/messages.h"
#include "platform/ws/messages.h"

namespace vx::controls {
namespace {

constexpr std::int32_t largest_count = std::numeric_limits<std::int32_t>::max();
// Row and header texts pass through a 256-byte buffer.
constexpr std::size_t longest_text = 255;
constexpr std::size_t most_tab_stops = 128;
constexpr std::string_view alphabet = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";

std::int32_t clamp_index(std::int64_t value) {
  return static_cast<std::int32_t>(
      std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(), largest_count));
}

int clamp_pixels(std::int64_t value) {
  return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min() / 2,
                                                    std::numeric_limits<int>::max() / 2));
}

bool aligned_to_side(ws::Align align) {
  return align == ws::Align::left || align == ws::Align::right || align == ws::Align::client;
}

}  // namespace

TOvcCustomVirtualListBox::TOvcCustomVirtualListBox(ws::Window* parent)
    : TOvcCustomControlEx(parent),
      HeaderColor_(ws::color::button_text, ws::color::button_face),
      ProtectColor_(ws::color::white, ws::color::red),
      SelectColor_(ws::color::highlight_text, ws::color::highlight),
      NumItems_(largest_count),
      LastIndex_(largest_count - 1) {
  for (TOvcColors* colours : {&HeaderColor_, &ProtectColor_, &SelectColor_}) {
    colours->OnColorChange = [this] { invalidate(); };
  }
  set_color(ws::color::window);
  set_tab_stop(true);
  set_border_style(ws::BorderStyle::single);
  set_bounds(left(), top(), 100, 150);
  captures_mouse = true;
}

TOvcCustomVirtualListBox::~TOvcCustomVirtualListBox() = default;

void TOvcCustomVirtualListBox::CreateWnd() {
  TOvcCustomControlEx::CreateWnd();
  WindowMade();
}

void TOvcCustomVirtualListBox::WindowMade() {
  ApplyScrollStyle();
  created_ = true;
  LastIndex_ = NumItems_ - 1;
  FocusIndex_ = 0;
  RecalcLayout();
  UpdateScrollBars();
}

// The look of a single border is part of the window's style: the window is made again.
void TOvcCustomVirtualListBox::ctl3d_changed() {
  TOvcCustomControlEx::ctl3d_changed();
  if (border_style() != ws::BorderStyle::single || !WindowExists() || Loading()) return;
  WindowMade();
  invalidate();
}

void TOvcCustomVirtualListBox::ApplyScrollStyle() {
  const bool horizontal = ScrollBars_ == TScrollStyle::ssHorizontal || ScrollBars_ == TScrollStyle::ssBoth;
  show_scroll_bar(ws::ScrollBarKind::horizontal, horizontal);
  if (ScrollBars_ != TScrollStyle::ssVertical && ScrollBars_ != TScrollStyle::ssBoth) {
    show_scroll_bar(ws::ScrollBarKind::vertical, false);
  }
}

void TOvcCustomVirtualListBox::SetAutoRowHeight(bool value) {
  if (value == AutoRowHeight_) return;
  AutoRowHeight_ = value;
  if (!value) return;
  RecalcLayout();
  UpdateScrollBars();
  invalidate();
}

void TOvcCustomVirtualListBox::SetColumns(std::int32_t value) {
  Columns_ = std::max(value, 0);
  HOffset_ = std::min(HOffset_, Columns_);
  UpdateScrollBars();
}

void TOvcCustomVirtualListBox::SetHeader(const std::string& value) {
  if (value == Header_) return;
  Header_ = value;
  invalidate();
}

void TOvcCustomVirtualListBox::SetIntegralHeight(bool value) {
  if (value && aligned_to_side(align())) return;
  if (value == IntegralHeight_) return;
  IntegralHeight_ = value;
  if (value) {
    RecalcLayout();
    UpdateScrollBars();
  }
}

void TOvcCustomVirtualListBox::SetMultiSelect(bool value) {
  if (Loading()) MultiSelect_ = value;
}

void TOvcCustomVirtualListBox::SetRowHeight(std::int32_t value) {
  // A row of no height would leave the layout and hit tests nothing to divide by.
  if (value < 1 || value == RowHeight_) return;
  if (!Loading()) AutoRowHeight_ = false;
  RowHeight_ = value;
  RecalcLayout();
  UpdateScrollBars();
  invalidate();
}

void TOvcCustomVirtualListBox::ChangeScale(int multiplier, int divisor) {
  if (multiplier == divisor || multiplier <= 0 || divisor <= 0) return;
  const double scaled = std::round(static_cast<double>(RowHeight_) * multiplier / divisor);
  RowHeight_ = static_cast<std::int32_t>(std::clamp(scaled, 1.0, double{std::numeric_limits<std::int32_t>::max()}));
  RecalcLayout();
  UpdateScrollBars();
  invalidate();
}

void TOvcCustomVirtualListBox::SetScrollBars(TScrollStyle value) {
  if (value == ScrollBars_) return;
  ScrollBars_ = value;
  if (!WindowExists()) return;
  ApplyScrollStyle();
  RecalcLayout();
  UpdateScrollBars();
  invalidate();
}

void TOvcCustomVirtualListBox::SetShowHeader(bool value) {
  if (value == ShowHeader_) return;
  ShowHeader_ = value;
  RecalcLayout();
  UpdateScrollBars();
  invalidate();
}

void TOvcCustomVirtualListBox::SetUseTabStops(bool value) {
  if (value == UseTabStops_) return;
  UseTabStops_ = value;
  invalidate();
}

void TOvcCustomVirtualListBox::RecalcLayout() {
  if (!WindowExists()) return;
  const ws::Font& box_font = font();
  if (AutoRowHeight_ && !Loading()) RowHeight_ = std::max(1, ws::text_extent(box_font, "Wy").height);
  RowsPerPage_ = std::max(1, ClientHeight() / RowHeight_ - HeaderRows());
  DialogUnit_ = ws::text_extent(box_font, alphabet).width / 52 / 4;
}

void TOvcCustomVirtualListBox::UpdateScrollBars() {
  if (!WindowExists()) return;
  ScrollDivisor_ = 1;
  if (NumItems_ <= 32767) {
    ScrollRange_ = NumItems_;
  } else {
    ScrollDivisor_ = (NumItems_ / 32768) * 2;
    ScrollRange_ = NumItems_ / ScrollDivisor_;
  }
  const bool vertical = ScrollBars_ == TScrollStyle::ssVertical || ScrollBars_ == TScrollStyle::ssBoth;
  if (!vertical || NumItems_ <= RowsPerPage_) ScrollRange_ = 0;
  if (vertical) {
    const ws::ScrollInfo bar{0, ScrollRange_ - 1, ScrollPage(), TopIndex_ / ScrollDivisor_};
    if (scroll_info(ws::ScrollBarKind::vertical) != bar) set_scroll_info(ws::ScrollBarKind::vertical, bar);
    // As the system's list boxes do, the bar goes when there is nothing to scroll.
    show_scroll_bar(ws::ScrollBarKind::vertical, ScrollRange_ > 0);
  }
  if (scroll_bar_visible(ws::ScrollBarKind::horizontal)) {
    const ws::ScrollInfo bar{0, Columns_, Columns_ / 2, HOffset_};
    if (scroll_info(ws::ScrollBarKind::horizontal) != bar) set_scroll_info(ws::ScrollBarKind::horizontal, bar);
  }
}

std::int32_t TOvcCustomVirtualListBox::ScrollPage() const { return std::max(1, RowsPerPage_ / ScrollDivisor_); }

ws::Rect TOvcCustomVirtualListBox::RowRect(std::int64_t index) const {
  const int y = clamp_pixels((index + HeaderRows() - TopIndex_) * RowHeight_);
  return {0, y, client_rect().right, y + RowHeight_};
}

void TOvcCustomVirtualListBox::InvalidateItem(std::int32_t index) {
  if (index < TopIndex_ || std::int64_t{index} >= std::int64_t{TopIndex_} + RowsPerPage_) return;
  invalidate(RowRect(index), false);
}

void TOvcCustomVirtualListBox::RedrawItem(std::int32_t index) {
  InvalidateItem(index);
  update();
}

void TOvcCustomVirtualListBox::BeginUpdate() { ++UpdateCount_; }

void TOvcCustomVirtualListBox::EndUpdate() {
  // Kept at zero: below it, every later update would fail the same way.
  if (UpdateCount_ == 0) throw EOvcException("Mismatched BeginUpdate/EndUpdate");
  // Only what was left unpainted meanwhile: the rows already drawn stay as they are.
  if (--UpdateCount_ == 0) {
    invalidate(SuspendedPart_, false);
    SuspendedPart_ = {};
  }
}

void TOvcCustomVirtualListBox::SetNumItems(std::int32_t value) {
  if (value == NumItems_) return;
  if (value < 0) value = largest_count;
  const std::int32_t old_count = NumItems_;
  NumItems_ = value;
  LastIndex_ = value - 1;
  HOffset_ = 0;
  if (!Loading()) {
    if (ItemIndex_ >= value) SetItemIndex(-1);
    if (std::int64_t{TopIndex_} + RowsPerPage_ > value) MoveTopRow(value - 1, true);
  }
  if (value <= RowsPerPage_ || old_count <= RowsPerPage_) repaint();
  UpdateScrollBars();
}

void TOvcCustomVirtualListBox::SetTopIndex(std::int32_t index) {
  if (index != TopIndex_) MoveTopRow(index, false);
}

void TOvcCustomVirtualListBox::MoveTopRow(std::int32_t index, bool immediate) {
  if (index < 0 || index > LastIndex_) return;
  update();
  const std::int32_t old_top = TopIndex_;
  std::int64_t top = index;
  if (top + RowsPerPage_ - 1 > LastIndex_) top = std::int64_t{LastIndex_} - RowsPerPage_ + 1;
  top = std::max<std::int64_t>(top, 0);
  if (top == old_top) return;
  TopIndex_ = static_cast<std::int32_t>(top);
  if (WindowExists() && scroll_bar_visible(ws::ScrollBarKind::vertical)) {
    ws::ScrollInfo bar = scroll_info(ws::ScrollBarKind::vertical);
    bar.position = TopIndex_ / ScrollDivisor_;
    // The bar is drawn with the uncovered rows below; redrawing it here would repaint every row.
    set_scroll_info(ws::ScrollBarKind::vertical, bar, false);
  }
  ws::Rect area = client_rect();
  area.top = std::min(area.bottom, HeaderRows() * RowHeight_);
  ws::Rect items = area;
  items.bottom = area.top + (area.height() / RowHeight_) * RowHeight_;
  const ws::Rect strip{area.left, items.bottom, area.right, area.bottom};
  const std::int64_t rows = std::clamp<std::int64_t>(std::int64_t{old_top} - TopIndex_, -RowsPerPage_, RowsPerPage_);
  update();
  // While suspended nobody sees the rows move: one step, not a smooth scroll.
  const int distance = static_cast<int>(rows * RowHeight_);
  const ws::Rect uncovered = ScrollArea(items, distance, !immediate && SmoothScroll && UpdateCount_ == 0);
  // What waits to be painted moves with the rows.
  if (!SuspendedPart_.empty()) {
    const ws::Rect moved = ws::intersect(SuspendedPart_.offset(0, distance), items);
    SuspendedPart_ = ws::intersect(SuspendedPart_, items) == SuspendedPart_ ? moved : ws::unite(moved, SuspendedPart_);
  }
  invalidate(uncovered, false);
  invalidate(strip, false);
  NotifyTopIndexChanged(TopIndex_);
  update();
  SetFocusIndex(ItemIndex_);
}

ws::Rect TOvcCustomVirtualListBox::ScrollArea(const ws::Rect& rect, int distance, bool smooth) {
  if (distance == 0 || rect.empty()) return {};
  const int length = std::abs(distance);
  const int step = smooth ? std::max(length / 4, std::min(2, length)) : length;
  ws::Rect uncovered = rect;
  if (length < rect.height() + 1) {
    uncovered = distance > 0 ? ws::Rect{rect.left, rect.top, rect.right, rect.top + length}
                             : ws::Rect{rect.left, rect.bottom - length, rect.right, rect.bottom};
  }
  ws::Canvas surface = canvas();
  for (int done = 0; done < length;) {
    const int chunk = std::min(step, length - done);
    uncovered = ws::unite(uncovered, surface.scroll(0, distance > 0 ? chunk : -chunk, rect, rect));
    done += chunk;
  }
  return uncovered;
}

void TOvcCustomVirtualListBox::ScrollRows(std::int32_t delta) {
  std::int64_t top = std::int64_t{TopIndex_} + delta;
  const std::int64_t last_top = std::int64_t{LastIndex_} - RowsPerPage_ + 1;
  if (top < 0) {
    top = delta > 0 ? LastIndex_ : 0;
  } else if (top > last_top) {
    top = RowsPerPage_ - 1 < LastIndex_ ? last_top : 0;
  }
  SetTopIndex(clamp_index(top));
}

void TOvcCustomVirtualListBox::MakeVisible(std::int32_t index) {
  if (index < TopIndex_) {
    SetTopIndex(index);
  } else if (std::int64_t{index} > std::int64_t{TopIndex_} + RowsPerPage_ - 1) {
    SetTopIndex(clamp_index(std::max<std::int64_t>(std::int64_t{index} - RowsPerPage_ + 1, 0)));
  }
}

void TOvcCustomVirtualListBox::SetItemIndex(std::int32_t index) {
  index = std::max(index, -1);
  if (index > LastIndex_) index = LastIndex_ >= 0 ? LastIndex_ : -1;
  if (index == ItemIndex_) return;
  const std::int32_t old_index = ItemIndex_;
  InvalidateItem(old_index);
  NotifySelect(old_index, false);
  ItemIndex_ = index;
  update();
  if (index >= 0) {
    MakeVisible(index);
    NotifySelect(index, true);
  }
  SetFocusIndex(index >= 0 ? index : 0);
  RedrawItem(index);
  if (!has_capture()) NotifyClick();
}

void TOvcCustomVirtualListBox::SetFocusIndex(std::int32_t index) {
  if (index == FocusIndex_) return;
  InvalidateItem(FocusIndex_);
  FocusIndex_ = index;
  InvalidateItem(index);
}

void TOvcCustomVirtualListBox::SetHOffset(std::int32_t offset) {
  offset = std::clamp(offset, 0, Columns_);
  if (offset == HOffset_) return;
  HOffset_ = offset;
  UpdateScrollBars();
  invalidate();
}

void TOvcCustomVirtualListBox::ScrollColumns(std::int32_t delta) {
  SetHOffset(static_cast<std::int32_t>(std::int64_t{HOffset_} + delta < 0 ? 0 : std::min<std::int64_t>(
                                                                                     std::int64_t{HOffset_} + delta,
                                                                                     Columns_)));
}

void TOvcCustomVirtualListBox::VerticalScroll(int code, int position) {
  switch (code) {
    case ws::scroll_code::line_up: ScrollRows(-1); break;
    case ws::scroll_code::line_down: ScrollRows(1); break;
    case ws::scroll_code::page_up: ScrollRows(-(RowsPerPage_ - 1)); break;
    case ws::scroll_code::page_down: ScrollRows(RowsPerPage_ - 1); break;
    case ws::scroll_code::thumb_position:
    case ws::scroll_code::thumb_track: {
      const auto thumb = static_cast<std::int16_t>(position);
      std::int64_t top = std::int64_t{thumb} * ScrollDivisor_;
      // The thumb stops a page short of the range's end: there the last page shows.
      const std::int32_t last_reachable = ScrollRange_ - ScrollPage();
      if (thumb == 0) {
        top = 0;
      } else if (thumb >= last_reachable) {
        top = NumItems_ <= RowsPerPage_ ? 0 : std::int64_t{LastIndex_} - RowsPerPage_ + 1;
      }
      MoveTopRow(clamp_index(top), true);
      break;
    }
    default: break;
  }
}

void TOvcCustomVirtualListBox::HorizontalScroll(int code, int position) {
  switch (code) {
    case ws::scroll_code::line_up: ScrollColumns(-1); break;
    case ws::scroll_code::line_down: ScrollColumns(1); break;
    case ws::scroll_code::page_up: ScrollColumns(-10); break;
    case ws::scroll_code::page_down: ScrollColumns(10); break;
    case ws::scroll_code::thumb_position:
    case ws::scroll_code::thumb_track: SetHOffset(position); break;
    default: break;
  }
}

void TOvcCustomVirtualListBox::DoMouseWheel(ws::ShiftState shift, std::int16_t delta, std::uint16_t x,
                                            std::uint16_t y) {
  TOvcCustomControlEx::DoMouseWheel(shift, delta, x, y);
  if (delta == 0) return;
  for (std::int32_t notch = 0; notch < WheelDelta; ++notch) {
    VerticalScroll(delta < 0 ? ws::scroll_code::line_down : ws::scroll_code::line_up, 0);
  }
}

void TOvcCustomVirtualListBox::bounds_changed(const ws::Rect& old_bounds) {
  TOvcCustomControlEx::bounds_changed(old_bounds);
  if (aligned_to_side(align())) IntegralHeight_ = false;
}

void TOvcCustomVirtualListBox::Resized() {
  RecalcLayout();
  UpdateScrollBars();
  if (std::int64_t{TopIndex_} + RowsPerPage_ - 1 >= NumItems_) {
    SetTopIndex(std::max(0, NumItems_ - RowsPerPage_));
  }
}

ws::LResult TOvcCustomVirtualListBox::SetTabStops(ws::WParam count, ws::LParam stops) {
  std::size_t wanted = count & 0xFF;
  const bool fits = wanted <= most_tab_stops;
  wanted = std::min(wanted, most_tab_stops);
  if (wanted > 0 && stops == 0) return 0;
  const auto* positions = reinterpret_cast<const std::int32_t*>(stops);
  TabCount_ = static_cast<std::int32_t>(wanted);
  // Kept within the pixel range the tab layout can add to without overflowing.
  for (std::size_t i = 0; i < wanted; ++i) TabStops_[i] = clamp_pixels(std::int64_t{positions[i]} * DialogUnit_);
  return fits ? 1 : 0;
}

void TOvcCustomVirtualListBox::NotifyDrawItem(std::int32_t index, const ws::Rect& rect, std::string_view s) {
  if (OnDrawItem) OnDrawItem(*this, index, rect, s);
}

std::string TOvcCustomVirtualListBox::QueryItemText(std::int32_t index) {
  std::string text;
  if (OnGetItem) {
    OnGetItem(*this, index, text);
  } else {
    text = fill_placeholders(MessageText(msg::get_item_not_assigned), {std::to_string(index)});
  }
  if (text.size() > longest_text) text.resize(longest_text);
  return text;
}

void TOvcCustomVirtualListBox::QueryItemColors(std::int32_t index, ws::Color& fg, ws::Color& bg) {
  if (OnGetItemColor) OnGetItemColor(*this, index, fg, bg);
}

bool TOvcCustomVirtualListBox::QueryItemProtected(std::int32_t index) {
  bool protect = false;
  if (OnGetItemStatus) OnGetItemStatus(*this, index, protect);
  return protect;
}

bool TOvcCustomVirtualListBox::QueryItemSelected(std::int32_t index) {
  bool selected = index == ItemIndex_;
  if (!MultiSelect_) return selected;
  if (!OnIsSelected) throw EOnIsSelectedNotAssigned();
  OnIsSelected(*this, index, selected);
  return selected;
}

void TOvcCustomVirtualListBox::NotifyClick() { click(); }

std::int32_t TOvcCustomVirtualListBox::QueryCharItem(char ch) {
  std::int32_t index = ItemIndex_;
  if (OnCharToItem) OnCharToItem(*this, ch, index);
  return index;
}

void TOvcCustomVirtualListBox::NotifyHeaderClick(const ws::Point& point) {
  if (OnClickHeader) OnClickHeader(*this, point);
}

void TOvcCustomVirtualListBox::NotifySelect(std::int32_t index, bool selected) {
  if (!MultiSelect_) return;
  if (selected && QueryItemProtected(index)) return;
  if (!OnSelect) throw EOnSelectNotAssigned();
  OnSelect(*this, index, selected);
}

void TOvcCustomVirtualListBox::NotifyTopIndexChanged(std::int32_t new_top_index) {
  if (OnTopIndexChanged) OnTopIndexChanged(*this, new_top_index);
}

void TOvcCustomVirtualListBox::NotifyUserCommand(std::uint16_t command) {
  if (OnUserCommand) OnUserCommand(*this, command);
}

void TOvcCustomVirtualListBox::paint(ws::Canvas& canvas) {
  // Suspended: the invalid parts wait for the last EndUpdate.
  if (UpdateCount_ > 0) {
    SuspendedPart_ = ws::unite(SuspendedPart_, canvas.clip_box());
    return;
  }
  paint_canvas_ = &canvas;
  canvas.font = font();
  canvas.background_mode = ws::BackgroundMode::transparent;
  const ws::Rect clip = canvas.clip_box();
  const ws::Rect client = client_rect();
  if (ShowHeader_ && !ws::intersect(ws::Rect{0, 0, client.right, RowHeight_}, clip).empty()) DrawHeader(canvas);
  const std::int64_t rows = std::min<std::int64_t>(RowsPerPage_, NumItems_);
  std::int64_t drawn = 0;
  for (; drawn < rows; ++drawn) {
    const std::int64_t index = std::int64_t{TopIndex_} + drawn;
    if (index > largest_count) break;
    const int y = clamp_pixels((drawn + HeaderRows()) * RowHeight_);
    const ws::Rect row{0, y, client.right, y + RowHeight_};
    if (!ws::intersect(row, clip).empty()) DrawItem(canvas, static_cast<std::int32_t>(index), y);
  }
  const ws::Rect rest{0, clamp_pixels((drawn + HeaderRows()) * RowHeight_), client.right, client.bottom};
  if (!rest.empty()) {
    canvas.brush.color = color();
    canvas.brush.clear = false;
    canvas.fill_rect(rest);
  }
  if (FocusIndex_ != -1 && focused() && FocusIndex_ >= TopIndex_ &&
      std::int64_t{FocusIndex_} < std::int64_t{TopIndex_} + RowsPerPage_) {
    canvas.draw_focus_rect(RowRect(FocusIndex_));
  }
  paint_canvas_ = nullptr;
}

void TOvcCustomVirtualListBox::DrawItem(ws::Canvas& canvas, std::int32_t index, int y) {
  const ws::Rect row{0, y, client_rect().right, y + RowHeight_};
  ws::Color fg = font().color;
  ws::Color bg = color();
  if (QueryItemProtected(index)) {
    fg = ProtectColor_.TextColor();
    bg = ProtectColor_.BackColor();
  } else if (QueryItemSelected(index)) {
    fg = SelectColor_.TextColor();
    bg = SelectColor_.BackColor();
  } else {
    QueryItemColors(index, fg, bg);
  }
  canvas.brush.color = bg;
  canvas.brush.clear = false;
  canvas.fill_rect(row);
  if (index > LastIndex_) return;
  const std::string text = QueryItemText(index);
  if (text.size() <= static_cast<std::size_t>(HOffset_)) return;
  const std::string_view shown = std::string_view(text).substr(static_cast<std::size_t>(HOffset_));
  canvas.font.color = fg;
  canvas.background_color = bg;
  if (OwnerDraw) {
    NotifyDrawItem(index, row, shown);
  } else {
    DrawRowText(canvas, row, text, shown);
  }
}

void TOvcCustomVirtualListBox::DrawRowText(ws::Canvas& canvas, const ws::Rect& rect, std::string_view whole,
                                           std::string_view shown) {
  if (!UseTabStops_) {
    canvas.text_rect(rect, rect.left + 2, rect.top, shown);
    return;
  }
  const std::span<const int> stops(TabStops_.data(), static_cast<std::size_t>(TabCount_));
  const int skipped =
      HOffset_ > 0 ? canvas.tabbed_text_extent(whole.substr(0, static_cast<std::size_t>(HOffset_)), stops).width : 0;
  canvas.tabbed_text_out(rect.left + 2, rect.top, shown, stops, rect.left + 2 - skipped);
}

void TOvcCustomVirtualListBox::DrawHeader(ws::Canvas& canvas) {
  const ws::Rect rect{0, 0, width(), RowHeight_ - 1};
  canvas.brush.color = HeaderColor_.BackColor();
  canvas.brush.clear = false;
  canvas.fill_rect(rect);
  std::string header = Header_.substr(0, longest_text);
  if (header.size() > static_cast<std::size_t>(HOffset_)) {
    canvas.font.color = HeaderColor_.TextColor();
    DrawRowText(canvas, rect, header, std::string_view(header).substr(static_cast<std::size_t>(HOffset_)));
  }
  canvas.pen = ws::Pen{ws::color::black};
  canvas.move_to(rect.left, rect.bottom);
  canvas.line_to(rect.right, rect.bottom);
  if (!ctl3d()) return;
  canvas.pen = ws::Pen{ws::color::button_highlight};
  canvas.move_to(rect.left, rect.bottom - 1);
  canvas.line_to(rect.left, rect.top);
  canvas.line_to(rect.right, rect.top);
}

}  // namespace vx::controls

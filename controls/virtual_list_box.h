#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "controls/colors.h"
#include "controls/custom_control.h"
#include "platform/ws/canvas.h"

namespace vx::controls {

enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
// Automatic: a press starts a drag of the box (deferred until the mouse moves).
enum class TDragMode { dmManual, dmAutomatic };

// A list box that holds no items: it knows how many there are and asks its
// owner for the text of each row as the row is painted, so any length
// costs the same. The owner may also keep a multiple selection.
class TOvcCustomVirtualListBox : public TOvcCustomControlEx {
 public:
  using TGetItemEvent =
      std::function<void(TOvcCustomVirtualListBox& sender, std::int32_t index, std::string& item_string)>;
  using TDrawItemEvent = std::function<void(TOvcCustomVirtualListBox& sender, std::int32_t index,
                                            const ws::Rect& rect, std::string_view s)>;
  using TGetItemColorEvent =
      std::function<void(TOvcCustomVirtualListBox& sender, std::int32_t index, ws::Color& fg, ws::Color& bg)>;
  using TGetItemStatusEvent =
      std::function<void(TOvcCustomVirtualListBox& sender, std::int32_t index, bool& protect)>;
  using TIsSelectedEvent = std::function<void(TOvcCustomVirtualListBox& sender, std::int32_t index, bool& selected)>;
  using TSelectEvent = std::function<void(TOvcCustomVirtualListBox& sender, std::int32_t index, bool selected)>;
  using TCharToItemEvent = std::function<void(TOvcCustomVirtualListBox& sender, char ch, std::int32_t& index)>;
  using THeaderClickEvent = std::function<void(TOvcCustomVirtualListBox& sender, const ws::Point& point)>;
  using TTopIndexChanged = std::function<void(TOvcCustomVirtualListBox& sender, std::int32_t new_top_index)>;
  using TUserCommandEvent = std::function<void(TOvcCustomVirtualListBox& sender, std::uint16_t command)>;

  explicit TOvcCustomVirtualListBox(ws::Window* parent);
  ~TOvcCustomVirtualListBox() override;

  bool AutoRowHeight() const { return AutoRowHeight_; }
  void SetAutoRowHeight(bool value);
  std::int32_t Columns() const { return Columns_; }
  // Below 0 is 0.
  void SetColumns(std::int32_t value);
  const std::string& Header() const { return Header_; }
  void SetHeader(const std::string& value);
  TOvcColors& HeaderColor() { return HeaderColor_; }
  TOvcColors& ProtectColor() { return ProtectColor_; }
  TOvcColors& SelectColor() { return SelectColor_; }
  bool IntegralHeight() const { return IntegralHeight_; }
  void SetIntegralHeight(bool value);
  bool MultiSelect() const { return MultiSelect_; }
  // Takes effect only while the box is loading.
  virtual void SetMultiSelect(bool value);
  std::int32_t NumItems() const { return NumItems_; }
  // A negative count is 2147483647.
  void SetNumItems(std::int32_t value);
  std::int32_t RowHeight() const { return RowHeight_; }
  // Below 1 is ignored.
  void SetRowHeight(std::int32_t value);
  // The form was scaled by multiplier / divisor: the rows scale with it.
  virtual void ChangeScale(int multiplier, int divisor);
  TScrollStyle ScrollBars() const { return ScrollBars_; }
  virtual void SetScrollBars(TScrollStyle value);
  bool ShowHeader() const { return ShowHeader_; }
  void SetShowHeader(bool value);
  bool UseTabStops() const { return UseTabStops_; }
  void SetUseTabStops(bool value);
  TDragMode DragMode = TDragMode::dmManual;
  bool OwnerDraw = false;
  bool SmoothScroll = true;
  std::int32_t WheelDelta = 3;

  std::int32_t ItemIndex() const { return ItemIndex_; }
  std::int32_t TopIndex() const { return TopIndex_; }
  std::int32_t FocusIndex() const { return FocusIndex_; }
  std::int32_t AnchorIndex() const { return AnchorIndex_; }
  std::int32_t LastIndex() const { return LastIndex_; }
  std::int32_t RowsPerPage() const { return RowsPerPage_; }
  std::int32_t HOffset() const { return HOffset_; }
  std::int32_t ClientHeight() const { return client_rect().height(); }
  // The canvas being painted, for OnDrawItem.
  ws::Canvas& Canvas() { return *paint_canvas_; }

  virtual void RecalcLayout();
  virtual void SetItemIndex(std::int32_t index);
  virtual void SetTopIndex(std::int32_t index);
  virtual void MoveTopRow(std::int32_t index, bool immediate);
  virtual void BeginUpdate();
  // Throws "Mismatched BeginUpdate/EndUpdate" without a BeginUpdate.
  virtual void EndUpdate();
  void RedrawItem(std::int32_t index);
  void InvalidateItem(std::int32_t index);
  void MakeVisible(std::int32_t index);

  // The multiple selection, kept by the owner through OnIsSelected and OnSelect.
  void SelectAll(bool select);
  void SelectRange(std::int32_t from, std::int32_t to, bool select);

  TGetItemEvent OnGetItem;
  TDrawItemEvent OnDrawItem;
  TGetItemColorEvent OnGetItemColor;
  TGetItemStatusEvent OnGetItemStatus;
  TIsSelectedEvent OnIsSelected;
  TSelectEvent OnSelect;
  TCharToItemEvent OnCharToItem;
  THeaderClickEvent OnClickHeader;
  TTopIndexChanged OnTopIndexChanged;
  TUserCommandEvent OnUserCommand;

  ws::LResult window_proc(ws::Message& message) override;
  // The press and release that the drag took go to the default window procedure.
  void drag_cancelled(ws::Point point) override;

 protected:
  virtual void NotifyDrawItem(std::int32_t index, const ws::Rect& rect, std::string_view s);
  virtual std::string QueryItemText(std::int32_t index);
  virtual void QueryItemColors(std::int32_t index, ws::Color& fg, ws::Color& bg);
  virtual bool QueryItemProtected(std::int32_t index);
  virtual bool QueryItemSelected(std::int32_t index);
  virtual void NotifyClick();
  virtual std::int32_t QueryCharItem(char ch);
  virtual void NotifyHeaderClick(const ws::Point& point);
  virtual void NotifySelect(std::int32_t index, bool selected);
  virtual void NotifyTopIndexChanged(std::int32_t new_top_index);
  virtual void NotifyUserCommand(std::uint16_t command);

  void CreateWnd() override;
  void DoMouseWheel(ws::ShiftState shift, std::int16_t delta, std::uint16_t x, std::uint16_t y) override;
  void bounds_changed(const ws::Rect& old_bounds) override;
  void ctl3d_changed() override;
  void paint(ws::Canvas& canvas) override;

 private:
  bool WindowExists() const { return created_; }
  // What making the window does, also when it is made again.
  void WindowMade();
  std::int32_t HeaderRows() const { return ShowHeader_ ? 1 : 0; }
  // The row of an item on or off the page; 64-bit so far indexes cannot wrap.
  ws::Rect RowRect(std::int64_t index) const;
  void UpdateScrollBars();
  // The page in the bar's own units, so the thumb can reach the end of a divided range.
  std::int32_t ScrollPage() const;
  void ApplyScrollStyle();
  void ScrollRows(std::int32_t delta);
  void ScrollColumns(std::int32_t delta);
  ws::Rect ScrollArea(const ws::Rect& rect, int distance, bool smooth);
  void SetFocusIndex(std::int32_t index);
  void SetHOffset(std::int32_t offset);
  void DrawItem(ws::Canvas& canvas, std::int32_t index, int y);
  void DrawHeader(ws::Canvas& canvas);
  void DrawRowText(ws::Canvas& canvas, const ws::Rect& rect, std::string_view whole, std::string_view shown);
  void Resized();
  void VerticalScroll(int code, int position);
  void HorizontalScroll(int code, int position);
  ws::LResult SetTabStops(ws::WParam count, ws::LParam stops);

  // Keyboard, mouse and the multiple selection.
  void KeyCommand(std::uint16_t command);
  void SelectTarget(std::int32_t target);
  void SelectAndShow(std::int32_t index);
  void SelectRangeTo(std::int32_t index);
  void ToggleItem(std::int32_t index);
  void ExtendSelection(std::int32_t anchor, std::int32_t index);
  void LeftButtonDown(const ws::Message& message);
  void TrackClick();
  std::int32_t ItemAtCursor() const;
  // The item at a point in the client area; -1 on the header, below the client area and past the last item.
  std::int32_t ItemAtPoint(ws::Point point) const;
  std::int32_t ItemInClientArea(std::int64_t y) const;

  bool AutoRowHeight_ = true;
  std::int32_t Columns_ = 255;
  std::string Header_;
  TOvcColors HeaderColor_;
  TOvcColors ProtectColor_;
  TOvcColors SelectColor_;
  bool IntegralHeight_ = true;
  bool MultiSelect_ = false;
  std::int32_t NumItems_;
  std::int32_t RowHeight_ = 17;
  TScrollStyle ScrollBars_ = TScrollStyle::ssVertical;
  bool ShowHeader_ = false;
  bool UseTabStops_ = false;

  std::int32_t ItemIndex_ = -1;
  std::int32_t TopIndex_ = 0;
  std::int32_t FocusIndex_ = 0;
  std::int32_t AnchorIndex_ = 0;
  std::int32_t LastIndex_;
  std::int32_t RowsPerPage_ = 1;
  std::int32_t HOffset_ = 0;
  std::int32_t ScrollDivisor_ = 1;
  std::int32_t ScrollRange_ = 0;
  std::int32_t DialogUnit_ = 0;
  std::int32_t TabCount_ = 0;
  std::array<int, 128> TabStops_{};
  std::int32_t UpdateCount_ = 0;
  // What was to be painted while updates were suspended.
  ws::Rect SuspendedPart_;
  bool created_ = false;
  ws::Canvas* paint_canvas_ = nullptr;
  ws::Point cursor_;
};

// The box as forms use it.
class TOvcVirtualListBox : public TOvcCustomVirtualListBox {
 public:
  using TOvcCustomVirtualListBox::TOvcCustomVirtualListBox;
};

}  // namespace vx::controls

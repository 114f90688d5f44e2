#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ws/canvas.h"
#include "platform/ws/color.h"
#include "platform/ws/font.h"
#include "platform/ws/types.h"

namespace vx::ws {

class Form;
class PopupMenu;

enum class Align { none, top, bottom, left, right, client };
enum class BorderStyle { none, single };
enum class ScrollBarKind { horizontal, vertical };

struct ScrollInfo {
  int min = 0;
  int max = 0;
  int page = 0;
  int position = 0;
  friend bool operator==(const ScrollInfo&, const ScrollInfo&) = default;
};

// Width of a scroll bar and of a single border, in pixels: the sunken edge
// of the 3-D look, or a plain line.
inline constexpr int scroll_bar_size = 16;
inline constexpr int single_border_size = 2;
inline constexpr int plain_border_size = 1;

// The widths of a window's edges around its client area, scroll bars aside.
struct Insets {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

// A window of the headless window system: a handle, a place in the tree of
// windows, and a window procedure that receives the window-system messages.
// The default handling of window_proc turns them into the events below and
// paint(); controls override window_proc for their own messages and pass
// the rest on to Window::window_proc.
//
// A window does not own its children: forms hold their controls as
// members. A window destroyed before its children leaves them top-level.
// A window must not be destroyed inside one of its own events.
class Window {
 public:
  explicit Window(Window* parent = nullptr);
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  WindowHandle handle() const { return handle_; }
  Window* parent() const { return parent_; }
  void set_parent(Window* parent);
  const std::vector<Window*>& children() const { return children_; }
  // The nearest form at or above this window.
  Form* form();
  Window& top_level();

  // Bounds in the parent's client area; the client area lies inside the
  // border and the scroll bars. A change of size sends msg::size.
  Rect bounds() const { return bounds_; }
  int left() const { return bounds_.left; }
  int top() const { return bounds_.top; }
  int width() const { return bounds_.width(); }
  int height() const { return bounds_.height(); }
  void set_bounds(int left, int top, int width, int height);
  Rect client_rect() const;
  Point client_to_screen(Point point) const;
  Point screen_to_client(Point point) const;
  Align align() const { return align_; }
  void set_align(Align align);
  BorderStyle border_style() const { return border_style_; }
  void set_border_style(BorderStyle style);
  // The 3-D look of controls: a single border is a sunken edge with it and a
  // plain line without. A window takes its parent's until given its own.
  bool ctl3d() const;
  void set_ctl3d(bool ctl3d);

  bool visible() const { return visible_; }
  void set_visible(bool visible);
  void show() { set_visible(true); }
  void hide() { set_visible(false); }
  // Visible together with every window above it.
  bool showing() const;
  bool enabled() const { return enabled_; }
  void set_enabled(bool enabled);
  bool enabled_with_parents() const;

  // Focus: can_focus asks whether the window and all above it are showing
  // and enabled. set_focus sends kill-focus to the old window first.
  bool can_focus() const;
  bool focused() const;
  void set_focus();
  bool tab_stop() const { return tab_stop_; }
  void set_tab_stop(bool tab_stop) { tab_stop_ = tab_stop; }
  const std::vector<Window*>& tab_list() const { return tab_list_; }

  // The caption or text; set_text goes through msg::set_text.
  const std::string& text() const { return text_; }
  void set_text(std::string_view text);
  // A window takes its parent's font until it is given its own, and its
  // parent's colour while parent_color is set (labels, check boxes).
  const Font& font() const;
  void set_font(const Font& font);
  Color color() const;
  void set_color(Color color);
  bool parent_color = false;

  // Painting: invalid parts are painted by the message loop, or at once by update().
  void invalidate();
  void invalidate(const Rect& rect, bool erase = true);
  // The window and everything inside it.
  void invalidate_tree();
  void update();
  void repaint();
  bool redraw_enabled() const { return redraw_; }
  // A canvas on the client area for drawing outside a paint.
  Canvas canvas() const;

  // Sends a message straight to window_proc; exceptions reach the caller.
  LResult perform(MessageId id, WParam wparam = 0, LParam lparam = 0);

  void set_capture();
  void release_capture();
  bool has_capture() const;
  // Takes the mouse capture while the left button is held on the window.
  bool captures_mouse = false;

  // Scroll bars drawn by the layer beside the client area.
  void set_scroll_info(ScrollBarKind kind, const ScrollInfo& info, bool redraw = true);
  ScrollInfo scroll_info(ScrollBarKind kind) const;
  void show_scroll_bar(ScrollBarKind kind, bool show);
  bool scroll_bar_visible(ScrollBarKind kind) const;

  PopupMenu* popup_menu = nullptr;

  // Fires on_click; controls add their own effect.
  virtual void click();
  // A drag of this window ended without a drop; `point` is where the cursor
  // was, in client coordinates.
  virtual void drag_cancelled(Point /*point*/) {}

  std::function<void(Window&)> on_click;
  std::function<void(Window&)> on_double_click;
  std::function<void(Window&)> on_enter;
  std::function<void(Window&)> on_exit;
  std::function<void(Window&)> on_resize;
  std::function<void(Window&)> on_mouse_enter;
  std::function<void(Window&)> on_mouse_leave;
  // The key may be cleared (set to 0) to swallow it.
  std::function<void(Window&, std::uint16_t& key, ShiftState shift)> on_key_down;
  std::function<void(Window&, char& key)> on_key_press;
  std::function<void(Window&, MouseButton button, ShiftState shift, Point point)> on_mouse_down;
  std::function<void(Window&, MouseButton button, ShiftState shift, Point point)> on_mouse_up;
  std::function<void(Window&, ShiftState shift, Point point)> on_mouse_move;

  virtual LResult window_proc(Message& message);

 protected:
  // Paints the client area; the default fills it with the window's colour.
  virtual void paint(Canvas& canvas);
  // Called after the window was shown or hidden.
  virtual void visibility_changed() {}
  // Called after set_bounds moved or resized the window.
  virtual void bounds_changed(const Rect& /*old_bounds*/) {}
  // Called after the 3-D look changed; the default lays out and repaints a bordered window.
  virtual void ctl3d_changed();
  // Lays the aligned children out in the client area.
  void realign();
  // The edges around the client area and their drawing (client coordinates: the edges lie
  // at negative offsets and past the client area); the default is the single border.
  virtual Insets frame_insets() const;
  virtual void paint_frame(Canvas& canvas);
  // A left press and release inside the window is a click; lists click on
  // a change of selection instead.
  bool click_on_release_ = true;

 private:
  friend void paint_window(Window& window);

  void key_event(Message& message);
  void character_event(Message& message);
  void mouse_button_event(const Message& message);
  void draw_non_client(Canvas& canvas);
  void tell_ctl3d_changed();

  WindowHandle handle_;
  Window* parent_ = nullptr;
  std::vector<Window*> children_;
  std::vector<Window*> tab_list_;
  Rect bounds_;
  Align align_ = Align::none;
  BorderStyle border_style_ = BorderStyle::none;
  bool visible_ = true;
  bool enabled_ = true;
  bool tab_stop_ = false;
  bool redraw_ = true;
  bool left_pressed_ = false;
  std::string text_;
  Font font_;
  bool parent_font_ = true;
  bool ctl3d_ = true;
  bool parent_ctl3d_ = true;
  Color color_ = color::button_face;
  Rect update_rect_;
  bool erase_pending_ = false;
  // Border and scroll bars wait to be drawn with the next paint.
  bool non_client_pending_ = true;
  ScrollInfo horizontal_;
  ScrollInfo vertical_;
  bool horizontal_visible_ = false;
  bool vertical_visible_ = false;
};

// Paints a window's invalid part now: erase-background, then paint.
void paint_window(Window& window);

// The window of a handle, or nullptr once it is destroyed. Main thread.
Window* find_window(WindowHandle handle);
// Thread-safe test that a handle names a live window.
bool is_window(WindowHandle handle);
std::vector<Window*> top_level_windows();

// Moves the focus (nullptr: to no window): kill-focus to the old window,
// then set-focus to the new one; the new window's form becomes active.
void change_focus(Window* target);
Window* focused_window();
Window* capture_window();
// The form that holds the focus; it gets the keys when no control has the focus.
Form* active_form();
Form* foreground_form();
void bring_to_foreground(Form& form);

// Windows with an invalid part that is showing, by handle: parents before
// the children created after them.
std::vector<WindowHandle> windows_to_paint();

// The shift state of a mouse message's key flags, with Alt as the keyboard holds it.
ShiftState mouse_shift(WParam flags);

// Input routing keeps track of the window under the mouse.
void track_mouse_over(Window* target);

// Forgets focus, capture, activation and invalid parts; live windows keep
// their handles, and no handle is ever given out again.
void reset_windows();

}  // namespace vx::ws

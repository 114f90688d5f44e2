#include "platform/ws/edits.h"

#include <algorithm>

#include "platform/ws/caret.h"
#include "platform/ws/clipboard.h"
#include "platform/ws/messages.h"

namespace vx::ws {
namespace {

constexpr int text_margin = 2;
constexpr char ctrl_c = 3;
constexpr char ctrl_v = 22;
constexpr char ctrl_x = 24;

std::string join_lines(const std::vector<std::string>& lines) {
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i != 0) text += "\r\n";
    text += lines[i];
  }
  return text;
}

}  // namespace

Edit::Edit(Window* parent) : Window(parent) {
  set_tab_stop(true);
  set_border_style(BorderStyle::single);
  set_color(color::window);
  set_bounds(0, 0, 121, 21);
}

void Edit::select(int start, int length) {
  const int size = static_cast<int>(text().size());
  selection_start_ = std::clamp(start, 0, size);
  selection_length_ = std::clamp(length, 0, size - selection_start_);
  place_caret();
  invalidate();
}

std::string Edit::selected_text() const {
  return text().substr(static_cast<std::size_t>(selection_start_), static_cast<std::size_t>(selection_length_));
}

void Edit::store_text(const std::string& text) {
  Message message{handle(), msg::set_text, 0, reinterpret_cast<LParam>(text.c_str())};
  Window::window_proc(message);
  if (on_change) on_change(*this);
}

void Edit::replace_selection(std::string_view inserted) {
  std::string updated = text();
  updated.erase(static_cast<std::size_t>(selection_start_), static_cast<std::size_t>(selection_length_));
  if (max_length != 0) {
    const std::size_t room = max_length > updated.size() ? max_length - updated.size() : 0;
    inserted = inserted.substr(0, room);
  }
  updated.insert(static_cast<std::size_t>(selection_start_), inserted);
  const int caret = selection_start_ + static_cast<int>(inserted.size());
  store_text(updated);
  selection_start_ = caret;
  selection_length_ = 0;
  place_caret();
}

void Edit::move_caret(int column) {
  selection_start_ = std::clamp(column, 0, static_cast<int>(text().size()));
  selection_length_ = 0;
  place_caret();
  invalidate();
}

void Edit::place_caret() {
  if (caret().owner != handle()) return;
  const std::string before = text().substr(0, static_cast<std::size_t>(caret_column()));
  set_caret_position(text_margin + text_extent(font(), before).width, text_margin);
}

void Edit::type_character(char c) {
  switch (c) {
    case ctrl_c: perform(msg::copy); return;
    case ctrl_v: perform(msg::paste); return;
    case ctrl_x: perform(msg::cut); return;
    default: break;
  }
  if (read_only) return;
  if (c == '\b') {
    if (selection_length_ == 0 && selection_start_ > 0) select(selection_start_ - 1, 1);
    if (selection_length_ > 0) replace_selection({});
    return;
  }
  if (static_cast<unsigned char>(c) >= 32) replace_selection(std::string_view(&c, 1));
}

LResult Edit::window_proc(Message& message) {
  switch (message.id) {
    case msg::set_text: {
      const LResult result = Window::window_proc(message);
      selection_start_ = selection_length_ = 0;
      place_caret();
      if (on_change) on_change(*this);
      return result;
    }
    case msg::character:
      Window::window_proc(message);
      if (message.wparam != 0) type_character(static_cast<char>(message.wparam));
      return 0;
    case msg::key_down:
      Window::window_proc(message);
      switch (message.wparam) {
        case vk::left: move_caret(caret_column() - 1); break;
        case vk::right: move_caret(caret_column() + 1); break;
        case vk::home: move_caret(0); break;
        case vk::end: move_caret(static_cast<int>(text().size())); break;
        case vk::del:
          if (read_only) break;
          if (selection_length_ == 0) select(selection_start_, 1);
          if (selection_length_ > 0) replace_selection({});
          break;
        default: break;
      }
      return 0;
    case msg::copy:
      if (selection_length_ > 0) set_clipboard_text(selected_text());
      return 0;
    case msg::cut:
      if (read_only || selection_length_ == 0) return 0;
      set_clipboard_text(selected_text());
      replace_selection({});
      return 0;
    case msg::paste:
      if (!read_only) {
        if (const std::optional<std::string> pasted = clipboard_text()) replace_selection(*pasted);
      }
      return 0;
    case msg::clear:
      if (!read_only && selection_length_ > 0) replace_selection({});
      return 0;
    case msg::left_button_down:
      if (can_focus() && !focused()) set_focus();
      return Window::window_proc(message);
    case msg::set_focus:
      create_caret(*this, 1, font_metrics(font()).height);
      place_caret();
      show_caret(*this);
      return Window::window_proc(message);
    case msg::kill_focus:
      if (caret().owner == handle()) destroy_caret();
      return Window::window_proc(message);
    case msg::get_dialog_code: return dialog_code::want_arrows | dialog_code::want_chars;
    default: return Window::window_proc(message);
  }
}

void Edit::paint(Canvas& canvas) {
  canvas.background_mode = BackgroundMode::transparent;
  canvas.text_out(text_margin, text_margin, text());
  if (selection_length_ == 0 || !focused()) return;
  const int left = text_margin + canvas.text_extent(text().substr(0, static_cast<std::size_t>(selection_start_))).width;
  canvas.font.color = color::highlight_text;
  canvas.background_color = color::highlight;
  canvas.background_mode = BackgroundMode::opaque;
  canvas.text_out(left, text_margin, selected_text());
}

Memo::Memo(Window* parent) : Window(parent) {
  set_border_style(BorderStyle::single);
  set_color(color::window);
  set_bounds(0, 0, 185, 89);
}

void Memo::set_lines(const std::vector<std::string>& lines) {
  lines_ = lines;
  const std::string joined = join_lines(lines_);
  Message message{handle(), msg::set_text, 0, reinterpret_cast<LParam>(joined.c_str())};
  Window::window_proc(message);
}

void Memo::add_line(std::string_view line) {
  std::vector<std::string> lines = lines_;
  lines.emplace_back(line);
  set_lines(lines);
}

LResult Memo::window_proc(Message& message) {
  const LResult result = Window::window_proc(message);
  if (message.id != msg::set_text) return result;
  lines_.clear();
  const std::string& all = text();
  std::size_t start = 0;
  while (!all.empty()) {
    const std::size_t end = all.find('\n', start);
    std::string line = all.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines_.push_back(std::move(line));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return result;
}

void Memo::paint(Canvas& canvas) {
  canvas.background_mode = BackgroundMode::transparent;
  const int line_height = canvas.metrics().height;
  int y = text_margin;
  for (const std::string& line : lines_) {
    if (y >= client_rect().bottom) break;
    canvas.text_out(text_margin, y, line);
    y += line_height;
  }
}

}  // namespace vx::ws

#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ws/window.h"

namespace vx::ws {

// A one-line text field: typing replaces the selection, Backspace and Delete
// remove, the arrows, Home and End move the caret, Ctrl+X, Ctrl+C and
// Ctrl+V and the clipboard messages cut, copy and paste.
class Edit : public Window {
 public:
  explicit Edit(Window* parent);

  std::size_t max_length = 0;  // 0: no limit
  bool read_only = false;
  int selection_start() const { return selection_start_; }
  int selection_length() const { return selection_length_; }
  void select(int start, int length);
  void select_all() { select(0, static_cast<int>(text().size())); }
  std::string selected_text() const;

  std::function<void(Edit&)> on_change;

  LResult window_proc(Message& message) override;

 protected:
  void paint(Canvas& canvas) override;

 private:
  int caret_column() const { return selection_start_ + selection_length_; }
  void replace_selection(std::string_view inserted);
  void store_text(const std::string& text);
  void type_character(char c);
  void move_caret(int column);
  void place_caret();

  int selection_start_ = 0;
  int selection_length_ = 0;
};

// Lines of text to read; the program's memos take no typing.
class Memo : public Window {
 public:
  explicit Memo(Window* parent);

  const std::vector<std::string>& lines() const { return lines_; }
  void set_lines(const std::vector<std::string>& lines);
  void add_line(std::string_view line);
  void clear() { set_lines({}); }

  // Text is the lines joined by CR LF; set_text splits at line ends.
  LResult window_proc(Message& message) override;

 protected:
  void paint(Canvas& canvas) override;

 private:
  std::vector<std::string> lines_;
};

}  // namespace vx::ws

#include "platform/ws/edits.h"

#include "platform/ws/messages.h"

namespace vx::ws {
namespace {

constexpr int text_margin = 2;

std::string join_lines(const std::vector<std::string>& lines) {
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i != 0) text += "\r\n";
    text += lines[i];
  }
  return text;
}

}  // namespace

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

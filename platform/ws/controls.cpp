#include "platform/ws/controls.h"

#include <algorithm>

#include "platform/ws/drawing.h"
#include "platform/ws/messages.h"

namespace vx::ws {

Panel::Panel(Window* parent, std::string_view caption) : Window(parent) {
  set_bounds(0, 0, 185, 41);
  set_text(caption);
}

void Panel::set_bevel_outer(Bevel bevel) {
  bevel_outer_ = bevel;
  invalidate();
}

void Panel::paint(Canvas& canvas) {
  const Rect client = client_rect();
  if (bevel_outer_ != Bevel::none) draw_edge(canvas, client, bevel_outer_ == Bevel::raised);
  if (!caption().empty()) draw_centered_text(canvas, client, display_caption(caption()));
}

Label::Label(Window* parent, std::string_view caption) : Window(parent) {
  parent_color = true;
  set_text(caption);
}

void Label::set_transparent(bool transparent) {
  transparent_ = transparent;
  invalidate();
}

void Label::set_word_wrap(bool word_wrap) {
  word_wrap_ = word_wrap;
  fit_to_text();
  invalidate();
}

void Label::set_auto_size(bool auto_size) {
  auto_size_ = auto_size;
  fit_to_text();
}

void Label::fit_to_text() {
  if (!auto_size_) return;
  const std::vector<std::string> lines = wrap_text(font(), display_caption(caption()), word_wrap_ ? width() : 0);
  int widest = 0;
  for (const std::string& line : lines) widest = std::max(widest, text_extent(font(), line).width);
  const int height = static_cast<int>(lines.size()) * font_metrics(font()).height;
  set_bounds(left(), top(), word_wrap_ ? width() : widest, height);
}

LResult Label::window_proc(Message& message) {
  // A transparent label leaves what lies under it.
  if (message.id == msg::erase_background && transparent_) return 1;
  const LResult result = Window::window_proc(message);
  // An auto-sized label keeps the size of its text whatever it is given.
  if (message.id == msg::set_text || message.id == msg::set_font || message.id == msg::size) fit_to_text();
  return result;
}

void Label::paint(Canvas& canvas) {
  const int line_height = canvas.metrics().height;
  canvas.background_mode = BackgroundMode::transparent;
  canvas.font.color = enabled_with_parents() ? canvas.font.color : color::gray_text;
  int y = 0;
  for (const std::string& line : wrap_text(font(), display_caption(caption()), word_wrap_ ? width() : 0)) {
    canvas.text_out(0, y, line);
    y += line_height;
  }
}

GroupBox::GroupBox(Window* parent, std::string_view caption) : Window(parent) {
  parent_color = true;
  set_bounds(0, 0, 185, 105);
  set_text(caption);
}

void GroupBox::paint(Canvas& canvas) {
  const Rect client = client_rect();
  const int middle = canvas.metrics().height / 2;
  draw_frame(canvas, {client.left, client.top + middle, client.right, client.bottom}, color::button_shadow);
  if (caption().empty()) return;
  canvas.background_mode = BackgroundMode::opaque;
  canvas.background_color = color();
  canvas.text_out(8, 0, " " + display_caption(caption()) + " ");
}

Image::Image(Window* parent) : Window(parent) {
  parent_color = true;
  set_bounds(0, 0, 105, 105);
}

void Image::set_picture(Picture picture) {
  picture_ = std::move(picture);
  invalidate();
}

bool Image::load_jpeg(std::span<const std::uint8_t> data) {
  std::optional<Picture> decoded = decode_jpeg(data);
  if (!decoded) return false;
  set_picture(std::move(*decoded));
  return true;
}

void Image::paint(Canvas& canvas) {
  if (picture_.empty()) return;
  canvas.draw_picture(stretch ? client_rect() : Rect{0, 0, picture_.width, picture_.height}, picture_);
}

}  // namespace vx::ws

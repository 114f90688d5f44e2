#include <algorithm>
#include <cmath>
#include <string>

#include "controls/entry_field.h"
#include "controls/field_values.h"
#include "controls/helpers.h"
#include "platform/ws/font.h"

namespace vx::controls {
namespace {

bool is_control(char c) { return c != '\0' && static_cast<unsigned char>(c) < 32; }

}  // namespace

std::string TOvcBaseEntryField::GetDisplayText() const {
  std::string display = text_;
  for (char& c : display) {
    if (is_control(c)) c = static_cast<char>(c + 64);
  }
  const bool number = data_type_ >= fld::LongInt && data_type_ <= fld::Comp;
  const bool hide = zero_display_ == TZeroDisplay::zdHide ||
                    (zero_display_ == TZeroDisplay::zdHideUntilModified && !HasState(efsModified | efsEverModified));
  if (number && !HasState(efsFocused) && hide) {
    std::string value = GetEditText();
    std::replace(value.begin(), value.end(), Intl().decimal_char, '.');
    long double parsed = 0;
    if (ParseReal(value, parsed) && static_cast<double>(parsed) == zero_display_value_) {
      display.assign(display.size(), ' ');
    }
  }
  return display;
}

int TOvcBaseEntryField::TextWidth(std::string_view text) const { return ws::text_extent(font(), text).width; }

int TOvcBaseEntryField::LeftEdge() const {
  const TOvcBorder& border = borders_->LeftBorder();
  return text_margin_ + (border.Enabled() ? border.PenWidth() : 0);
}

int TOvcBaseEntryField::RightEdge() const {
  const TOvcBorder& border = borders_->RightBorder();
  return client_rect().width() - (text_margin_ + (border.Enabled() ? border.PenWidth() : 0));
}

int TOvcBaseEntryField::ComputeTextTop() const {
  const TOvcBorder& top_border = borders_->TopBorder();
  const int top = TextTopOffset(font(), border_style(), height(), border_style() == ws::BorderStyle::single);
  return top + (top_border.Enabled() ? top_border.PenWidth() : 0);
}

bool TOvcBaseEntryField::VisibleTextFits(std::string_view display) const {
  return TextWidth(display) < client_rect().width() - text_margin_ - 1;
}

void TOvcBaseEntryField::paint(ws::Canvas& canvas) {
  const ws::Rect client = client_rect();
  ws::Bitmap bitmap(client.width(), client.height());
  PaintContents(bitmap);
  canvas.copy_from({0, 0, client.width(), client.height()}, bitmap, {0, 0});
  PaintBorders(canvas);
}

void TOvcBaseEntryField::PaintContents(ws::Canvas& canvas) {
  const ws::Rect rect{0, 0, client_rect().width(), client_rect().height()};
  const ws::Font field_font = font();
  canvas.font = field_font;
  const std::string display = GetDisplayText().substr(0, max_edit_length);
  const std::size_t start = std::min(offset_, display.size());
  const std::string visible = display.substr(start);
  const bool disabled = !enabled_with_parents();
  const bool invalid = HasState(efsInvalid);

  // The selection within the visible text, only while the field has the focus.
  std::size_t sel_from = 0;
  std::size_t sel_to = 0;
  if (HasState(efsFocused) && !disabled && sel_end_ > start) {
    sel_from = sel_start_ > start ? sel_start_ - start : 0;
    sel_to = std::min(sel_end_ - start, visible.size());
    if (sel_to <= sel_from) sel_from = sel_to = 0;
  }

  ws::Color text_color = field_font.color;
  ws::Color back_color = color();
  if (disabled) {
    text_color = colors_->Disabled().TextColor();
    back_color = colors_->Disabled().BackColor();
  } else if (invalid) {
    text_color = colors_->Error().TextColor();
    back_color = colors_->Error().BackColor();
  }
  canvas.brush.color = back_color;
  canvas.brush.clear = false;
  canvas.fill_rect(rect);

  const bool numeric = field_class_ == TFieldClass::numeric;
  int x = LeftEdge() - 1;
  if (numeric) {
    x = RightEdge() - 1;
  } else if (right_align_in_effect_ && VisibleTextFits(visible)) {
    x = RightEdge() - TextWidth(visible) - 1;
  }
  const int y = text_top_;

  if (numeric) {
    const std::string shown = TrimmedBlanks(visible);
    const bool selected = sel_to > sel_from;
    canvas.font.color = selected ? colors_->Highlight().TextColor() : text_color;
    canvas.background_color = selected ? colors_->Highlight().BackColor() : back_color;
    const int width = TextWidth(shown);
    canvas.ext_text_out(x - width, y, ws::text_option::clipped | ws::text_option::opaque, rect, shown);
    return;
  }

  // Runs of ordinary and of control characters, each split at the selection.
  std::size_t i = 0;
  while (i < visible.size() && x < rect.right) {
    const bool control = start + i < text_.size() && is_control(text_[start + i]);
    std::size_t end = i + 1;
    while (end < visible.size() && (start + end < text_.size() && is_control(text_[start + end])) == control) ++end;
    for (const std::size_t cut : {sel_from, sel_to}) {
      if (cut > i && cut < end) end = cut;
    }
    const bool selected = i >= sel_from && i < sel_to;
    const std::string piece = visible.substr(i, end - i);
    canvas.font.color = control ? control_char_color_ : (selected ? colors_->Highlight().TextColor() : text_color);
    canvas.background_color = selected ? colors_->Highlight().BackColor() : back_color;
    const int piece_width = TextWidth(piece);
    // A selected piece fills its own cell only.
    const ws::Rect cell{x, rect.top, std::min(x + piece_width, rect.right), rect.bottom};
    const unsigned options = ws::text_option::clipped | (selected ? ws::text_option::opaque : 0u);
    canvas.ext_text_out(x, y, options, selected ? cell : rect, piece);
    x += piece_width;
    i = end;
  }
}

void TOvcBaseEntryField::PaintBorders(ws::Canvas& canvas) const {
  const int w_total = client_rect().width();
  const int h_total = client_rect().height();
  const auto line = [&canvas](const TOvcBorder& border, int x1, int y1, int x2, int y2) {
    canvas.pen = ws::Pen{border.PenColor(), border.PenWidth(), border.PenStyle()};
    canvas.move_to(x1, y1);
    canvas.line_to(x2, y2);
  };
  const TOvcBorder& left_border = borders_->LeftBorder();
  if (left_border.Enabled()) {
    const int w = left_border.PenWidth();
    line(left_border, w / 2, 0, w / 2, h_total);
  }
  const TOvcBorder& right_border = borders_->RightBorder();
  if (right_border.Enabled()) {
    const int w = right_border.PenWidth();
    const int x = w_total - w / 2 - (w % 2 != 0 ? 1 : 0);
    line(right_border, x, 0, x, h_total);
  }
  const TOvcBorder& top_border = borders_->TopBorder();
  if (top_border.Enabled()) {
    const int w = top_border.PenWidth();
    line(top_border, 0, w / 2, w_total, w / 2);
  }
  const TOvcBorder& bottom_border = borders_->BottomBorder();
  if (bottom_border.Enabled()) {
    const int w = bottom_border.PenWidth();
    const int y = h_total - w / 2 - (w % 2 != 0 ? 1 : 0);
    line(bottom_border, 0, y, w_total, y);
  }
}

bool TOvcBaseEntryField::PositionCaret(bool allow_scroll) {
  if (!HasState(efsFocused)) return false;
  const std::size_t old_offset = offset_;
  const std::size_t first = FirstEditablePos();
  if (allow_scroll) {
    if ((caret_ == first || caret_ == first + 1) && offset_ > 0) {
      offset_ = 0;
    } else if (caret_ < offset_) {
      offset_ = caret_;
    }
  }
  const std::string display = GetDisplayText().substr(0, max_edit_length);
  const std::size_t caret = std::min(caret_, display.size());
  right_align_in_effect_ = (options_ & efoRightAlign) != 0 && VisibleTextFits(display);
  if (right_align_in_effect_) offset_ = 0;
  const bool numeric = field_class_ == TFieldClass::numeric;
  const int limit = client_rect().width() - text_margin_ - 1;
  int w = 0;
  for (;;) {
    if (right_align_in_effect_) {
      w = TextWidth(std::string_view(display).substr(caret));
    } else {
      w = offset_ < caret ? TextWidth(std::string_view(display).substr(offset_, caret - offset_)) : 0;
    }
    if (w >= limit && !numeric && allow_scroll && offset_ < caret) {
      ++offset_;
      continue;
    }
    break;
  }
  const ws::FontMetrics metrics = ws::font_metrics(font());
  carets_->SetCellHeight(metrics.height);
  carets_->SetCellWidth(caret < display.size() ? ws::char_width(font(), display[caret]) : metrics.average_width);
  const TOvcCaret& shape = *carets_->Caret();
  const TOvcCaretShape s = shape.Shape();
  if (s == TOvcCaretShape::csBlock || s == TOvcCaretShape::csHalfBlock || s == TOvcCaretShape::csHorzLine ||
      shape.CaretWidth() > 4) {
    w += right_align_in_effect_ ? -1 : 1;
  }
  int x = w + LeftEdge() - 2;
  if (numeric) {
    x = RightEdge() - 1;
  } else if (right_align_in_effect_) {
    x = RightEdge() - w - 2;
  }
  carets_->SetPosition(x, std::max(text_top_, 0));
  return offset_ != old_offset;
}

int TOvcBaseEntryField::ColumnFromX(int x) {
  const int average = std::max(ws::font_metrics(font()).average_width, 1);
  if (x < 0 && offset_ > 0) {
    const auto back = static_cast<std::size_t>((-x + average) / average);
    offset_ -= std::min(back, offset_);
  }
  const std::string display = GetDisplayText().substr(0, max_edit_length);
  const std::size_t s = std::min(offset_, display.size());
  const std::string_view view(display);
  if (right_align_in_effect_) {
    const int d = RightEdge() - x - 1;
    if (d <= 0) return static_cast<int>(display.size());
    std::size_t i = 1;
    for (; i <= display.size() - s; ++i) {
      const std::string_view tail = view.substr(display.size() - i);
      if (d < TextWidth(tail) - ws::char_width(font(), tail.front()) / 2) break;
    }
    return static_cast<int>(display.size() - (i - 1));
  }
  const int d = x + 1 - LeftEdge();
  std::size_t i = 1;
  for (; s + i <= display.size(); ++i) {
    if (d < TextWidth(view.substr(s, i)) - ws::char_width(font(), display[s + i - 1]) / 2) break;
  }
  return static_cast<int>(s + i - 1);
}

void TOvcBaseEntryField::SetCaretColumn(int column) {
  if (!HasState(efsFocused)) return;
  caret_ = std::min<std::size_t>(static_cast<std::size_t>(std::max(column, 0)), text_.size());
  PositionCaret(true);
}

}  // namespace vx::controls

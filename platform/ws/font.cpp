#include "platform/ws/font.h"

#include <algorithm>
#include <array>

#include "platform/ws/display.h"

namespace vx::ws {
namespace {

bool is_narrow(char c) { return std::string_view(" iIl.,:;'!|`()[]fjrt").find(c) != std::string_view::npos; }
bool is_wide(char c) { return std::string_view("MWmw@%").find(c) != std::string_view::npos; }

// The widths of one font, worked out once per measurement.
struct Widths {
  explicit Widths(const Font& font)
      : fixed(fixed_pitch_name(font.name)),
        bold(font.bold),
        average(std::max(1, (std::max(1, font.height) * (fixed ? 10 : 9) + 8) / 16)) {}

  int of(char c) const {
    if (fixed) return average;
    int width = average;
    if (is_narrow(c)) {
      width = std::max(1, average / 2);
    } else if (is_wide(c)) {
      width = average + average / 2;
    } else if (c >= 'A' && c <= 'Z') {
      width = average + 1;
    }
    return width + (bold ? 1 : 0);
  }

  bool fixed;
  bool bold;
  int average;
};

int cell_height(const Font& font) {
  const int pixels = std::max(1, font.height);
  return pixels + (pixels + 3) / 5;
}

}  // namespace

bool fixed_pitch_name(const std::string& name) {
  constexpr std::array<std::string_view, 5> fixed{"courier", "mono", "fixedsys", "terminal", "console"};
  std::string lower(name);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; });
  return std::any_of(fixed.begin(), fixed.end(),
                     [&](std::string_view word) { return lower.find(word) != std::string::npos; });
}

FontMetrics font_metrics(const Font& font) {
  if (Display* shown = display()) return shown->font_metrics(font);
  const Widths widths(font);
  FontMetrics metrics;
  metrics.fixed_pitch = widths.fixed;
  metrics.height = cell_height(font);
  metrics.ascent = metrics.height * 4 / 5;
  metrics.descent = metrics.height - metrics.ascent;
  metrics.average_width = widths.average;
  return metrics;
}

int char_width(const Font& font, char c) { return Widths(font).of(c); }

Size text_extent(const Font& font, std::string_view text) {
  if (Display* shown = display()) return {shown->text_width(font, text), shown->font_metrics(font).height};
  const Widths widths(font);
  int width = 0;
  for (const char c : text) width += widths.of(c);
  return {width, cell_height(font)};
}

}  // namespace vx::ws

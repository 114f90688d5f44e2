#pragma once

#include <string>
#include <string_view>

#include "platform/ws/color.h"
#include "platform/ws/types.h"

namespace vx::ws {

struct Font {
  std::string name = "MS Sans Serif";
  int height = 11;  // character height in pixels
  bool bold = false;
  bool italic = false;
  bool underline = false;
  Color color = color::window_text;
  friend bool operator==(const Font&, const Font&) = default;
};

struct FontMetrics {
  int height = 0;  // cell height, internal leading included
  int ascent = 0;
  int descent = 0;
  int average_width = 0;
  bool fixed_pitch = false;
};

// With a display the metrics are the display's fonts'. Headless they come
// from a fixed function of the font, so that every layout is the same on
// every machine: proportional fonts have narrow, ordinary and wide
// characters; fixed-pitch fonts one width for all (char_width is always
// that table's).
FontMetrics font_metrics(const Font& font);
int char_width(const Font& font, char c);
Size text_extent(const Font& font, std::string_view text);

// Whether a font of this name has one width for all characters.
bool fixed_pitch_name(const std::string& name);

}  // namespace vx::ws

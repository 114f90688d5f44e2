#include "controls/helpers.h"

namespace vx::controls {
namespace {

// The character height of the system font at the usual 96 dots per inch; a
// larger field font is placed as if it were no taller.
constexpr int system_font_height = 16;

}  // namespace

int TextTopOffset(const ws::Font& font, ws::BorderStyle border, int height, bool ctl3d) {
  const int m = std::min(system_font_height, ws::font_metrics(font).height);
  // Division truncates towards zero; the odd bit of a negative difference is its lowest bit too.
  const int odd = (height - m) & 1;
  if (border == ws::BorderStyle::none) {
    return height - 2 <= m ? (height - m - 2) / 2 - odd : 0;
  }
  if (height - 4 > m) {
    return 1;
  }
  return (height - m - 4) / 2 - (ctl3d ? 1 : odd);
}

}  // namespace vx::controls

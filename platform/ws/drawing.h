#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/ws/canvas.h"

// Drawing shared by the layer's own controls.
namespace vx::ws {

// A caption as shown: "&" marks the accelerator and is not drawn; "&&" is one "&".
std::string display_caption(std::string_view caption);
// A raised or sunken edge one pixel wide just inside `rect`.
void draw_edge(Canvas& canvas, const Rect& rect, bool raised);
void draw_frame(Canvas& canvas, const Rect& rect, Color color);
// The two-pixel edges just inside `rect`: sunken around a bordered
// control, raised around a push button.
void draw_sunken_border(Canvas& canvas, const Rect& rect);
void draw_button_border(Canvas& canvas, const Rect& rect);
// A filled circle of `diameter` pixels whose bounding square starts at (left, top).
void draw_disc(Canvas& canvas, int left, int top, int diameter, Color color);
// Text centred in `rect`, drawn over what is there.
void draw_centered_text(Canvas& canvas, const Rect& rect, std::string_view text);
// Breaks text into lines at line ends and, when `width` is above 0, between
// words so that each line fits the width.
std::vector<std::string> wrap_text(const Font& font, std::string_view text, int width);

}  // namespace vx::ws

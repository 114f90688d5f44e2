#pragma once

#include <memory>
#include <string_view>

#include "platform/ws/controls.h"
#include "platform/ws/font.h"

namespace vx::ws {

// A control at its place on the parent, as a form lays out its controls.
template <typename Control, typename Parent>
std::unique_ptr<Control> make_control(Parent* parent, int left, int top, int width, int height) {
  auto control = std::make_unique<Control>(parent);
  control->set_bounds(left, top, width, height);
  return control;
}

// A label sized by its caption, in its parent's font.
inline std::unique_ptr<Label> make_label(Window* parent, std::string_view caption, int left, int top) {
  auto label = std::make_unique<Label>(parent, caption);
  label->set_bounds(left, top, 0, 0);
  return label;
}

// A label sized by its caption, in a font of its own.
inline std::unique_ptr<Label> make_label(Window* parent, std::string_view caption, int left, int top,
                                         const Font& font) {
  auto label = std::make_unique<Label>(parent, caption);
  label->set_font(font);
  label->set_bounds(left, top, 0, 0);
  return label;
}

}  // namespace vx::ws

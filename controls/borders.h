#pragma once

#include <functional>

#include "platform/ws/canvas.h"
#include "platform/ws/color.h"

namespace vx::controls {

enum class TOvcBorderStyle { bpsSolid };

// One line border that an entry field can draw in place of its window border.
class TOvcBorder {
 public:
  using TNotifyEvent = std::function<void(TOvcBorder& sender)>;

  TOvcBorder() = default;
  TOvcBorder(const TOvcBorder&) = delete;
  TOvcBorder& operator=(const TOvcBorder&) = delete;

  bool Enabled() const { return Enabled_; }
  void SetEnabled(bool value);
  TOvcBorderStyle BorderStyle() const { return BorderStyle_; }
  void SetBorderStyle(TOvcBorderStyle value);
  ws::Color PenColor() const { return PenColor_; }
  void SetPenColor(ws::Color value);
  ws::PenStyle PenStyle() const { return PenStyle_; }
  void SetPenStyle(ws::PenStyle value);
  int PenWidth() const { return PenWidth_; }
  // Only widths above 0.
  void SetPenWidth(int value);

  // Copies all but the border style, through the setters.
  void Assign(const TOvcBorder& source);

  // Set by the owning field; fired by every change.
  TNotifyEvent OnChange;

 private:
  void Changed();

  bool Enabled_ = false;
  TOvcBorderStyle BorderStyle_ = TOvcBorderStyle::bpsSolid;
  ws::Color PenColor_ = ws::color::black;
  ws::PenStyle PenStyle_ = ws::PenStyle::solid;
  int PenWidth_ = 2;
};

class TOvcBorders {
 public:
  TOvcBorders() = default;
  TOvcBorders(const TOvcBorders&) = delete;
  TOvcBorders& operator=(const TOvcBorders&) = delete;

  TOvcBorder& LeftBorder() { return LeftBorder_; }
  const TOvcBorder& LeftBorder() const { return LeftBorder_; }
  TOvcBorder& RightBorder() { return RightBorder_; }
  const TOvcBorder& RightBorder() const { return RightBorder_; }
  TOvcBorder& TopBorder() { return TopBorder_; }
  const TOvcBorder& TopBorder() const { return TopBorder_; }
  TOvcBorder& BottomBorder() { return BottomBorder_; }
  const TOvcBorder& BottomBorder() const { return BottomBorder_; }

  void Assign(const TOvcBorders& source);

 private:
  TOvcBorder BottomBorder_;
  TOvcBorder LeftBorder_;
  TOvcBorder RightBorder_;
  TOvcBorder TopBorder_;
};

}  // namespace vx::controls

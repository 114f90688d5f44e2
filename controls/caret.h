#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "platform/ws/canvas.h"

namespace vx::controls {

enum class TOvcCaretAlign { caLeft, caTop, caRight, caBottom, caCenter };
enum class TOvcCaretShape { csBlock, csHalfBlock, csVertLine, csHorzLine, csCustom, csBitmap };

// The description of a caret, shared by the fields that show it (held
// through std::shared_ptr): its shape, its place in the character cell, its
// size and blink time. Every single caret that uses it re-applies it when it
// changes.
class TOvcCaret {
 public:
  TOvcCaret() = default;
  TOvcCaret(const TOvcCaret&) = delete;
  TOvcCaret& operator=(const TOvcCaret&) = delete;

  TOvcCaretAlign Align() const { return Align_; }
  void SetAlign(TOvcCaretAlign value);
  const ws::Bitmap& Bitmap() const { return Bitmap_; }
  void SetBitmap(const ws::Bitmap& value);
  int BitmapHotSpotX() const { return BitmapHotSpotX_; }
  void SetBitmapHotSpotX(int value);
  int BitmapHotSpotY() const { return BitmapHotSpotY_; }
  void SetBitmapHotSpotY(int value);
  // Milliseconds; 0 keeps the blink time the caret finds.
  std::uint16_t BlinkTime() const { return BlinkTime_; }
  void SetBlinkTime(std::uint16_t value);
  // Only sizes above 0.
  int CaretHeight() const { return CaretHeight_; }
  void SetCaretHeight(int value);
  int CaretWidth() const { return CaretWidth_; }
  void SetCaretWidth(int value);
  bool IsGray() const { return IsGray_; }
  void SetIsGray(bool value);
  // A shape brings its alignment and, for lines and bitmaps, its size.
  TOvcCaretShape Shape() const { return Shape_; }
  void SetShape(TOvcCaretShape value);

  // The change callback of one user; a user attaches once and detaches before it goes.
  void Attach(const void* user, std::function<void()> on_change);
  void Detach(const void* user);

 private:
  void NotifyChange();

  TOvcCaretAlign Align_ = TOvcCaretAlign::caLeft;
  ws::Bitmap Bitmap_{0, 0};
  int BitmapHotSpotX_ = 0;
  int BitmapHotSpotY_ = 0;
  std::uint16_t BlinkTime_ = 0;
  int CaretHeight_ = 10;
  int CaretWidth_ = 2;
  bool IsGray_ = false;
  TOvcCaretShape Shape_ = TOvcCaretShape::csVertLine;
  std::vector<std::pair<const void*, std::function<void()>>> Users_;
};

}  // namespace vx::controls

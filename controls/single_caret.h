#pragma once

#include <cstdint>
#include <limits>
#include <memory>

#include "controls/caret.h"
#include "platform/ws/types.h"

namespace vx::ws {
class Window;
}

namespace vx::controls {

// Turns a caret description into the window system's one caret for a
// control, sized to the character cell under it. Only a linked caret (the
// focused control's) has a caret of the window system.
class TOvcSingleCaret {
 public:
  // Stands for "no position" in either coordinate.
  static constexpr int no_position = std::numeric_limits<std::int32_t>::max();

  // Without an owner the caret never links.
  explicit TOvcSingleCaret(ws::Window* owner);
  virtual ~TOvcSingleCaret();
  TOvcSingleCaret(const TOvcSingleCaret&) = delete;
  TOvcSingleCaret& operator=(const TOvcSingleCaret&) = delete;

  const std::shared_ptr<TOvcCaret>& Caret() const { return Caret_; }
  void SetCaret(std::shared_ptr<TOvcCaret> caret);
  void SetCellHeight(int value);
  int CellWidth() const { return CellWidth_; }
  void SetCellWidth(int value);
  // Linking creates the window system's caret and sets the caret's blink
  // time; unlinking restores the blink time and destroys it.
  bool Linked() const { return Linked_; }
  void SetLinked(bool value);
  bool Visible() const { return Visible_; }
  void SetVisible(bool value);
  // In client pixels; a negative coordinate becomes no_position.
  ws::Point Position() const { return {X_, Y_}; }
  void SetPosition(int x, int y);
  // The caret's place inside the character cell.
  int OffsetX() const { return Dx_; }
  int OffsetY() const { return Dy_; }

 private:
  ws::Window* OwnerWindow() const;
  void ApplyCaret();
  void Reapply();
  void CreateSystemCaret(ws::Window& owner);
  void MoveSystemCaret();

  ws::WindowHandle Owner_;
  std::shared_ptr<TOvcCaret> Caret_;
  int CellHeight_ = 10;
  int CellWidth_ = 10;
  bool Linked_ = false;
  bool Visible_ = false;
  int X_ = no_position;
  int Y_ = no_position;
  int Dx_ = 0;
  int Dy_ = 0;
  std::uint32_t SavedBlinkTime_ = 0;
  // Set while this caret sizes the description, whose changes it then ignores.
  bool Applying_ = false;
};

}  // namespace vx::controls

#pragma once

#include <QImage>
#include <QRasterWindow>

#include <cstdint>

#include "platform/ws/types.h"

// Seen only by the backend's own files.
namespace vx::ws::qt {

// A form's window on the desktop: it shows the form's pixels and hands what
// the user does in it to the window system. Its object name carries the
// form's handle ("vx-form-<handle>").
class FormWindow : public QRasterWindow {
 public:
  explicit FormWindow(WindowHandle form);

  QImage pixels;
  // Set while the window system places the window itself, so the move is
  // not taken for the user's.
  bool placing = false;

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void key(QKeyEvent* event, bool down);
  void mouse(QMouseEvent* event, bool down, bool double_click);
  void placed();

  WindowHandle form_;
};

// The window system's key for a key of the display; 0 for a key it has none for.
std::uint16_t virtual_key_of(int key, bool keypad);

}  // namespace vx::ws::qt

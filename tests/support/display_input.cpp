#include "support/display_input.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWindow>

namespace vx::test {
namespace {

QWindow* window_of(ws::Form& form) {
  const QString name = QStringLiteral("vx-form-%1").arg(form.handle());
  for (QWindow* window : QGuiApplication::topLevelWindows()) {
    if (window->objectName() == name) return window;
  }
  return nullptr;
}

// The point in the pixels of the top-level form's window.
QPointF form_point(ws::Window& window, ws::Point point) {
  const ws::Point screen = window.client_to_screen(point);
  const ws::Window& form = window.top_level();
  return QPointF(screen.x - form.left(), screen.y - form.top());
}

QWindow* display_window_of(ws::Window& window) {
  auto* form = dynamic_cast<ws::Form*>(&window.top_level());
  return form != nullptr ? window_of(*form) : nullptr;
}

bool send_one(ws::Window& window, ws::Point point, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held) {
  QWindow* target = display_window_of(window);
  if (target == nullptr) return false;
  const QPointF local = form_point(window, point);
  QMouseEvent event(type, local, target->mapToGlobal(local), button, held, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &event);
  return true;
}

bool send_mouse(ws::Window& window, ws::Point point, const std::initializer_list<QEvent::Type>& types, Qt::MouseButton button) {
  QWindow* target = display_window_of(window);
  if (target == nullptr) return false;
  const QPointF local = form_point(window, point);
  QMouseEvent move(QEvent::MouseMove, local, target->mapToGlobal(local), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &move);
  for (const QEvent::Type type : types) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, local, target->mapToGlobal(local), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
  }
  return true;
}

}  // namespace

bool press_key_on_display(ws::Form& form, const std::string& key, const std::string& text) {
  QWindow* target = window_of(form);
  const QKeySequence sequence = QKeySequence::fromString(QString::fromStdString(key));
  if (target == nullptr || sequence.isEmpty()) return false;
  const QKeyCombination combination = sequence[0];
  const QString typed = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  QKeyEvent press(QEvent::KeyPress, combination.key(), combination.keyboardModifiers(), typed);
  QCoreApplication::sendEvent(target, &press);
  QKeyEvent release(QEvent::KeyRelease, combination.key(), combination.keyboardModifiers(), typed);
  QCoreApplication::sendEvent(target, &release);
  return true;
}

bool click_on_display(ws::Window& window, ws::Point point, bool right) {
  return send_mouse(window, point, {QEvent::MouseButtonPress, QEvent::MouseButtonRelease},
                    right ? Qt::RightButton : Qt::LeftButton);
}

bool double_click_on_display(ws::Window& window, ws::Point point) {
  return send_mouse(window, point,
                    {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                     QEvent::MouseButtonRelease},
                    Qt::LeftButton);
}

bool press_on_display(ws::Window& window, ws::Point point, bool right) {
  return right ? send_one(window, point, QEvent::MouseButtonPress, Qt::RightButton, Qt::LeftButton | Qt::RightButton)
               : send_one(window, point, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
}

bool move_on_display(ws::Window& window, ws::Point point) {
  return send_one(window, point, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton);
}

bool release_on_display(ws::Window& window, ws::Point point, bool right) {
  return send_one(window, point, QEvent::MouseButtonRelease, right ? Qt::RightButton : Qt::LeftButton, Qt::NoButton);
}

bool wheel_on_display(ws::Window& window, ws::Point point, int delta) {
  QWindow* target = display_window_of(window);
  if (target == nullptr) return false;
  const QPointF local = form_point(window, point);
  QWheelEvent event(local, target->mapToGlobal(local), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(target, &event);
  return true;
}

bool close_on_display(ws::Form& form) {
  QWindow* target = window_of(form);
  if (target == nullptr) return false;
  target->close();
  return true;
}

bool set_state_on_display(ws::Form& form, ws::WindowState state) {
  QWindow* target = window_of(form);
  if (target == nullptr) return false;
  switch (state) {
    case ws::WindowState::normal: target->setWindowState(Qt::WindowNoState); break;
    case ws::WindowState::minimized: target->setWindowState(Qt::WindowMinimized); break;
    case ws::WindowState::maximized: target->setWindowState(Qt::WindowMaximized); break;
  }
  return true;
}

ws::WindowState state_on_display(ws::Form& form) {
  QWindow* target = window_of(form);
  const Qt::WindowState state = target != nullptr ? target->windowState() : Qt::WindowNoState;
  if (state == Qt::WindowMinimized) return ws::WindowState::minimized;
  if (state == Qt::WindowMaximized) return ws::WindowState::maximized;
  return ws::WindowState::normal;
}

}  // namespace vx::test

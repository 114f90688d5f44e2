#include "platform/ws/qt/qt_desktop.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QScreen>

#include <cmath>

#include "platform/ws/qt/qt_text.h"

namespace vx::ws::qt {
namespace {

QClipboard& clipboard() { return *QGuiApplication::clipboard(); }

}  // namespace

void beep() { QApplication::beep(); }

Size screen_size() {
  const QSize size = QGuiApplication::primaryScreen()->size();
  return {size.width(), size.height()};
}

int screen_pixels_per_inch() {
  return static_cast<int>(std::lround(QGuiApplication::primaryScreen()->logicalDotsPerInch()));
}

void set_clipboard_text(std::string_view text) { clipboard().setText(to_qstring(text)); }

std::optional<std::string> clipboard_text() {
  if (!clipboard_has_text()) return std::nullopt;
  return from_qstring(clipboard().text());
}

bool clipboard_has_text() {
  const QMimeData* data = clipboard().mimeData();
  return data != nullptr && data->hasText();
}

void clear_clipboard() { clipboard().clear(); }

}  // namespace vx::ws::qt

#include "platform/ws/qt/qt_desktop.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QScreen>

#include <cmath>

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

// One byte is one character, as everywhere on the display.
void set_clipboard_text(std::string_view text) {
  clipboard().setText(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}

std::optional<std::string> clipboard_text() {
  if (!clipboard_has_text()) return std::nullopt;
  return clipboard().text().toLatin1().toStdString();
}

bool clipboard_has_text() {
  const QMimeData* data = clipboard().mimeData();
  return data != nullptr && data->hasText();
}

void clear_clipboard() { clipboard().clear(); }

}  // namespace vx::ws::qt

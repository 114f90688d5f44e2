#include "platform/ws/qt/qt_backend.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QScreen>

#include <cmath>

#include "platform/ws/qt/qt_dialogs.h"
#include "platform/ws/qt/qt_display.h"
#include "platform/ws/qt/qt_text.h"

namespace vx::ws::qt {
namespace {

QClipboard& clipboard() { return *QGuiApplication::clipboard(); }

class QtBackend final : public DisplayBackend {
 public:
  std::unique_ptr<Display> open_display() override { return qt::open_display(); }

  platform::DialogResponder& dialogs() override { return open_dialogs(); }

  void beep() override { QApplication::beep(); }

  Size screen_size() override {
    const QSize size = QGuiApplication::primaryScreen()->size();
    return {size.width(), size.height()};
  }

  int screen_pixels_per_inch() override {
    return static_cast<int>(std::lround(QGuiApplication::primaryScreen()->logicalDotsPerInch()));
  }

  void set_clipboard_text(std::string_view text) override { clipboard().setText(to_qstring(text)); }

  std::optional<std::string> clipboard_text() override {
    if (!clipboard_has_text()) return std::nullopt;
    return from_qstring(clipboard().text());
  }

  bool clipboard_has_text() override {
    const QMimeData* data = clipboard().mimeData();
    return data != nullptr && data->hasText();
  }

  void clear_clipboard() override { clipboard().clear(); }
};

}  // namespace

DisplayBackend& backend() {
  static QtBackend instance;
  return instance;
}

}  // namespace vx::ws::qt

#include "platform/ws/qt/qt_text.h"

#include <QList>

#include "platform/windows_1252.h"

namespace vx::ws::qt {

QString to_qstring(std::string_view text) {
  QString result;
  result.reserve(static_cast<qsizetype>(text.size()));
  for (const char byte : text) {
    const char32_t character = platform::from_windows_1252(static_cast<unsigned char>(byte));
    result += QChar(static_cast<char16_t>(character));
  }
  return result;
}

std::string from_qstring(const QString& text) {
  std::string result;
  for (const char32_t character : text.toUcs4()) {
    result += static_cast<char>(platform::to_windows_1252(character).value_or('?'));
  }
  return result;
}

}  // namespace vx::ws::qt

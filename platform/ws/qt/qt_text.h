#pragma once

#include <QString>

#include <string>
#include <string_view>

// Text between the window system's Windows-1252 bytes and Qt's strings.
namespace vx::ws::qt {

QString to_qstring(std::string_view text);
// A character the code page does not have becomes "?".
std::string from_qstring(const QString& text);

}  // namespace vx::ws::qt

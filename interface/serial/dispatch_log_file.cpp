#include <cerrno>
#include <cstdio>
#include <string>

#include "foundation/kstring.h"
#include "foundation/owned_file.h"
#include "interface/serial/ad_str_map.h"
#include "interface/serial/base_dispatcher.h"
#include "interface/serial/dispatch_log.h"
#include "platform/local_time.h"

namespace vx::serial {
namespace {

constexpr const char* line_end = "\r\n";
constexpr std::uint32_t trace_line_width = 78;
constexpr std::uint32_t log_data_column = 45;
constexpr std::uint32_t log_line_limit = 79;
constexpr std::uint32_t build_9x_me = 0x045A0BB8;

std::int32_t io_error() { return -static_cast<std::int32_t>(platform::system_error_from_errno(errno)); }

// Append goes on after what the file holds; without it the file is made anew.
OwnedFile open_text_file(const ShortText& name, bool append) {
  return OwnedFile(std::fopen(name.c_str(), append ? "ab" : "wb"));
}

// Writing ends with the file closed; the result is 0 or minus the I/O error.
std::int32_t close_text_file(OwnedFile file) {
  std::int32_t result = std::ferror(file.get()) != 0 ? io_error() : 0;
  if (std::fclose(file.release()) != 0 && result == 0) result = io_error();
  return result;
}

std::string two_digits(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "%02d", value);
  return text;
}

std::string modem_line_names(std::uint32_t data) {
  std::string names;
  for (std::int32_t bit = 0; bit < 8; ++bit) {
    if ((data & (1u << bit)) != 0) names += LookupMessageNumber(15601 + bit).view();
  }
  return trim(ShortText(names)).str();
}

std::string status_kind_name(std::uint8_t kind) {
  static constexpr const char* names[] = {"(Not active)",         "(Modem status)",       "(Line status)",
                                          "(Output buffer free)", "(Output buffer used)", "(Output sent)"};
  return kind < std::size(names) ? names[kind] : "";
}

}  // namespace

std::string DumpByteText(std::uint8_t byte, bool all_hex, bool hex_controls) {
  char text[8];
  const std::uint8_t first_printable = hex_controls ? 0x21 : 0x20;
  if (!all_hex && byte >= first_printable && byte <= 0x7E) return std::string(1, static_cast<char>(byte));
  if (all_hex || hex_controls) {
    std::snprintf(text, sizeof text, "[%02X]", byte);
  } else {
    std::snprintf(text, sizeof text, "[%u]", byte);
  }
  return text;
}

std::string LogTimeText(std::uint32_t ms) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%07u", ms);
  std::string text = digits;
  text.insert(text.size() - 3, ".");
  return text;
}

ShortText OsDescription(const platform::OsVersion& version) {
  const ShortText service = trim(ShortText(version.service_text));
  const char letter = service.size() >= 2 ? service[1] : '\0';
  ShortText text;
  switch (version.platform) {
    case platform::OsPlatform::win32s: text = "Win32s on Windows "; break;
    case platform::OsPlatform::windows_9x:
      if (version.minor == 0) {
        text = letter == 'B' ? "Win32 on Windows 95 OSR 2 " : "Win32 on Windows 95 OSR 1 ";
      } else if (version.minor == 10) {
        text = letter == 'A' ? "Win32 on Windows 98 OSR 2 " : "Win32 on Windows 98 OSR 1 ";
      } else if (version.minor == 90) {
        if (version.build == build_9x_me) text = "Win32 on Windows ME ";
      } else {
        text = "Win32 on Windows 9x";
      }
      break;
    case platform::OsPlatform::windows_nt:
      if (version.major == 3) {
        text = "Windows NT 3.5 ";
      } else if (version.major == 4) {
        text = "Windows NT 4 ";
      } else if (version.major == 5) {
        if (version.minor == 0) text = "Windows 2000 ";
        if (version.minor == 1) text = "Windows XP ";
      } else {
        text = "WinNT ";
      }
      break;
    case platform::OsPlatform::other: text = "Unknown"; break;
  }
  text += std::to_string(version.major) + "." + std::to_string(version.minor) + " ";
  if (version.platform == platform::OsPlatform::win32s || version.platform == platform::OsPlatform::windows_nt) {
    text += version.service_text;
  }
  return text;
}

std::int32_t TApdBaseDispatcher::TraceWrite(const ShortText& file_name, bool append, bool all_hex,
                                            bool hex_controls) {
  std::lock_guard lock(MainLock);
  if (TraceSize == 0) return 0;
  TraceOn = false;
  if (TracePos == 0 && !TraceWrapped) {
    TraceDiscard();
    return 0;
  }
  OwnedFile file = open_text_file(file_name, append);
  if (!file) {
    const std::int32_t error = io_error();
    TraceDiscard();
    return error;
  }
  const std::uint32_t count = TraceWrapped ? TraceSize : TracePos;
  const std::uint32_t oldest = TraceWrapped ? TracePos : 0;
  std::string text;
  std::uint32_t column = 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::size_t at = std::size_t{(oldest + i) % TraceSize} * 2;
    const char kind = static_cast<char>(TraceBuffer[at]);
    if (i == 0 || kind != static_cast<char>(TraceBuffer[std::size_t{(oldest + i - 1) % TraceSize} * 2])) {
      if (i != 0) text += std::string(line_end) + line_end;
      if (kind == 'R') {
        text += "Receive: ";
      } else if (kind == 'T') {
        text += "Transmit: ";
      } else {
        text += std::string("Special-") + kind + ": ";
      }
      text += line_end;
      column = 0;
    }
    const std::string item = DumpByteText(TraceBuffer[at + 1], all_hex, hex_controls);
    if (column + item.size() > trace_line_width) {
      text += line_end;
      column = 0;
    }
    text += item;
    column += static_cast<std::uint32_t>(item.size());
  }
  std::fwrite(text.data(), 1, text.size(), file.get());
  const std::int32_t result = close_text_file(std::move(file));
  TraceDiscard();
  return result;
}

std::int32_t TApdBaseDispatcher::LogWrite(const ShortText& file_name, bool append, bool all_hex, bool hex_controls) {
  std::lock_guard lock(MainLock);
  if (LogSize == 0 || LogFree == LogSize) {
    LogDiscard();
    return 0;
  }
  LogOn = false;
  OwnedFile file = open_text_file(file_name, append);
  if (!file) return io_error();
  const platform::LocalTime now = platform::local_time();
  std::string text = "TARVO v4.05";
  text += line_end;
  text += std::string("Compiler : Unknown") + line_end;
  text += "Operating System : " + OsDescription(platform::os_version()).substr(0, 80).str() + line_end;
  text += "Device: " + DeviceName.str() + line_end;
  text += "Date/time: " + two_digits(now.day) + "/" + two_digits(now.month) + "/" + two_digits(now.year % 100) +
          ", " + two_digits(now.hour) + ":" + two_digits(now.minute) + ":" + two_digits(now.second) + line_end;
  text += LookupMessageNumber(15501).str() + line_end;
  text += LookupMessageNumber(15502).str() + line_end;
  std::array<std::uint8_t, 14> header{};
  while (LogTake(header)) {
    const auto field = [&header](int at) {
      return header[at] | (header[at + 1] << 8) | (header[at + 2] << 16) | (std::uint32_t{header[at + 3]} << 24);
    };
    const std::uint8_t type = header[0];
    const std::uint8_t subtype = header[1];
    const std::uint32_t data = field(6);
    const std::uint32_t length = std::min<std::uint32_t>(field(10), static_cast<std::uint32_t>(LogScratch.size()));
    char line[640];
    std::snprintf(line, sizeof line, "%8s  %-8s  %-12s  %08X  ", LogTimeText(field(2)).c_str(),
                  LookupMessageNumber(15001 + type).c_str(), LookupMessageNumber(15100 + subtype).c_str(), data);
    text += line;
    const bool kind_entry = subtype == 15 && (type == 5 || type == 6);
    if (length == 0) {
      if (type == 10) {
        const ShortText option = data <= 42 ? LookupMessageNumber(static_cast<std::int32_t>(15700 + data)) : "";
        text += " [" + trim(option).str() + "]";
      }
    } else if (kind_entry) {
      text += status_kind_name(LogScratch[0]);
    } else {
      const bool characters = type == 19;
      std::uint32_t column = log_data_column;
      for (std::uint32_t i = 0; i < length; ++i) {
        const std::string item = DumpByteText(LogScratch[i], all_hex && !characters, hex_controls);
        if (column + item.size() >= log_line_limit) {
          text += line_end + std::string(log_data_column - 1, ' ');
          column = log_data_column + static_cast<std::uint32_t>(item.size());
        } else {
          column += static_cast<std::uint32_t>(item.size());
        }
        text += item;
      }
    }
    if (subtype == 4) text += " (" + modem_line_names(data) + ")";
    text += line_end;
  }
  std::fwrite(text.data(), 1, text.size(), file.get());
  const std::int32_t result = close_text_file(std::move(file));
  LogDiscard();
  return result;
}

}  // namespace vx::serial

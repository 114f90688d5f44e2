#include "foundation/settings_file.h"

#include <array>
#include <functional>
#include <optional>
#include <string>

#include "foundation/ini_document.h"
#include "foundation/kstring.h"
#include "foundation/program_trace.h"
#include "foundation/status_output.h"
#include "foundation/system_helpers.h"
#include "platform/ws/shell.h"

namespace vx {
namespace {

constexpr std::string_view settings_error = "Error reading from INI File";

// A name that would not fit once the program's directory is put in front is refused, not cut.
std::optional<ShortText> settings_path(const ShortText& file) {
  if (!path_part(file).empty()) return file;
  ShortText program;
  GET_EXE_PATH(program);
  const std::optional<ShortText> directory = add_backslash(path_part(program));
  if (!directory || directory->size() + file.size() > ShortText::max_length) return std::nullopt;
  return *directory + file;
}

std::optional<IniDocument> load_settings(const ShortText& path) {
  IniDocument::LoadStatus status{};
  IniDocument document = IniDocument::load(path.str(), status);
  if (status == IniDocument::LoadStatus::failed) return std::nullopt;
  return document;
}

// Reads one value; nothing when the key is absent; false when the file cannot be read.
bool read_value(const ShortText& file, const ShortText& section, const ShortText& key,
                std::optional<std::string>& value) {
  const std::optional<ShortText> path = settings_path(file);
  if (!path) return false;
  const std::optional<IniDocument> document = load_settings(*path);
  if (!document) return false;
  value = document->value(upper_case(section).view(), upper_case(key).view());
  return true;
}

bool change_settings(const ShortText& file, const std::function<bool(IniDocument&)>& change) {
  const std::optional<ShortText> path = settings_path(file);
  if (!path) return false;
  std::optional<IniDocument> document = load_settings(*path);
  return document && change(*document) && document->save(path->str());
}

// "0x1F" reads as "$1F"; anything the plain conversion refuses gives the default.
std::int32_t integer_or_default(const std::optional<std::string>& text, std::int32_t default_value) {
  if (!text) return default_value;
  std::string number = *text;
  if (number.size() > 2 && number[0] == '0' && (number[1] == 'x' || number[1] == 'X')) number.replace(0, 2, "$");
  std::int32_t value = 0;
  return convert_integer_text(number, value) ? value : default_value;
}

ShortText displayed_file(const ShortText& file) {
  const std::optional<ShortText> path = settings_path(file);
  return path ? *path : file;
}

void get_string(std::string_view label, bool report, const ShortText& file, const ShortText& section,
                const ShortText& key, const ShortText& default_value, ShortText& value) {
  if (section.empty() || key.empty()) {
    value = default_value;
    return;
  }
  std::optional<std::string> stored;
  if (read_value(file, section, key, stored)) {
    value = stored ? ShortText(*stored) : default_value;
  } else {
    value = default_value;
    if (report) WRITELN_TO_DEBUG(settings_error);
  }
  if (trace_active()) {
    trace_line(ShortText(label) + "(" + displayed_file(file) + "," + section + "," + key + "," + default_value +
               ")=" + value);
  }
}

void put_string(std::string_view label, bool report, const ShortText& file, const ShortText& section,
                const ShortText& key, const ShortText& value) {
  if (section.empty() || key.empty()) return;
  const bool written = change_settings(file, [&](IniDocument& document) {
    return document.set_value(upper_case(section).view(), upper_case(key).view(), value.view());
  });
  if (!written && report) WRITELN_TO_DEBUG(settings_error);
  if (trace_active()) {
    trace_line(ShortText(label) + "(" + displayed_file(file) + "," + section + "," + key + "," + value + ")");
  }
}

struct LayoutKey {
  std::string_view suffix;
  std::int32_t WindowLayout::*field;
};

constexpr std::array<LayoutKey, 8> numeric_layout_keys{{
    {"_LEFT", &WindowLayout::left},
    {"_WIDTH", &WindowLayout::width},
    {"_TOP", &WindowLayout::top},
    {"_HEIGHT", &WindowLayout::height},
    {"_STATE", &WindowLayout::state},
    {"_DATA1", &WindowLayout::data1},
    {"_DATA2", &WindowLayout::data2},
    {"_DATA3", &WindowLayout::data3},
}};
constexpr std::size_t keys_before_visible = 5;

}  // namespace

void TOUCH_INI_FILE(const ShortText&) {}

void GET_INI_STRING(const ShortText& file, const ShortText& section, const ShortText& key,
                    const ShortText& default_value, bool, ShortText& value) {
  get_string("GET_INI_STRING", true, file, section, key, default_value, value);
}

void PUT_INI_STRING(const ShortText& file, const ShortText& section, const ShortText& key, const ShortText& value,
                    bool) {
  put_string("PUT_INI_STRING", true, file, section, key, value);
}

void GET_INI_STRING_REAL(const ShortText& file, const ShortText& section, const ShortText& key, ShortText& value,
                         bool, const ShortText& default_value) {
  get_string("GET_INI_STRING_REAL", false, file, section, key, default_value, value);
}

void PUT_INI_STRING_REAL(const ShortText& file, const ShortText& section, const ShortText& key, bool,
                         const ShortText& value) {
  put_string("PUT_INI_STRING_REAL", false, file, section, key, value);
}

std::int32_t GET_INI_INTEGER(const ShortText& file, const ShortText& section, const ShortText& key,
                             std::int32_t default_value, bool) {
  if (section.empty() || key.empty()) return default_value;
  std::optional<std::string> stored;
  std::int32_t value = default_value;
  if (read_value(file, section, key, stored)) {
    value = integer_or_default(stored, default_value);
  } else {
    WRITELN_TO_DEBUG(settings_error);
  }
  if (trace_active()) {
    trace_line("GET_INI_INTEGER(" + displayed_file(file) + "," + section + "," + key + "," +
               long_to_str(default_value) + ")=" + long_to_str(value));
  }
  return value;
}

void PUT_INI_INTEGER(const ShortText& file, const ShortText& section, const ShortText& key, std::int32_t value,
                     bool) {
  if (section.empty() || key.empty()) return;
  const bool written = change_settings(file, [&](IniDocument& document) {
    return document.set_value(upper_case(section).view(), upper_case(key).view(), long_to_str(value).view());
  });
  if (!written) WRITELN_TO_DEBUG(settings_error);
  if (trace_active()) {
    trace_line("PUT_INI_INTEGER(" + displayed_file(file) + "," + section + "," + key + "," + long_to_str(value) +
               ")");
  }
}

void SAVE_WINDOW_LAYOUT(const ShortText& file, const ShortText& window_name, const WindowLayout& layout, bool) {
  const ShortText name = trim(window_name);
  const bool written = change_settings(file, [&](IniDocument& document) {
    auto put = [&](std::string_view section, const ShortText& key, std::int32_t value) {
      return document.set_value(section, key.view(), long_to_str(value).view());
    };
    bool ok = put("VIDEO MODE", "HEIGHT", ws::screen_height()) && put("VIDEO MODE", "WIDTH", ws::screen_width()) &&
              put("VIDEO MODE", "FONTSIZE", ws::screen_pixels_per_inch());
    for (std::size_t i = 0; i < numeric_layout_keys.size() && ok; ++i) {
      if (i == keys_before_visible) ok = put(name.view(), name + "_VISIBLE", layout.visible ? 1 : 0);
      ok = ok && put(name.view(), name + numeric_layout_keys[i].suffix, layout.*numeric_layout_keys[i].field);
    }
    return ok;
  });
  if (!written) WRITELN_TO_DEBUG(settings_error);
}

void LOAD_WINDOW_LAYOUT(const ShortText& file, const ShortText& window_name, WindowLayout& layout, bool) {
  const ShortText name = trim(window_name);
  const std::optional<ShortText> path = settings_path(file);
  const std::optional<IniDocument> document = path ? load_settings(*path) : std::nullopt;
  if (!document) {
    WRITELN_TO_DEBUG(settings_error);
    return;
  }
  auto read = [&](std::string_view suffix, std::int32_t current) {
    return integer_or_default(document->value(name.view(), (name + suffix).view()), current);
  };
  for (std::size_t i = 0; i < numeric_layout_keys.size(); ++i) {
    if (i == keys_before_visible) layout.visible = read("_VISIBLE", layout.visible ? 1 : 0) != 0;
    std::int32_t& field = layout.*numeric_layout_keys[i].field;
    field = read(numeric_layout_keys[i].suffix, field);
  }
}

}  // namespace vx

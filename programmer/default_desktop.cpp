#include "programmer/default_desktop.h"

#include <sys/stat.h>

#include <optional>
#include <string>

#include "foundation/file_checks.h"
#include "foundation/ini_document.h"
#include "foundation/kstring.h"
#include "foundation/run_control.h"
#include "foundation/status_output.h"
#include "platform/ws/shell.h"
#include "programmer/program_files.h"

namespace vx::programmer {
namespace {

constexpr const char* missing_defaults = "CQUILLHCS08 Programmer Error - Can't find default desktop files. Halting.";
constexpr const char* desktop_error = "Error in desktop files. Halting.";

[[noreturn]] void halt_with(std::int32_t code, const char* message) {
  WRITELN_TO_DEBUG(message);
  internal_prog_halt(code);
}

// A default file that is there but is no regular file (a FIFO, a directory) cannot be read:
// an input/output error rather than a missing file.
[[noreturn]] void halt_unusable_default(const ShortText& path, std::int32_t missing_code) {
  struct stat info {};
  if (stat(path.c_str(), &info) == 0) halt_with(97, desktop_error);
  halt_with(missing_code, missing_defaults);
}

IniDocument load_or_halt(const ShortText& path) {
  IniDocument::LoadStatus status{};
  IniDocument document = IniDocument::load(path.str(), status);
  if (status == IniDocument::LoadStatus::failed) halt_with(97, desktop_error);
  return document;
}

std::optional<std::string> non_empty(const IniDocument& index, const std::string& section, const std::string& key) {
  std::optional<std::string> value = index.value(section, key);
  if (value && value->empty()) return std::nullopt;
  return value;
}

// The default desktop named for this screen: its width and resolution
// first, then ever more general entries.
std::string choose_default_desktop(const IniDocument& index) {
  const int width = ws::screen_width();
  const int height = ws::screen_height();
  const std::string width_section = std::to_string(width);
  if (auto name = non_empty(index, width_section, std::to_string(ws::screen_pixels_per_inch()))) return *name;
  if (auto name = non_empty(index, width_section, "DEFAULT")) return *name;
  const std::string size_section = width >= 1280 && height >= 1024  ? "1280"
                                   : width >= 1024 && height >= 768 ? "1024"
                                                                    : width_section;
  if (auto name = non_empty(index, size_section, "DEFAULT")) return *name;
  return non_empty(index, "DEFAULT", "DEFAULT").value_or(std::string());
}

std::int32_t version_of(const IniDocument& document) {
  std::int32_t version = 0;
  const std::optional<std::string> text = document.value("SETTINGS", "INIFILEVERSION");
  return text && str_to_long(ShortText(*text), version) ? version : 0;
}

bool desktop_is_current(const IniDocument& desktop, const IniDocument& defaults, const ShortText& default_name) {
  const ShortText screen_type = upper_case(trim(ShortText(desktop.value("SCREENTYPE", "FILENAME").value_or(""))));
  if (screen_type != upper_case(trim(file_name_part(default_name)))) return false;
  const std::int32_t default_version = version_of(defaults);
  return default_version == 0 || version_of(desktop) >= default_version;
}

}  // namespace

void install_default_desktop(const ShortText& desktop_file_name) {
  std::optional<ShortText> index_path = beside_program("CQLLVIDM.DEF");
  if (!index_path) halt_with(99, missing_defaults);
  if (!resolve_file_name(*index_path, ShortText::max_length)) halt_unusable_default(*index_path, 99);

  std::optional<ShortText> default_path =
      beside_program(ShortText(choose_default_desktop(load_or_halt(*index_path))));
  if (!default_path || file_name_part(*default_path).empty()) halt_with(98, missing_defaults);
  if (!resolve_file_name(*default_path, ShortText::max_length)) halt_unusable_default(*default_path, 98);
  const IniDocument defaults = load_or_halt(*default_path);

  const std::optional<ShortText> desktop_path = beside_program(desktop_file_name);
  if (!desktop_path) halt_with(97, desktop_error);
  IniDocument::LoadStatus status{};
  IniDocument desktop = IniDocument::load(desktop_path->str(), status);
  if (status == IniDocument::LoadStatus::failed) halt_with(97, desktop_error);
  if (status == IniDocument::LoadStatus::loaded && desktop_is_current(desktop, defaults, *default_path)) return;

  for (const std::string& section : defaults.sections()) {
    for (const std::string& key : defaults.keys(section)) {
      desktop.set_value(section, key, defaults.value(section, key).value_or(""));
    }
  }
  if (!desktop.save(desktop_path->str())) halt_with(97, desktop_error);
}

}  // namespace vx::programmer

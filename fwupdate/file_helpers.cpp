#include "fwupdate/file_helpers.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "foundation/command_exception.h"
#include "foundation/file_checks.h"
#include "foundation/file_names.h"
#include "foundation/kstring.h"
#include "foundation/system_helpers.h"
#include "platform/dialogs.h"

namespace vx::fwupdate {
namespace {

// The dialog's default extension: the filter's own extension replaces it once the user has chosen.
constexpr std::string_view placeholder_extension = ".$_~";

// The filter after its first `count` '|' characters, or nothing when it has fewer.
std::optional<std::string_view> after_bars(std::string_view filter, std::size_t count) {
  for (std::size_t skipped = 0; skipped < count; ++skipped) {
    const std::size_t bar = filter.find('|');
    if (bar == std::string_view::npos) return std::nullopt;
    filter.remove_prefix(bar + 1);
  }
  return filter;
}

// The directory with its separator and the name, when that fits the maximum.
std::optional<ShortText> in_directory(const ShortText& directory, const ShortText& name, std::size_t maximum) {
  const std::optional<ShortText> with_separator = add_backslash(directory);
  if (!with_separator || with_separator->size() + name.size() > maximum) return std::nullopt;
  return *with_separator + name;
}

bool default_directory_usable(const ShortText& directory) {
  const std::optional<ShortText> probe = in_directory(directory, "test.tst", ShortText::max_length);
  return probe && check_path_valid(*probe, false);
}

// A default directory that does not exist gives way to the program's own,
// which becomes the current directory as well.
void fall_back_to_program_directory(FileChoice& choice) {
  ShortText program;
  GET_EXE_PATH(program);
  const ShortText directory = path_part(program);
  if (directory.size() > choice.default_directory_maximum) return;
  choice.default_directory = directory;
  std::error_code ignored;
  std::filesystem::current_path(directory.str(), ignored);
  if (!path_part(choice.file_name).empty()) return;
  if (const std::optional<ShortText> placed = in_directory(directory, choice.file_name, choice.file_name_maximum)) {
    choice.file_name = *placed;
  }
}

void move_default_directory(FileChoice& choice, const ShortText& name) {
  const std::optional<ShortText> expanded = expand_path(name);
  if (!expanded) return;
  const ShortText directory = path_part(trim(*expanded));
  if (directory.size() <= choice.default_directory_maximum) choice.default_directory = directory;
}

bool existing(const ShortText& name, std::size_t maximum) { return name.size() <= maximum && valid_file_exists(name); }

bool choose_in_dialog(FileChoice& choice, const ShortText& title, bool update_default_directory,
                      std::string_view filter) {
  platform::FileOpenDialog dialog;
  dialog.title = title.str();
  dialog.filter = std::string(filter);
  dialog.filter_index = 1;
  dialog.default_extension = std::string(placeholder_extension.substr(1));
  dialog.hide_read_only = true;
  // The loop below tests the file: the name the dialog gives still holds the placeholder.
  dialog.path_must_exist = false;
  const ShortText directory = path_part(choice.file_name);
  if (directory.empty()) {
    dialog.initial_directory = choice.default_directory.str();
    dialog.file_name = choice.file_name.str();
  } else {
    dialog.initial_directory = directory.str();
    dialog.file_name = file_name_part(choice.file_name).str();
  }
  for (;;) {
    const std::optional<std::string> chosen = platform::dialog_responder().open_file(dialog);
    if (!chosen) return false;
    const ShortText name = apply_filter_extension(*chosen, filter, 0);
    if (chosen->size() <= ShortText::max_length && existing(name, choice.file_name_maximum)) {
      choice.file_name = name;
      if (update_default_directory) move_default_directory(choice, *chosen);
      return true;
    }
    safe_message_dlg(0, "Error - File " + name + " does not exist.", platform::DialogKind::error,
                     platform::button_ok, 0);
  }
}

bool find_typed_name(FileChoice& choice, bool update_default_directory, std::string_view filter) {
  if (!path_part(choice.file_name).empty() && !check_path_valid(choice.file_name, false)) return false;
  const std::optional<ShortText> name = default_extension(trim(choice.file_name), filter_extension(filter, 0));
  if (!name) return false;
  if (existing(*name, choice.file_name_maximum)) {
    choice.file_name = *name;
    if (update_default_directory) move_default_directory(choice, *name);
    return true;
  }
  const std::optional<ShortText> in_default =
      in_directory(choice.default_directory, file_name_part(*name), choice.file_name_maximum);
  if (!in_default || !valid_file_exists(*in_default)) return false;
  choice.file_name = *in_default;
  return true;
}

bool select(FileChoice& choice, const ShortText& title, bool update_default_directory, std::string_view filter) {
  if (!default_directory_usable(choice.default_directory)) fall_back_to_program_directory(choice);
  if (!choice.file_name.empty() && choice.file_name.back() == '/') {
    // The filter's first pattern.
    if (const std::optional<std::string_view> rest = after_bars(filter, 1)) {
      const std::string_view pattern = rest->substr(0, rest->find('|'));
      if (choice.file_name.size() + pattern.size() <= choice.file_name_maximum) choice.file_name += pattern;
    }
  }
  const ShortText trimmed = trim(choice.file_name);
  if (trimmed.empty() || trimmed.view().find('*') != std::string_view::npos) {
    return choose_in_dialog(choice, title, update_default_directory, filter);
  }
  return find_typed_name(choice, update_default_directory, filter);
}

}  // namespace

std::optional<ShortText> default_extension(const ShortText& name, const ShortText& extension) {
  std::size_t position = 0;
  if (name.empty() || has_extension(name, position)) return name;
  if (name.size() + 1 + extension.size() > ShortText::max_length) return std::nullopt;
  return name + "." + extension;
}

std::string lstr_force_extension(std::string_view name, std::string_view extension) {
  return file_names::replace_extension(name, extension);
}

ShortText hex_int64(std::uint32_t low, std::uint32_t high) {
  char digits[17];
  std::snprintf(digits, sizeof digits, "%08X%08X", static_cast<unsigned>(high), static_cast<unsigned>(low));
  return digits;
}

ShortText hex_int64_trimmed(std::uint32_t low, std::uint32_t high) {
  const ShortText digits = hex_int64(low, high);
  const std::size_t first = digits.view().find_first_not_of('0');
  return digits.substr(first == std::string_view::npos ? digits.size() - 1 : first);
}

std::optional<ShortText> expand_path(const ShortText& name) {
  if (!name.empty() && name.front() == '/') return name;
  std::error_code failed;
  const std::string current = std::filesystem::current_path(failed).string();
  if (failed) return std::nullopt;
  const std::string expanded = file_names::join_directory(current, name.view());
  if (expanded.size() > ShortText::max_length) return std::nullopt;
  return ShortText(expanded);
}

ShortText filter_extension(std::string_view filter, std::size_t index) {
  std::optional<std::string_view> rest = after_bars(filter, 2 * index + 1);
  if (!rest) return ShortText();
  if (const std::size_t dot = rest->find('.'); dot != std::string_view::npos) rest->remove_prefix(dot + 1);
  return ShortText(rest->substr(0, rest->find_first_of(" *:;?\\|")));
}

ShortText apply_filter_extension(const ShortText& name, std::string_view filter, std::size_t index) {
  ShortText result = name;
  if (const std::size_t dots = result.view().find(".."); dots != std::string_view::npos) result.truncate(dots);
  const std::size_t placeholder = result.view().find(placeholder_extension);
  if (placeholder == std::string_view::npos) return result;
  return result.substr(0, placeholder + 1) + filter_extension(filter, index);
}

void strip_last_extension(ShortText& name, std::uint8_t maximum_length) {
  const std::size_t name_start = name.size() - file_name_part(name).size();
  const std::size_t last_dot = name.view().rfind('.');
  const std::size_t first_dot = name.view().find('.', name_start);
  if (first_dot != std::string_view::npos && last_dot != first_dot) name.truncate(last_dot);
  name.truncate(maximum_length);
}

bool select_file_dialog(FileChoice& choice, const ShortText& title, bool update_default_directory,
                        std::string_view filter) {
  try {
    return select(choice, title, update_default_directory, filter);
  } catch (const CommandException&) {
    throw;
  } catch (...) {
    return false;
  }
}

}  // namespace vx::fwupdate

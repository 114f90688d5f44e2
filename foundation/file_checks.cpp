#include "foundation/file_checks.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "foundation/kstring.h"
#include "foundation/run_state.h"
#include "foundation/status_output.h"
#include "foundation/system_helpers.h"

namespace vx {
namespace {

bool is_existing_file(const ShortText& name) {
  struct stat info {};
  // A FIFO or a device would block or never end; only a regular file is read.
  return stat(name.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The directory with a separator and the name after it, unless that would be too long.
std::optional<ShortText> joined(const ShortText& directory, const ShortText& name, std::size_t maximum_length) {
  const std::optional<ShortText> with_separator = add_backslash(directory);
  if (!with_separator || with_separator->size() + name.size() > maximum_length) return std::nullopt;
  return *with_separator + name;
}

std::optional<ShortText> found_in(const ShortText& directory, const ShortText& name, std::size_t maximum_length) {
  std::optional<ShortText> candidate = joined(directory, file_name_part(name), maximum_length);
  if (candidate && valid_file_exists(*candidate)) return candidate;
  return std::nullopt;
}

}  // namespace

bool valid_file_exists(const ShortText& name) {
  return name.view().find_first_of("*?") == std::string_view::npos && is_existing_file(name);
}

bool check_file_exists(const ShortText& name) { return valid_file_exists(name); }

bool file_can_be_rewritten(const ShortText& name) {
  if (name.empty() || name.view().find('\0') != std::string_view::npos) return false;
  std::error_code error;
  const std::filesystem::path file = std::filesystem::canonical(name.str(), error);
  struct stat info {};
  if (error || stat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || access(file.c_str(), W_OK) != 0) return false;
  return access(file.parent_path().c_str(), W_OK | X_OK) == 0;
}

bool check_drive_ready(const ShortText& name, bool report) {
  if (!run_state().path_checks_on) return true;
  if (name.size() < 2 || name[1] != ':') return true;
  std::string label;
  if (get_volume_label(label, upcase_char(name[0])) == 0) return true;
  if (report) WRITELN_TO_DEBUG("Error : Invalid or Not Ready Drive.");
  return false;
}

bool check_path_valid(const ShortText& name, bool report) {
  if (!run_state().path_checks_on) return true;
  const ShortText directory = path_part(name);
  if (directory.empty() || directory_exists(directory)) return true;
  if (report) WRITELN_TO_DEBUG("Error : Invalid Path.(" + name + ")");
  return false;
}

void check_program_directory() {
  RunState& run = run_state();
  run.path_checks_on = true;
  ShortText program;
  GET_EXE_PATH(program);
  if (!check_path_valid(program, false) || !check_drive_ready(program, false)) {
    run.path_checks_on = false;
    run.default_directory = run.program_directory;
  }
}

bool resolve_file_name(ShortText& name, std::uint8_t maximum_length) {
  RunState& run = run_state();
  const std::optional<ShortText> probe = joined(run.default_directory, "test.tst", ShortText::max_length);
  if (!probe || !check_drive_ready(*probe, false) || !check_path_valid(*probe, false)) {
    run.default_directory = run.program_directory;
  }
  if (trim(path_part(name)).empty()) {
    for (const ShortText& directory : {run.default_directory, run.program_directory}) {
      if (std::optional<ShortText> found = found_in(directory, name, maximum_length)) {
        name = *found;
        return true;
      }
    }
  }
  return valid_file_exists(name);
}

}  // namespace vx

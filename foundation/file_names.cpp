#include "foundation/file_names.h"

#include <optional>

namespace vx::file_names {
namespace {

constexpr std::string_view directory_separators = "\\/";

bool is_directory_separator(char c) { return directory_separators.find(c) != std::string_view::npos; }

bool is_delimiter_at(std::string_view name, std::size_t index) {
  const char c = name[index];
  return is_directory_separator(c) || c == '\0' || (c == ':' && index == 1);
}

std::optional<std::size_t> last_delimiter(std::string_view name) {
  for (std::size_t index = name.size(); index > 0; --index) {
    if (is_delimiter_at(name, index - 1)) return index - 1;
  }
  return std::nullopt;
}

}  // namespace

std::string_view file_name_part(std::string_view name) {
  const std::optional<std::size_t> last = last_delimiter(name);
  return last ? name.substr(*last + 1) : name;
}

std::string_view path_part(std::string_view name) {
  const std::optional<std::size_t> last = last_delimiter(name);
  if (!last) return name.substr(0, 0);
  if (*last == 0) return name.substr(0, 1);
  std::string_view path = name.substr(0, *last + 1);
  if (is_directory_separator(path.back()) && path[path.size() - 2] != ':') path.remove_suffix(1);
  return path;
}

// Short names stay as they are, as on Windows, except those that can only be
// Linux directories: ".", ".." and "/x" would otherwise join into a wrong path.
bool short_linux_directory(std::string_view directory) {
  return directory == "." || directory == ".." || (directory.size() == 2 && directory[0] == '/');
}

namespace {

char separator_for(std::string_view directory) {
  if (directory.size() == 2 && directory[1] == ':') return '\\';
  const std::size_t last = directory.find_last_of(directory_separators);
  return last != std::string_view::npos && directory[last] == '\\' ? '\\' : '/';
}

}  // namespace

std::string add_backslash(std::string_view directory) {
  std::string result(directory);
  const bool joins = (directory.size() == 2 && directory[1] == ':') || short_linux_directory(directory) ||
                     directory.size() > 2;
  if (joins && !is_directory_separator(directory.back())) result += separator_for(directory);
  return result;
}

std::string join_directory(std::string_view directory, std::string_view name) {
  std::string result(directory);
  if (!directory.empty() && !is_directory_separator(directory.back())) result += separator_for(directory);
  return result += name;
}

bool has_extension(std::string_view name, std::size_t& position) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) {
    position = 0;
    return false;
  }
  position = dot + 1;
  return name.find_first_of(directory_separators, dot) == std::string_view::npos;
}

std::string_view name_only(std::string_view name) {
  std::size_t dot = 0;
  return file_name_part(has_extension(name, dot) ? name.substr(0, dot - 1) : name);
}

std::string replace_extension(std::string_view name, std::string_view extension) {
  if (name.empty()) return {};
  std::size_t dot = 0;
  std::string result = has_extension(name, dot) ? std::string(name.substr(0, dot)) : std::string(name) + '.';
  return result.append(extension);
}

}  // namespace vx::file_names

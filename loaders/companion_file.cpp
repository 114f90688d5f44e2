#include "loaders/companion_file.h"

#include <dirent.h>

#include <algorithm>
#include <string>
#include <vector>

#include "foundation/file_checks.h"
#include "foundation/file_names.h"
#include "foundation/kstring.h"

namespace vx::loaders {
namespace {

bool same_ignoring_case(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return upcase_char(x) == upcase_char(y); });
}

std::vector<std::string> directory_entries(const std::string& directory) {
  std::vector<std::string> names;
  DIR* dir = opendir(directory.empty() ? "." : directory.c_str());
  if (dir == nullptr) return names;
  while (const dirent* entry = readdir(dir)) names.emplace_back(entry->d_name);
  closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

std::optional<ShortText> find_companion_file(const ShortText& name, std::string_view extension) {
  const std::string_view file_part = file_names::file_name_part(name.view());
  const std::string directory(name.view().substr(0, name.size() - file_part.size()));
  const std::string wanted = std::string(file_names::name_only(name.view())).append(extension);
  if (directory.size() + wanted.size() > ShortText::max_length) return std::nullopt;
  const ShortText exact(directory + wanted);
  if (valid_file_exists(exact)) return exact;
  for (const std::string& entry : directory_entries(directory)) {
    if (!same_ignoring_case(entry, wanted)) continue;
    const ShortText candidate(directory + entry);
    if (valid_file_exists(candidate)) return candidate;
  }
  return std::nullopt;
}

}  // namespace vx::loaders

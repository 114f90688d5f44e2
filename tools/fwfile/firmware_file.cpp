#include "tools/fwfile/firmware_file.h"

#include <filesystem>
#include <fstream>

#include "loaders/firmware_scrambling.h"

namespace vx::tools {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::optional<std::string> firmware_file_name(std::string_view base, std::string_view version) {
  if (base.empty() || version.size() != 4 || version[1] != '.') return std::nullopt;
  for (const std::size_t digit : {0u, 2u, 3u}) {
    if (!is_digit(version[digit])) return std::nullopt;
  }
  std::string name(base);
  name += '.';
  name += version[0];
  name += version.substr(2);
  return name;
}

std::optional<std::string> write_firmware_file(std::string_view srecord_text, const std::string& directory,
                                               std::string_view base, std::string_view version, std::string& error) {
  const std::optional<std::string> name = firmware_file_name(base, version);
  if (!name) {
    error = "the version must read M.mm and the base must not be empty";
    return std::nullopt;
  }
  const std::string path = (std::filesystem::path(directory) / *name).string();
  const std::vector<std::uint8_t> bytes = loaders::scramble_firmware_text(srecord_text);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    error = "cannot write " + path;
    return std::nullopt;
  }
  return path;
}

}  // namespace vx::tools

#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vx::platform {

// The current user's store of keys and typed values (text, 32-bit integer),
// kept in one file. Keys are paths such as
// "Software\Velmorix\Parallel Port"; a key's parents exist with it. Every
// operation reads the file afresh, and every change replaces the file at
// once, so a crash leaves either the old or the new store. A file that
// cannot be read (not a regular file, larger than the limit) makes reads and
// writes fail. A change keeps what the user wrote: comments and lines that
// cannot be read stay where they are, a symbolic link stays a link to the
// rewritten store, the store keeps its mode, and a read-only store makes
// every change fail.

// A store file above this size is taken as unreadable.
constexpr std::size_t registry_file_limit = 4 * 1024 * 1024;

// $VX_REGISTRY_FILE, else $XDG_CONFIG_HOME/Velmorix/registry.ini, else
// ~/.config/Velmorix/registry.ini.
std::filesystem::path default_registry_path();

class RegistryKey;

class Registry {
 public:
  explicit Registry(std::filesystem::path file);
  // The store at default_registry_path().
  static Registry current_user();

  const std::filesystem::path& file() const { return file_; }

  // Fails when the key does not exist.
  std::optional<RegistryKey> open_key(std::string_view path) const;
  // Opens the key, making it first when missing; fails when it cannot be written.
  std::optional<RegistryKey> create_key(std::string_view path) const;

 private:
  std::filesystem::path file_;
};

// An open key. Once the key is gone from the store every operation on it fails.
class RegistryKey {
 public:
  const std::string& path() const { return path_; }

  // Each fails when the value is missing or of another type.
  std::optional<std::string> read_string(std::string_view name) const;
  std::optional<std::uint32_t> read_dword(std::string_view name) const;

  // A value keeps its place in the listing when it is written again.
  bool write_string(std::string_view name, std::string_view value) const;
  bool write_dword(std::string_view name, std::uint32_t value) const;

  // The value names in the order they were first written.
  std::vector<std::string> value_names() const;
  bool delete_value(std::string_view name) const;

 private:
  friend class Registry;
  RegistryKey(std::filesystem::path file, std::string path);

  std::filesystem::path file_;
  std::string path_;
};

}  // namespace vx::platform

#include "platform/registry.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <variant>

namespace vx::platform {
namespace {

namespace fs = std::filesystem;

using Value = std::variant<std::string, std::uint32_t, std::vector<std::uint8_t>>;

struct StoredValue {
  std::string name;
  Value value;
};

struct StoredKey {
  std::string path;
  std::vector<StoredValue> values;
};

using Store = std::vector<StoredKey>;

constexpr char key_separator = '\\';
constexpr std::string_view string_tag = "sz:";
constexpr std::string_view dword_tag = "dword:";
constexpr std::string_view binary_tag = "hex:";
constexpr char hex_digits[] = "0123456789abcdef";

std::string_view env_text(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string_view(value) : std::string_view();
}

fs::path home_directory() {
  if (std::string_view home = env_text("HOME"); !home.empty()) {
    return fs::path(home);
  }
  passwd entry{};
  passwd* found = nullptr;
  std::vector<char> buffer(16384);
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr) {
    return fs::path(found->pw_dir);
  }
  return fs::path(".");
}

// Without empty parts: "\a\\b\" is "a\b"; nullopt when no part is left.
std::optional<std::string> normal_key_path(std::string_view path) {
  std::string normal;
  while (!path.empty()) {
    const std::size_t end = std::min(path.find(key_separator), path.size());
    if (end > 0) {
      if (!normal.empty()) {
        normal += key_separator;
      }
      normal += path.substr(0, end);
    }
    path.remove_prefix(std::min(end + 1, path.size()));
  }
  if (normal.empty()) {
    return std::nullopt;
  }
  return normal;
}

bool is_at_or_below(std::string_view key, std::string_view path) {
  return key.starts_with(path) && (key.size() == path.size() || key[path.size()] == key_separator);
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void append_hex_byte(std::string& out, std::uint8_t byte) {
  out += hex_digits[byte >> 4];
  out += hex_digits[byte & 0x0F];
}

// Control characters and the characters the line format uses are written as %XX.
std::string escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    const auto byte = static_cast<std::uint8_t>(c);
    if (byte < 0x20 || byte == 0x7F || c == '%' || c == '=' || c == '[' || c == ']') {
      out += '%';
      append_hex_byte(out, byte);
    } else {
      out += c;
    }
  }
  return out;
}

std::optional<std::string> unescape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) {
      return std::nullopt;
    }
    const int high = hex_value(text[i + 1]);
    const int low = hex_value(text[i + 2]);
    if (high < 0 || low < 0) {
      return std::nullopt;
    }
    out += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return out;
}

std::optional<std::uint32_t> parse_dword(std::string_view digits) {
  if (digits.empty() || digits.size() > 8) {
    return std::nullopt;
  }
  std::uint32_t value = 0;
  for (char c : digits) {
    const int digit = hex_value(c);
    if (digit < 0) {
      return std::nullopt;
    }
    value = value << 4 | static_cast<std::uint32_t>(digit);
  }
  return value;
}

std::optional<std::vector<std::uint8_t>> parse_binary(std::string_view digits) {
  if (digits.size() % 2 != 0) {
    return std::nullopt;
  }
  std::vector<std::uint8_t> bytes;
  bytes.reserve(digits.size() / 2);
  for (std::size_t i = 0; i < digits.size(); i += 2) {
    const int high = hex_value(digits[i]);
    const int low = hex_value(digits[i + 1]);
    if (high < 0 || low < 0) {
      return std::nullopt;
    }
    bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
  }
  return bytes;
}

std::optional<Value> parse_value(std::string_view text) {
  if (text.starts_with(string_tag)) {
    if (auto value = unescape(text.substr(string_tag.size()))) {
      return Value(std::move(*value));
    }
  } else if (text.starts_with(dword_tag)) {
    if (auto value = parse_dword(text.substr(dword_tag.size()))) {
      return Value(*value);
    }
  } else if (text.starts_with(binary_tag)) {
    if (auto value = parse_binary(text.substr(binary_tag.size()))) {
      return Value(std::move(*value));
    }
  }
  return std::nullopt;
}

// One pass over the lines; a key named twice is merged, and of a value
// named twice in a key the first is kept.
Store parse(std::string_view text) {
  Store store;
  std::unordered_map<std::string, std::size_t> key_index;
  std::vector<std::unordered_set<std::string>> names;
  constexpr std::size_t no_key = static_cast<std::size_t>(-1);
  std::size_t current = no_key;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    if (line.ends_with('\r')) {
      line.remove_suffix(1);
    }
    if (line.starts_with('[')) {
      current = no_key;
      if (!line.ends_with(']') || line.size() < 2) {
        continue;
      }
      const auto path = unescape(line.substr(1, line.size() - 2));
      const auto normal = path ? normal_key_path(*path) : std::nullopt;
      if (!normal) {
        continue;
      }
      auto [where, added] = key_index.try_emplace(*normal, store.size());
      if (added) {
        store.push_back(StoredKey{*normal, {}});
        names.emplace_back();
      }
      current = where->second;
      continue;
    }
    const std::size_t equals = line.find('=');
    if (current == no_key || equals == std::string_view::npos) {
      continue;
    }
    auto name = unescape(line.substr(0, equals));
    auto value = parse_value(line.substr(equals + 1));
    if (!name || !value || !names[current].insert(*name).second) {
      continue;
    }
    store[current].values.push_back(StoredValue{std::move(*name), std::move(*value)});
  }
  return store;
}

std::string serialise(const Store& store) {
  std::string out;
  for (const StoredKey& key : store) {
    out += '[';
    out += escape(key.path);
    out += "]\n";
    for (const StoredValue& stored : key.values) {
      out += escape(stored.name);
      out += '=';
      if (const auto* text = std::get_if<std::string>(&stored.value)) {
        out += string_tag;
        out += escape(*text);
      } else if (const auto* dword = std::get_if<std::uint32_t>(&stored.value)) {
        out += dword_tag;
        for (int shift = 24; shift >= 0; shift -= 8) {
          append_hex_byte(out, static_cast<std::uint8_t>(*dword >> shift));
        }
      } else {
        out += binary_tag;
        for (std::uint8_t byte : std::get<std::vector<std::uint8_t>>(stored.value)) {
          append_hex_byte(out, byte);
        }
      }
      out += '\n';
    }
  }
  return out;
}

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) {
      ::close(fd_);
    }
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  // Closes now, reporting whether the close succeeded.
  bool close() { return ::close(std::exchange(fd_, -1)) == 0; }

 private:
  int fd_;
};

// A missing file is an empty store; nullopt when the file cannot be read.
std::optional<Store> load(const fs::path& file) {
  // Non-blocking, so that a FIFO in the file's place cannot hang us.
  FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (fd.get() < 0) {
    return errno == ENOENT ? std::optional<Store>(Store{}) : std::nullopt;
  }
  struct stat status {};
  if (::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode) ||
      static_cast<std::uintmax_t>(status.st_size) > registry_file_limit) {
    return std::nullopt;
  }
  // Read to the end, whatever the size said: the file may be growing.
  std::string text;
  char chunk[65536];
  while (text.size() <= registry_file_limit) {
    const ssize_t got = ::read(fd.get(), chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got < 0) {
      return std::nullopt;
    }
    if (got == 0) {
      return parse(text);
    }
    text.append(chunk, static_cast<std::size_t>(got));
  }
  return std::nullopt;
}

bool write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) {
      continue;
    }
    if (written <= 0) {
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

// Writes a temporary file beside the store and renames it over the store.
bool save(const fs::path& file, const Store& store) {
  const fs::path directory = file.has_parent_path() ? file.parent_path() : fs::path(".");
  std::error_code error;
  fs::create_directories(directory, error);
  if (error) {
    return false;
  }
  std::string temporary = (directory / ("." + file.filename().string() + ".XXXXXX")).string();
  FileDescriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
  if (fd.get() < 0) {
    return false;
  }
  const bool written = write_all(fd.get(), serialise(store)) && ::fsync(fd.get()) == 0;
  if (!fd.close() || !written || ::rename(temporary.c_str(), file.c_str()) != 0) {
    ::unlink(temporary.c_str());
    return false;
  }
  FileDescriptor directory_fd(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory_fd.get() >= 0) {
    ::fsync(directory_fd.get());
  }
  return true;
}

bool key_exists(const Store& store, std::string_view path) {
  return std::any_of(store.begin(), store.end(), [&](const StoredKey& key) { return is_at_or_below(key.path, path); });
}

StoredKey* find_key(Store& store, std::string_view path) {
  auto key = std::find_if(store.begin(), store.end(), [&](const StoredKey& k) { return k.path == path; });
  return key != store.end() ? &*key : nullptr;
}

const StoredValue* find_value(const Store& store, std::string_view path, std::string_view name) {
  for (const StoredKey& key : store) {
    if (key.path == path) {
      for (const StoredValue& value : key.values) {
        if (value.name == name) {
          return &value;
        }
      }
    }
  }
  return nullptr;
}

template <typename T>
std::optional<T> read_typed(const fs::path& file, std::string_view path, std::string_view name) {
  const std::optional<Store> store = load(file);
  const StoredValue* value = store ? find_value(*store, path, name) : nullptr;
  if (value == nullptr || !std::holds_alternative<T>(value->value)) {
    return std::nullopt;
  }
  return std::get<T>(value->value);
}

bool write_value(const fs::path& file, std::string_view path, std::string_view name, Value value) {
  std::optional<Store> store = load(file);
  if (!store || !key_exists(*store, path)) {
    return false;
  }
  StoredKey* key = find_key(*store, path);
  if (key == nullptr) {
    key = &store->emplace_back(StoredKey{std::string(path), {}});
  }
  auto stored =
      std::find_if(key->values.begin(), key->values.end(), [&](const StoredValue& v) { return v.name == name; });
  if (stored != key->values.end()) {
    stored->value = std::move(value);
  } else {
    key->values.push_back(StoredValue{std::string(name), std::move(value)});
  }
  return save(file, *store);
}

}  // namespace

fs::path default_registry_path() {
  if (std::string_view file = env_text("VX_REGISTRY_FILE"); !file.empty()) {
    return fs::path(file);
  }
  std::string_view config = env_text("XDG_CONFIG_HOME");
  // A relative XDG_CONFIG_HOME is invalid and ignored.
  const fs::path config_home = config.starts_with('/') ? fs::path(config) : home_directory() / ".config";
  return config_home / "Velmorix" / "registry.ini";
}

Registry::Registry(fs::path file) : file_(std::move(file)) {}

Registry Registry::current_user() { return Registry(default_registry_path()); }

std::optional<RegistryKey> Registry::open_key(std::string_view path) const {
  const std::optional<std::string> normal = normal_key_path(path);
  const std::optional<Store> store = load(file_);
  if (!normal || !store || !key_exists(*store, *normal)) {
    return std::nullopt;
  }
  return RegistryKey(file_, *normal);
}

std::optional<RegistryKey> Registry::create_key(std::string_view path) const {
  const std::optional<std::string> normal = normal_key_path(path);
  std::optional<Store> store = load(file_);
  if (!normal || !store) {
    return std::nullopt;
  }
  if (!key_exists(*store, *normal)) {
    store->push_back(StoredKey{*normal, {}});
    if (!save(file_, *store)) {
      return std::nullopt;
    }
  }
  return RegistryKey(file_, *normal);
}

bool Registry::delete_key(std::string_view path) const {
  const std::optional<std::string> normal = normal_key_path(path);
  std::optional<Store> store = load(file_);
  if (!normal || !store || !key_exists(*store, *normal)) {
    return false;
  }
  std::erase_if(*store, [&](const StoredKey& key) { return is_at_or_below(key.path, *normal); });
  return save(file_, *store);
}

RegistryKey::RegistryKey(fs::path file, std::string path) : file_(std::move(file)), path_(std::move(path)) {}

std::optional<std::string> RegistryKey::read_string(std::string_view name) const {
  return read_typed<std::string>(file_, path_, name);
}

std::optional<std::uint32_t> RegistryKey::read_dword(std::string_view name) const {
  return read_typed<std::uint32_t>(file_, path_, name);
}

std::optional<std::vector<std::uint8_t>> RegistryKey::read_binary(std::string_view name) const {
  return read_typed<std::vector<std::uint8_t>>(file_, path_, name);
}

bool RegistryKey::write_string(std::string_view name, std::string_view value) const {
  return write_value(file_, path_, name, Value(std::string(value)));
}

bool RegistryKey::write_dword(std::string_view name, std::uint32_t value) const {
  return write_value(file_, path_, name, Value(value));
}

bool RegistryKey::write_binary(std::string_view name, std::span<const std::uint8_t> value) const {
  return write_value(file_, path_, name, Value(std::vector<std::uint8_t>(value.begin(), value.end())));
}

std::vector<std::string> RegistryKey::value_names() const {
  std::vector<std::string> names;
  std::optional<Store> store = load(file_);
  if (StoredKey* key = store ? find_key(*store, path_) : nullptr) {
    for (const StoredValue& value : key->values) {
      names.push_back(value.name);
    }
  }
  return names;
}

bool RegistryKey::delete_value(std::string_view name) const {
  std::optional<Store> store = load(file_);
  StoredKey* key = store ? find_key(*store, path_) : nullptr;
  if (key == nullptr || std::erase_if(key->values, [&](const StoredValue& value) { return value.name == name; }) == 0) {
    return false;
  }
  return save(file_, *store);
}

}  // namespace vx::platform

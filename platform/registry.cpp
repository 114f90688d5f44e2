#include "platform/registry.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <utility>
#include <variant>

#include "platform/atomic_file.h"

namespace vx::platform {
namespace {

namespace fs = std::filesystem;

using Value = std::variant<std::string, std::uint32_t>;

struct StoredValue {
  std::string name;
  Value value;
};

// One line of the file, without its line end. Only value lines of a readable
// key carry a value; every other line (comments, lines that cannot be read)
// is written back as it was read, and so is a value line until it changes.
struct StoredLine {
  std::string text;
  std::optional<StoredValue> value;
};

// The lines from one key header to the next; the lines before the first
// header form a section without one. A key may have several sections.
struct Section {
  std::optional<std::string> header;
  std::optional<std::string> key;  // when the header can be read
  std::vector<StoredLine> lines;
};

using Store = std::vector<Section>;

constexpr char key_separator = '\\';
constexpr std::string_view string_tag = "sz:";
constexpr std::string_view dword_tag = "dword:";
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

std::optional<Value> parse_value(std::string_view text) {
  if (text.starts_with(string_tag)) {
    if (auto value = unescape(text.substr(string_tag.size()))) {
      return Value(std::move(*value));
    }
  } else if (text.starts_with(dword_tag)) {
    if (auto value = parse_dword(text.substr(dword_tag.size()))) {
      return Value(*value);
    }
  }
  return std::nullopt;
}

std::optional<std::string> parse_header(std::string_view line) {
  if (line.size() < 2 || !line.ends_with(']')) {
    return std::nullopt;
  }
  const auto path = unescape(line.substr(1, line.size() - 2));
  return path ? normal_key_path(*path) : std::nullopt;
}

std::optional<StoredValue> parse_value_line(std::string_view line) {
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) {
    return std::nullopt;
  }
  auto name = unescape(line.substr(0, equals));
  auto value = parse_value(line.substr(equals + 1));
  if (!name || !value) {
    return std::nullopt;
  }
  return StoredValue{std::move(*name), std::move(*value)};
}

Store parse(std::string_view text) {
  Store store(1);
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    const std::string_view raw = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    std::string_view line = raw;
    if (line.ends_with('\r')) {
      line.remove_suffix(1);
    }
    if (line.starts_with('[')) {
      store.push_back(Section{std::string(raw), parse_header(line), {}});
      continue;
    }
    Section& section = store.back();
    section.lines.push_back(
        StoredLine{std::string(raw), section.key ? parse_value_line(line) : std::optional<StoredValue>()});
  }
  return store;
}

std::string header_line(std::string_view path) { return "[" + escape(path) + "]"; }

std::string value_line(const StoredValue& stored) {
  std::string out = escape(stored.name);
  out += '=';
  if (const auto* text = std::get_if<std::string>(&stored.value)) {
    out += string_tag;
    out += escape(*text);
  } else {
    out += dword_tag;
    const std::uint32_t dword = std::get<std::uint32_t>(stored.value);
    for (int shift = 24; shift >= 0; shift -= 8) {
      append_hex_byte(out, static_cast<std::uint8_t>(dword >> shift));
    }
  }
  return out;
}

std::string serialise(const Store& store) {
  std::string out;
  for (const Section& section : store) {
    if (section.header) {
      out += *section.header;
      out += '\n';
    }
    for (const StoredLine& line : section.lines) {
      out += line.text;
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

// Replaces the store as a whole: a read-only store is refused, a symbolic
// link keeps pointing to the store it names, and the store keeps its mode.
bool save(const fs::path& file, const Store& store) {
  std::error_code error;
  fs::create_directories(file.has_parent_path() ? file.parent_path() : fs::path("."), error);
  return !error && replace_file_atomically(file.string(), serialise(store));
}

bool key_exists(const Store& store, std::string_view path) {
  return std::any_of(store.begin(), store.end(),
                     [&](const Section& section) { return section.key && is_at_or_below(*section.key, path); });
}

// Calls visit(line) for each value line of the key, in file order.
template <typename Visit>
void for_each_value(Store& store, std::string_view path, Visit visit) {
  for (Section& section : store) {
    if (section.key != path) {
      continue;
    }
    for (StoredLine& line : section.lines) {
      if (line.value) {
        visit(line);
      }
    }
  }
}

// Of a value named twice in a key the first counts.
StoredLine* find_value(Store& store, std::string_view path, std::string_view name) {
  StoredLine* found = nullptr;
  for_each_value(store, path, [&](StoredLine& line) {
    if (found == nullptr && line.value->name == name) {
      found = &line;
    }
  });
  return found;
}

template <typename T>
std::optional<T> read_typed(const fs::path& file, std::string_view path, std::string_view name) {
  std::optional<Store> store = load(file);
  const StoredLine* line = store ? find_value(*store, path, name) : nullptr;
  if (line == nullptr || !std::holds_alternative<T>(line->value->value)) {
    return std::nullopt;
  }
  return std::get<T>(line->value->value);
}

// A new value goes after the last value of the key's first section.
void add_value(Store& store, std::string_view path, StoredValue value) {
  auto section = std::find_if(store.begin(), store.end(), [&](const Section& s) { return s.key == path; });
  if (section == store.end()) {
    section = store.insert(store.end(), Section{header_line(path), std::string(path), {}});
  }
  auto& lines = section->lines;
  const auto last_value = std::find_if(lines.rbegin(), lines.rend(), [](const StoredLine& line) { return line.value; });
  std::string text = value_line(value);
  lines.insert(last_value.base(), StoredLine{std::move(text), std::move(value)});
}

bool write_value(const fs::path& file, std::string_view path, std::string_view name, Value value) {
  std::optional<Store> store = load(file);
  if (!store || !key_exists(*store, path)) {
    return false;
  }
  StoredValue stored{std::string(name), std::move(value)};
  if (StoredLine* line = find_value(*store, path, name)) {
    line->text = value_line(stored);
    line->value = std::move(stored);
  } else {
    add_value(*store, path, std::move(stored));
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
    store->push_back(Section{header_line(*normal), *normal, {}});
    if (!save(file_, *store)) {
      return std::nullopt;
    }
  }
  return RegistryKey(file_, *normal);
}

RegistryKey::RegistryKey(fs::path file, std::string path) : file_(std::move(file)), path_(std::move(path)) {}

std::optional<std::string> RegistryKey::read_string(std::string_view name) const {
  return read_typed<std::string>(file_, path_, name);
}

std::optional<std::uint32_t> RegistryKey::read_dword(std::string_view name) const {
  return read_typed<std::uint32_t>(file_, path_, name);
}

bool RegistryKey::write_string(std::string_view name, std::string_view value) const {
  return write_value(file_, path_, name, Value(std::string(value)));
}

bool RegistryKey::write_dword(std::string_view name, std::uint32_t value) const {
  return write_value(file_, path_, name, Value(value));
}

std::vector<std::string> RegistryKey::value_names() const {
  std::vector<std::string> names;
  std::optional<Store> store = load(file_);
  if (store) {
    for_each_value(*store, path_, [&](const StoredLine& line) {
      if (std::find(names.begin(), names.end(), line.value->name) == names.end()) {
        names.push_back(line.value->name);
      }
    });
  }
  return names;
}

// Every line of the name goes, so that no later one comes to light.
bool RegistryKey::delete_value(std::string_view name) const {
  std::optional<Store> store = load(file_);
  if (!store) {
    return false;
  }
  std::size_t deleted = 0;
  for (Section& section : *store) {
    if (section.key == path_) {
      deleted += std::erase_if(section.lines,
                               [&](const StoredLine& line) { return line.value && line.value->name == name; });
    }
  }
  return deleted > 0 && save(file_, *store);
}

}  // namespace vx::platform

#include "foundation/ini_document.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "foundation/atomic_file.h"
#include "foundation/owned_file.h"

namespace vx {
namespace {

constexpr std::string_view blanks = " \t";

std::string_view trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

bool same_name(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::optional<std::string_view> section_name(std::string_view line) {
  const std::string_view text = trimmed(line);
  if (text.empty() || text.front() != '[') return std::nullopt;
  const std::size_t close = text.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return trimmed(text.substr(1, close - 1));
}

struct KeyLine {
  std::string_view key;
  std::string_view value;
};

std::optional<KeyLine> key_line(std::string_view line) {
  const std::string_view text = trimmed(line);
  if (text.empty() || text.front() == ';' || text.front() == '[') return std::nullopt;
  const std::size_t equals = text.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  return KeyLine{trimmed(text.substr(0, equals)), trimmed(text.substr(equals + 1))};
}

bool has_line_break(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

// Opens a regular file for reading. The open does not wait for a FIFO's writer, and whatever
// is not a regular file (a FIFO, a device, a directory) is refused rather than read; reads of a
// regular file never block, so the non-blocking flag changes nothing for it.
OwnedFile open_regular_file(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat info {};
  const bool regular = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  OwnedFile file(regular ? fdopen(fd, "rb") : nullptr);
  if (file == nullptr) {
    ::close(fd);
    if (!regular) errno = EINVAL;
  }
  return file;
}

}  // namespace

IniDocument IniDocument::parse(std::string_view text) {
  IniDocument document;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
      document.crlf_ = true;
    }
    document.lines_.emplace_back(line);
    start = end + 1;
  }
  return document;
}

IniDocument IniDocument::load(const std::string& path, LoadStatus& status) {
  const OwnedFile file = open_regular_file(path);
  if (file == nullptr) {
    status = errno == ENOENT ? LoadStatus::missing : LoadStatus::failed;
    return {};
  }
  std::string content;
  char buffer[8192];
  std::size_t n = 0;
  bool too_large = false;
  while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
    if (content.size() + n > max_file_size) {
      too_large = true;
      break;
    }
    content.append(buffer, n);
  }
  const bool read_failed = std::ferror(file.get()) != 0;
  if (too_large || read_failed) {
    status = LoadStatus::failed;
    return {};
  }
  status = LoadStatus::loaded;
  return parse(content);
}

std::string IniDocument::text() const {
  const char* line_end = crlf_ ? "\r\n" : "\n";
  std::string out;
  for (const std::string& line : lines_) {
    out += line;
    out += line_end;
  }
  return out;
}

bool IniDocument::save(const std::string& path) const { return replace_file_atomically(path, text()); }

std::optional<IniDocument::SectionSpan> IniDocument::find_section(std::string_view section) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const auto name = section_name(lines_[i]);
    if (!name || !same_name(*name, section)) continue;
    std::size_t end = i + 1;
    while (end < lines_.size() && !section_name(lines_[end])) ++end;
    return SectionSpan{i, end};
  }
  return std::nullopt;
}

std::optional<std::size_t> IniDocument::find_key(const SectionSpan& span, std::string_view key) const {
  for (std::size_t i = span.header + 1; i < span.end; ++i) {
    const auto line = key_line(lines_[i]);
    if (line && same_name(line->key, key)) return i;
  }
  return std::nullopt;
}

std::optional<std::string> IniDocument::value(std::string_view section, std::string_view key) const {
  const auto span = find_section(section);
  if (!span) return std::nullopt;
  const auto index = find_key(*span, key);
  if (!index) return std::nullopt;
  std::string_view text = key_line(lines_[*index])->value;
  if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.back() == text.front()) {
    text = text.substr(1, text.size() - 2);
  }
  return std::string(text);
}

bool IniDocument::set_value(std::string_view section, std::string_view key, std::string_view value) {
  const bool storable = !section.empty() && !key.empty() && trimmed(key) == key && trimmed(section) == section &&
                        !has_line_break(section) && section.find(']') == std::string_view::npos &&
                        !has_line_break(key) && key.find('=') == std::string_view::npos &&
                        key.front() != ';' && key.front() != '[' && !has_line_break(value);
  if (!storable) return false;
  const std::string line = std::string(key) + "=" + std::string(value);
  const auto span = find_section(section);
  if (!span) {
    lines_.push_back("[" + std::string(section) + "]");
    lines_.push_back(line);
    return true;
  }
  if (const auto index = find_key(*span, key)) {
    lines_[*index] = line;
    return true;
  }
  // After the section's last non-blank line, so blank separators stay between sections.
  std::size_t insert_at = span->end;
  while (insert_at > span->header + 1 && trimmed(lines_[insert_at - 1]).empty()) --insert_at;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insert_at), line);
  return true;
}

std::vector<std::string> IniDocument::sections() const {
  std::vector<std::string> names;
  for (const std::string& line : lines_) {
    const auto name = section_name(line);
    if (!name) continue;
    bool seen = false;
    for (const std::string& known : names) seen = seen || same_name(known, *name);
    if (!seen) names.emplace_back(*name);
  }
  return names;
}

std::vector<std::string> IniDocument::keys(std::string_view section) const {
  std::vector<std::string> names;
  const auto span = find_section(section);
  if (!span) return names;
  for (std::size_t i = span->header + 1; i < span->end; ++i) {
    const auto line = key_line(lines_[i]);
    if (!line || line->key.empty()) continue;
    bool seen = false;
    for (const std::string& known : names) seen = seen || same_name(known, line->key);
    if (!seen) names.emplace_back(line->key);
  }
  return names;
}

}  // namespace vx

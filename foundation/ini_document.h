#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vx {

// An INI file held as its lines, so that writing one value leaves every other
// line, comment and unknown line as it was. Section and key names match
// without regard to ASCII case; the first of duplicate keys wins.
class IniDocument {
 public:
  // Larger files are refused rather than read into memory.
  static constexpr std::size_t max_file_size = 16 * 1024 * 1024;

  enum class LoadStatus { loaded, missing, failed };

  static IniDocument parse(std::string_view text);
  // A missing file loads as an empty document with status `missing`.
  static IniDocument load(const std::string& path, LoadStatus& status);
  // Replaces the file in one step (a crash leaves the old or the new file,
  // never half of one) and keeps its permissions; refuses a read-only file.
  bool save(const std::string& path) const;

  std::string text() const;

  // The value without surrounding blanks and without one pair of matching quotes.
  std::optional<std::string> value(std::string_view section, std::string_view key) const;
  // False, and nothing changed, when a name or the value cannot be stored
  // without changing the file's structure (line breaks, '=' in a key, ']' in a section).
  bool set_value(std::string_view section, std::string_view key, std::string_view value);

  std::vector<std::string> sections() const;
  std::vector<std::string> keys(std::string_view section) const;

 private:
  struct SectionSpan {
    std::size_t header;  // index of the "[name]" line
    std::size_t end;     // one past its last line
  };

  std::optional<SectionSpan> find_section(std::string_view section) const;
  std::optional<std::size_t> find_key(const SectionSpan& span, std::string_view key) const;

  std::vector<std::string> lines_;
  bool crlf_ = false;
};

}  // namespace vx

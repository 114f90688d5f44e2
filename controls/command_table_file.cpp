// Command tables as text files: the name line, then per row the five numbers
// Key1, SS1, Key2, SS2 and Cmd right-aligned in 4, 4, 4, 4 and 6 columns.
// Blank lines add no row.
#include <charconv>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <limits>
#include <optional>
#include <string_view>
#include <utility>

#include "controls/command_table.h"
#include "foundation/atomic_file.h"

namespace vx::controls {

namespace {

[[noreturn]] void fail(const std::string& file_name, int line, const std::string& what) {
  throw CommandTableFileError(file_name + " line " + std::to_string(line) + ": " + what);
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

// The next blank-separated field of the line, or nothing when it has no more.
std::optional<std::string_view> next_field(std::string_view& line) {
  while (!line.empty() && is_blank(line.front())) line.remove_prefix(1);
  if (line.empty()) return std::nullopt;
  std::size_t length = 0;
  while (length < line.size() && !is_blank(line[length])) ++length;
  const std::string_view field = line.substr(0, length);
  line.remove_prefix(length);
  return field;
}

// Tables written with CR LF line ends load as well.
std::string_view without_cr(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

// A name cannot end in CR: it would not survive being saved and loaded again.
std::string_view name_without_crs(std::string_view line) {
  while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

// A row line read whole, so that a bad field anywhere rejects the row.
CommandRow parse_row(std::string_view line, const std::string& file_name, int line_number) {
  long long values[5];
  for (long long& value : values) {
    const std::optional<std::string_view> field = next_field(line);
    if (!field) fail(file_name, line_number, "five numbers expected");
    const auto [end, error] = std::from_chars(field->data(), field->data() + field->size(), value);
    if (error == std::errc::result_out_of_range) fail(file_name, line_number, "number out of range");
    if (error != std::errc() || end != field->data() + field->size()) fail(file_name, line_number, "not a number");
  }
  if (next_field(line)) fail(file_name, line_number, "more than five numbers");
  for (int key_byte = 0; key_byte < 4; ++key_byte) {
    if (values[key_byte] < 0 || values[key_byte] > std::numeric_limits<std::uint8_t>::max())
      fail(file_name, line_number, "key or shift byte outside 0-255");
  }
  if (values[4] < 0 || values[4] > std::numeric_limits<std::uint16_t>::max())
    fail(file_name, line_number, "command outside 0-65535");
  return {static_cast<std::uint8_t>(values[0]), static_cast<std::uint8_t>(values[1]),
          static_cast<std::uint8_t>(values[2]), static_cast<std::uint8_t>(values[3]),
          static_cast<std::uint16_t>(values[4])};
}

}  // namespace

void TOvcCommandTable::LoadFromFile(const std::string& file_name) {
  std::ifstream file(file_name, std::ios::binary);
  if (!file) throw CommandTableFileError("Cannot open command table file " + file_name);
  const std::string contents{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  if (file.bad()) throw CommandTableFileError("Cannot read command table file " + file_name);

  std::string_view rest = contents;
  std::size_t end = rest.find('\n');
  const std::string name(name_without_crs(rest.substr(0, end)));
  std::vector<CommandRow> rows;
  for (int line_number = 2; end != std::string_view::npos && end + 1 < rest.size(); ++line_number) {
    rest.remove_prefix(end + 1);
    end = rest.find('\n');
    const std::string_view line = without_cr(rest.substr(0, end));
    if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
    rows.push_back(parse_row(line, file_name, line_number));
  }
  TableName_ = name;
  rows_ = std::move(rows);
}

void TOvcCommandTable::SaveToFile(const std::string& file_name) const {
  std::string text = TableName_ + "\n";
  for (const CommandRow& row : rows_) {
    char line[32];
    std::snprintf(line, sizeof line, "%4u%4u%4u%4u%6u\n", unsigned{row.Key1}, unsigned{row.SS1}, unsigned{row.Key2},
                  unsigned{row.SS2}, unsigned{row.Cmd});
    text += line;
  }
  if (!replace_file_atomically(file_name, text)) throw CommandTableFileError("Cannot write command table file " + file_name);
}

}  // namespace vx::controls

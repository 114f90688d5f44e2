#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The ways a firmware file comes damaged, applied to a good file's S-record
// text: each leaves a file that still reads as S-records line by line.
namespace vx::test {

// The text's lines, each with its line ending.
inline std::vector<std::string> text_lines(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = text.find('\n', at);
    const std::size_t next = end == std::string::npos ? text.size() : end + 1;
    lines.push_back(text.substr(at, next - at));
    at = next;
  }
  return lines;
}

inline std::string joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line;
  return text;
}

inline bool is_data_line(const std::string& line) {
  return line.size() > 2 && line[0] == 'S' && line[1] >= '1' && line[1] <= '3';
}

// The index of the middle data line: far from the file's start and end.
inline std::size_t middle_data_line(const std::vector<std::string>& lines) {
  std::vector<std::size_t> data;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (is_data_line(lines[i])) data.push_back(i);
  }
  return data.at(data.size() / 2);
}

// The line's record without its line ending.
inline std::string record_of(const std::string& line) { return line.substr(0, line.find_first_of("\r\n")); }

// One hexadecimal digit of the middle data line made one less (0 becomes F).
inline std::string with_digit_changed(const std::string& text, std::size_t digit) {
  std::vector<std::string> lines = text_lines(text);
  std::string& line = lines[middle_data_line(lines)];
  static const char digits[] = "0123456789ABCDEF";
  const std::size_t value = std::string(digits).find(line.at(digit));
  line[digit] = digits[(value + 15) % 16];
  return joined(lines);
}

// The last digit of the middle data line's last data byte, of its count, of its address.
inline std::string data_digit_changed(const std::string& text) {
  const std::vector<std::string> lines = text_lines(text);
  return with_digit_changed(text, record_of(lines[middle_data_line(lines)]).size() - 3);
}
inline std::string count_digit_changed(const std::string& text) { return with_digit_changed(text, 3); }
inline std::string address_digit_changed(const std::string& text) { return with_digit_changed(text, 5); }

// The file cut after its last data line, before its end record.
inline std::string cut_before_end_record(const std::string& text) {
  std::vector<std::string> lines = text_lines(text);
  while (!lines.empty() && !is_data_line(lines.back())) lines.pop_back();
  return joined(lines);
}

// A second record for the middle data line's addresses with its first data byte
// changed, its checksum right: only the overlap makes the file bad.
inline std::string overlapping_record_added(const std::string& text) {
  std::vector<std::string> lines = text_lines(text);
  const std::size_t middle = middle_data_line(lines);
  const std::string record = record_of(lines[middle]);
  std::vector<std::uint8_t> bytes;
  for (std::size_t at = 2; at + 1 < record.size(); at += 2) {
    bytes.push_back(static_cast<std::uint8_t>(std::stoul(record.substr(at, 2), nullptr, 16)));
  }
  const std::size_t first_data = 1 + static_cast<std::size_t>(record[1] - '0') + 1;
  bytes.at(first_data) ^= 0x01;
  unsigned sum = 0;
  std::string added = record.substr(0, 2);
  char hex[3];
  for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
    sum += bytes[i];
    std::snprintf(hex, sizeof hex, "%02X", bytes[i]);
    added += hex;
  }
  std::snprintf(hex, sizeof hex, "%02X", ~sum & 0xFFu);
  lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(middle) + 1, added + hex + "\r\n");
  return joined(lines);
}

struct Damage {
  const char* what;
  std::string (*apply)(const std::string& text);
};

inline const std::vector<Damage>& firmware_damages() {
  static const std::vector<Damage> damages{
      {"a data digit changed", data_digit_changed},
      {"a count digit changed", count_digit_changed},
      {"an address digit changed", address_digit_changed},
      {"cut before the end record", cut_before_end_record},
      {"a record overlapping another with other data", overlapping_record_added},
  };
  return damages;
}

}  // namespace vx::test

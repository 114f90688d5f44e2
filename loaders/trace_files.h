#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "foundation/owned_file.h"
#include "foundation/short_text.h"

namespace vx::loaders {

// Where the load trace and the database dumps go: the program's directory
// unless a test chose another.
struct TraceFiles {
  // With its final separator.
  std::optional<ShortText> directory;
};

TraceFiles& trace_files();
void reset_trace_files();
// The file's full name in that directory; nothing when it would not fit.
std::optional<ShortText> trace_file_name(std::string_view file);

// A text file written line by line with CR LF, created anew.
class TraceTextFile {
 public:
  explicit TraceTextFile(const std::optional<ShortText>& name);

  bool is_open() const { return file_ != nullptr; }
  void line(std::string_view text);
  // Two hexadecimal digits per byte, 16 to a line, each line starting with a blank.
  void byte_block(std::span<const std::uint8_t> bytes);

 private:
  OwnedFile file_;
};

}  // namespace vx::loaders

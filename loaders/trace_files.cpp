#include "loaders/trace_files.h"

#include <algorithm>
#include <string>

#include "foundation/kstring.h"
#include "foundation/system_helpers.h"

namespace vx::loaders {
namespace {

constexpr std::size_t bytes_per_line = 16;

TraceFiles trace_state;

std::optional<ShortText> program_directory() {
  ShortText program;
  GET_EXE_PATH(program);
  return add_backslash(path_part(program));
}

}  // namespace

TraceFiles& trace_files() { return trace_state; }

void reset_trace_files() { trace_state = TraceFiles{}; }

std::optional<ShortText> trace_file_name(std::string_view file) {
  const std::optional<ShortText> directory = trace_state.directory ? trace_state.directory : program_directory();
  if (!directory || directory->size() + file.size() > ShortText::max_length) return std::nullopt;
  return *directory + file;
}

TraceTextFile::TraceTextFile(const std::optional<ShortText>& name) {
  if (name) file_.reset(std::fopen(name->c_str(), "wb"));
}

void TraceTextFile::line(std::string_view text) {
  if (file_ == nullptr) return;
  std::fwrite(text.data(), 1, text.size(), file_.get());
  std::fputs("\r\n", file_.get());
}

void TraceTextFile::byte_block(std::span<const std::uint8_t> bytes) {
  for (std::size_t start = 0; start < bytes.size(); start += bytes_per_line) {
    const std::size_t end = std::min(bytes.size(), start + bytes_per_line);
    std::string line = " ";
    for (std::size_t i = start; i < end; ++i) line += hex_byte(bytes[i]).str();
    this->line(line);
  }
}

}  // namespace vx::loaders

#include "foundation/program_trace.h"

#include "foundation/kstring.h"
#include "foundation/microsecond_timer.h"

namespace vx {
namespace {

constexpr std::uint8_t scramble_step = 0x1D;
constexpr std::size_t blanks_per_depth = 5;

ProgramTrace trace_state;

ShortText indented(const ShortText& text) {
  return ShortText(blanks_per_depth * trace_state.depth, ' ') + text;
}

ShortText hex_quad(std::uint64_t value) {
  return hex_long(static_cast<std::uint32_t>(value >> 32)) + hex_long(static_cast<std::uint32_t>(value));
}

// Hands the receiver its own copy, then indents the text.
ShortText deliver_and_indent(const ShortText& text) {
  if (trace_state.callback != nullptr) {
    const ShortText copy = indented("QUILL:" + text);
    trace_state.callback(copy.c_str());
  }
  return indented(text);
}

void scramble_line(std::string& line) {
  for (char& c : line) {
    const auto plain = static_cast<std::uint8_t>(c);
    c = static_cast<char>(static_cast<std::uint8_t>((plain ^ trace_state.scramble_previous) + trace_state.scramble_addend));
    trace_state.scramble_previous = plain;
    trace_state.scramble_addend = static_cast<std::uint8_t>(trace_state.scramble_addend + scramble_step);
  }
}

void trace_queue_line(const ShortText& text) {
  if (!trace_state.on && trace_state.callback == nullptr) return;
  ShortText line = deliver_and_indent(text);
  if (!trace_state.on) return;
  if (!trace_state.lines) trace_state.lines.emplace();
  if (trace_state.timestamps) {
    const std::int64_t now = elapsed_microseconds();
    const MicrosecondTimer& timer = microsecond_timer();
    line = "[" + hex_long(static_cast<std::uint32_t>(now)) + "(OSCount=$" + hex_quad(timer.last_raw_reading) +
           "(AppCount=$" + hex_quad(timer.last_relative_reading) + ",uS=$" +
           hex_quad(static_cast<std::uint64_t>(timer.last_microseconds)) + ")]    " + line;
  }
  trace_state.lines->push_back(line);
}

// `from_list` is the buffered path of trace_close.
void trace_write_line(const ShortText& text, bool from_list) {
  ShortText line;
  if (from_list) {
    line = indented(text);
  } else {
    if (!trace_state.on && trace_state.callback == nullptr) return;
    line = deliver_and_indent(text);
  }
  if (!trace_state.on) return;
  if (!from_list && trace_state.timestamps) {
    line = "[" + hex_long(static_cast<std::uint32_t>(elapsed_microseconds())) + "]    " + line;
  }
  // Built outside the 255-character limit, so a full line keeps its end of line.
  std::string output = line.str() + "\r\n";
  if (trace_state.scramble) scramble_line(output);
  std::fwrite(output.data(), 1, output.size(), trace_state.file.get());
  std::fflush(trace_state.file.get());
  if (trace_state.reopen_after_each_line) {
    trace_state.file.reset();  // closed before the file is opened again
    trace_state.file.reset(std::fopen(trace_state.file_name.c_str(), "ab"));
    if (trace_state.file == nullptr) trace_state.on = false;
  }
}

}  // namespace

ProgramTrace& program_trace() { return trace_state; }

void reset_program_trace() { trace_state = ProgramTrace{}; }

bool trace_open(const std::string& file_name) {
  trace_close();
  trace_state.file.reset(std::fopen(file_name.c_str(), "wb"));
  if (trace_state.file == nullptr) return false;
  trace_state.file_name = file_name;
  trace_state.on = true;
  return true;
}

void trace_set_receiver(ProgramTrace::Receiver receiver) { trace_state.callback = receiver; }

bool trace_active() { return trace_state.on || trace_state.callback != nullptr; }

void trace_line(const ShortText& text) {
  if (trace_state.buffered) {
    trace_queue_line(text);
  } else {
    trace_write_line(text, false);
  }
}

void trace_enter(const ShortText& text) {
  if (!trace_active()) return;
  trace_line(text);
  ++trace_state.depth;
}

void trace_exit() {
  if (!trace_active()) return;
  if (trace_state.depth > 0) {
    --trace_state.depth;
  } else {
    trace_line("DEBUGORIS : error in keeping routine depth");
  }
}

void trace_close() {
  if (!trace_state.on) return;
  if (trace_state.buffered && trace_state.lines) {
    for (const ShortText& line : *trace_state.lines) trace_write_line(line, true);
    trace_state.lines.reset();
  }
  trace_state.file.reset();
  trace_state.on = false;
}

void trace_finish() {
  trace_line("Done.");
  trace_close();
}

}  // namespace vx

#include "foundation/loader_trace.h"

#include "foundation/kstring.h"

namespace vx {
namespace {

constexpr std::size_t blanks_per_depth = 5;
// The loader trace has no clock of its own: its time field is always 0.
constexpr std::uint32_t loader_trace_time = 0;

LoaderTrace trace_state;

std::string indentation() { return std::string(blanks_per_depth * trace_state.depth, ' '); }

void end_open_line() {
  if (trace_state.line_open) debugtext_line("");
}

void debugtext_write_line(const std::string& text) {
  if (!trace_state.on || trace_state.suppressed) return;
  std::string output = text;
  if (!trace_state.line_open) {
    output.insert(0, indentation());
    trace_state.line_open = true;
  }
  for (char c : output) {
    std::fputc(c, trace_state.file.get());
    std::fflush(trace_state.file.get());
  }
}

}  // namespace

LoaderTrace& loader_trace() { return trace_state; }

void reset_loader_trace() { trace_state = LoaderTrace{}; }

bool debugtext_open(const std::string& file_name) {
  debugtext_flush();
  trace_state.file.reset(std::fopen(file_name.c_str(), "wb"));
  trace_state.on = trace_state.file != nullptr;
  return trace_state.on;
}

void debugtext_enter(std::string_view text) {
  if (!trace_state.on) return;
  end_open_line();
  debugtext_line(text);
  ++trace_state.depth;
}

void debugtext_exit() {
  if (!trace_state.on) return;
  end_open_line();
  if (trace_state.depth > 0) {
    --trace_state.depth;
  } else {
    debugtext_line("DEBUGTEXT : error in keeping routine depth");
  }
}

void debugtext_line(std::string_view text) {
  debugtext_queue_line(std::string(text) + "\r\n");
  trace_state.line_open = false;
}

void debugtext_queue_line(std::string_view text) {
  if (!trace_state.lines) trace_state.lines.emplace();
  if (!trace_state.on) return;
  trace_state.lines->push_back("[" + hex_long(loader_trace_time).str() + "]    " + indentation() + std::string(text));
}

void debugtext_flush() {
  if (trace_state.lines) {
    for (const std::string& line : *trace_state.lines) debugtext_write_line(line);
    trace_state.lines.reset();
  }
  trace_state.file.reset();
  trace_state.on = false;
}

void debugtext_finish() {
  debugtext_line("Done.");
  debugtext_flush();
}

}  // namespace vx

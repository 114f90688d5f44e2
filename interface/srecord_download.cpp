#include "interface/srecord_download.h"

#include "foundation/hex_digits.h"
#include "interface/target_operations.h"

namespace vx {
namespace {

SrecordDownload state;

struct RecordLayout {
  std::uint16_t address_digits;
  std::uint16_t overhead;  // address bytes and checksum byte in the count
};

std::optional<RecordLayout> layout_of(char type) {
  switch (type) {
    case '1': return RecordLayout{4, 3};
    case '2': return RecordLayout{6, 4};
    case '3': return RecordLayout{8, 5};
    default: return std::nullopt;
  }
}

// A pair at a 0-based index; an invalid pair (or one past the line) sets the error flag.
std::uint8_t decode_pair(std::size_t index) {
  const std::uint32_t value = hex_pair(state.line.view(), index);
  if (value > 0xFF) state.error = true;
  return static_cast<std::uint8_t>(value);
}

void decode_address(const RecordLayout& layout) {
  std::uint32_t address = 0;
  for (std::uint16_t pair = 0; pair < layout.address_digits / 2; ++pair) {
    address = address << 8 | decode_pair(4 + 2u * pair);
  }
  state.record_address = address;
}

}  // namespace

SrecordDownload& srecord_download() { return state; }
void reset_srecord_download() { state = SrecordDownload{}; }

ShortText read_text_line(std::istream& file) {
  ShortText line;
  for (int c = file.get(); c != std::char_traits<char>::eof() && c != '\n'; c = file.get())
    line += static_cast<char>(c);
  if (!line.empty() && line.back() == '\r') line.truncate(line.size() - 1);
  return line;
}

bool read_srecord_line(bool decode_data) {
  state.line = state.file != nullptr ? read_text_line(*state.file) : ShortText();
  const ShortText& line = state.line;
  if (line.size() < 2 || line[0] != 'S') return false;
  const std::optional<RecordLayout> layout = layout_of(line[1]);
  if (!layout) return false;
  const std::uint32_t count = hex_pair(line.view(), 2);
  // A bad count, one below the address and checksum bytes, or one beyond the characters the
  // line holds describes no record: nothing of it is decoded as data.
  const bool count_fits = count <= 0xFF && count >= layout->overhead && line.size() >= 4 + 2 * count;
  if (!count_fits) state.error = true;
  state.data_count = count_fits ? static_cast<std::uint16_t>(count - layout->overhead) : 0;
  // Every address digit must be valid, which also keeps S1 and S2 addresses within range.
  decode_address(*layout);
  if (decode_data) {
    const std::size_t first = 4u + layout->address_digits;
    for (std::uint16_t i = 0; i < state.data_count; ++i) state.data[i] = decode_pair(first + 2u * i);
  }
  return true;
}

void write_srecord_data_bytes(std::uint16_t position) {
  // Positions count from 1; there is no pair before the line.
  if (position == 0) {
    state.error = true;
    return;
  }
  std::size_t index = position - 1u;
  for (std::uint16_t i = 0; i < state.write_count; ++i) {
    const std::uint8_t value = decode_pair(index);
    buffer_target_write_byte(value);
    if (state.error) return;
    state.download_sum = static_cast<std::uint16_t>(state.download_sum + value);
    index += 2;
  }
}

void buffer_target_write_byte(std::uint8_t value) {
  if (state.expected_next_address != state.current_address) {
    flush_target_write_buffer();
    state.run_start = state.current_address;
    if (state.error) return;
  } else if (state.run_length == SrecordDownload::run_capacity) {
    // A run longer than the buffer goes out in parts.
    flush_target_write_buffer();
    state.run_start = state.current_address;
  }
  state.run[state.run_length++] = value;
  ++state.current_address;
  state.expected_next_address = state.current_address;
}

void flush_target_write_buffer() {
  if (state.run_length != 0) PUT_DATA_BYTE_BLOCK(state.run_start, state.run_length, state.run.data());
  state.run_length = 0;
  state.expected_next_address.reset();
}

}  // namespace vx

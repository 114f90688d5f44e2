#include "loaders/srecord_image.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/file_checks.h"
#include "foundation/hex_digits.h"
#include "foundation/run_control.h"
#include "loaders/bounded_reader.h"
#include "loaders/debug_context.h"
#include "loaders/firmware_scrambling.h"
#include "loaders/object_image.h"

namespace vx::loaders {
namespace {

constexpr std::uint16_t escape_key = 256 + 27;
// The abort key is looked at on the first line and then every so many:
// servicing the messages costs a system call, far more than a line's decoding.
constexpr std::size_t lines_per_abort_check = 64;

SrecordImageReader reader_state;

// The lines of a plain text file or of a scrambled firmware file.
class ImageFile {
 public:
  ImageFile(std::vector<std::uint8_t> bytes, bool scrambled) : bytes_(std::move(bytes)), scrambled_(scrambled) {
    if (scrambled_) {
      scrambled_bytes_ = BoundedReader(bytes_);
      scrambled_bytes_.skip(scrambled_header_size);
    } else {
      plain_lines_ = LineReader(std::string_view(reinterpret_cast<const char*>(bytes_.data()), bytes_.size()));
    }
  }

  bool read_line(std::string_view& line) {
    if (!scrambled_) return plain_lines_.next(line);
    scrambled_line_.clear();
    bool any = false;
    while (!scrambled_bytes_.at_end()) {
      any = true;
      const char c = static_cast<char>(scrambler_.unscramble(scrambled_bytes_.read_u8()));
      if (c == '\n') break;
      if (c != '\r') scrambled_line_ += c;
    }
    line = scrambled_line_;
    return any;
  }

 private:
  std::vector<std::uint8_t> bytes_;
  bool scrambled_;
  LineReader plain_lines_;
  BoundedReader scrambled_bytes_;
  FirmwareScrambler scrambler_;
  std::string scrambled_line_;
};

void flush_image_block() {
  SrecordImageReader& r = reader_state;
  if (r.block_length == 0) return;
  const auto start = static_cast<std::uint32_t>(r.next_expected_address) - r.block_length;
  if (!PUT_OBJECT_RECORD(static_cast<std::int32_t>(start), r.block_length, r.block.data())) r.error = true;
  r.block_length = 0;
  r.next_expected_address = -1;
}

void add_image_byte(std::uint8_t value) {
  SrecordImageReader& r = reader_state;
  if (r.block_length == r.block.size() || static_cast<std::int32_t>(r.current_address) != r.next_expected_address) {
    flush_image_block();
  }
  if (r.error) return;
  r.block[r.block_length++] = value;
  ++r.current_address;
  r.next_expected_address = static_cast<std::int32_t>(r.current_address);
}

// Address bytes of a data record by its type character; 0 for any other line.
std::size_t address_bytes_of(char type) {
  switch (type) {
    case '1':
    case 'H':
      return 2;
    case '2':
    case 'I':
      return 3;
    case '3':
    case 'J':
      return 4;
    default:
      return 0;
  }
}

// An invalid digit anywhere in the count, address or data, a count that
// leaves no room for the address, or a line that ends early fails the read.
void decode_data_record(std::string_view line, std::size_t address_bytes) {
  SrecordImageReader& r = reader_state;
  const std::uint32_t count = hex_pair(line, 2);
  if (count > 0xFF || count < address_bytes + 1) {
    r.error = true;
    return;
  }
  std::uint32_t address = 0;
  for (std::size_t i = 0; i < address_bytes; ++i) {
    const std::uint32_t value = hex_pair(line, 4 + 2 * i);
    if (value > 0xFF) {
      r.error = true;
      return;
    }
    address = address << 8 | value;
  }
  r.current_address = address;
  std::size_t position = 4 + 2 * address_bytes;
  for (std::uint32_t i = 0; i < count - (address_bytes + 1); ++i, position += 2) {
    const std::uint32_t value = hex_pair(line, position);
    if (value > 0xFF) {
      r.error = true;
      return;
    }
    add_image_byte(static_cast<std::uint8_t>(value));
  }
}

bool is_record_type(char type) { return (type >= '0' && type <= '9') || address_bytes_of(type) != 0; }
bool is_end_record(char type) { return type == '7' || type == '8' || type == '9'; }

// The last byte of a record is the ones' complement of the sum of its count, address and data bytes.
bool checksum_holds(std::string_view line) {
  const std::uint32_t count = hex_pair(line, 2);
  if (count == 0 || count > 0xFF) return false;
  std::uint32_t sum = count;
  for (std::size_t i = 0; i + 1 < count; ++i) {
    const std::uint32_t value = hex_pair(line, 4 + 2 * i);
    if (value > 0xFF) return false;
    sum += value;
  }
  return hex_pair(line, 2 + 2 * count) == (~sum & 0xFF);
}

void decode_line(std::string_view line) {
  SrecordImageReader& r = reader_state;
  if (line.size() < 2 || line[0] != 'S') return;
  const std::size_t address_bytes = address_bytes_of(line[1]);
  if (address_bytes != 0) decode_data_record(line, address_bytes);
  if (r.error || !r.firmware_checks || !is_record_type(line[1])) return;
  if (!checksum_holds(line)) r.damaged = true;
  if (address_bytes != 0) {
    r.data_ended = false;
  } else if (is_end_record(line[1])) {
    r.data_ended = true;
  }
}

bool fail_image_read() {
  clear_object_records();
  return false;
}

bool read_image(const ShortText& name) {
  SrecordImageReader& r = reader_state;
  r.damaged = false;
  forget_object_image();
  clear_object_records();
  if (!valid_file_exists(name)) return false;
  r.error = false;
  r.data_ended = true;
  reset_image_block_state();
  std::optional<std::vector<std::uint8_t>> bytes = read_file_bytes(name);
  if (!bytes || (r.scrambled_mode && bytes->size() < scrambled_header_size)) return fail_image_read();
  ImageFile file(std::move(*bytes), r.scrambled_mode);
  std::string_view line;
  for (std::size_t number = 0; file.read_line(line); ++number) {
    decode_line(line);
    if (r.error || r.damaged) return fail_image_read();
    if (number % lines_per_abort_check == 0 && check_abort() && poll_abort_key() == escape_key) {
      return fail_image_read();
    }
  }
  flush_image_block();
  if (r.firmware_checks && !r.data_ended) r.damaged = true;
  if (r.error || r.damaged) return fail_image_read();
  mark_object_image_loaded();
  first_image_block();
  return true;
}

// A mode of the reader, set for one read (also when an exception passes through).
class ModeScope {
 public:
  ModeScope(bool& mode, bool value) : mode_(mode) { mode_ = value; }
  ~ModeScope() { mode_ = false; }
  ModeScope(const ModeScope&) = delete;
  ModeScope& operator=(const ModeScope&) = delete;

 private:
  bool& mode_;
};

}  // namespace

SrecordImageReader& srecord_image_reader() { return reader_state; }

void reset_srecord_image_reader() { reader_state = SrecordImageReader{}; }

void reset_image_block_state() {
  reader_state.block_length = 0;
  reader_state.next_expected_address = -1;
}

bool read_srecord_image(const ShortText& name) { return read_image(name); }

bool read_scrambled_srecord_image(const ShortText& name) {
  const ModeScope scrambled(reader_state.scrambled_mode, true);
  return read_image(name);
}

FirmwareImageRead read_firmware_image(const ShortText& name, bool scrambled) {
  const ModeScope checked(reader_state.firmware_checks, true);
  const ModeScope form(reader_state.scrambled_mode, scrambled);
  if (read_image(name)) return FirmwareImageRead::read;
  return reader_state.damaged ? FirmwareImageRead::damaged : FirmwareImageRead::unreadable;
}

}  // namespace vx::loaders

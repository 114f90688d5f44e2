#include "programmer/upload_records.h"

namespace vx::programmer {
namespace {

void append_hex(std::string& text, std::uint8_t byte) {
  static constexpr char digits[] = "0123456789ABCDEF";
  text += digits[byte >> 4];
  text += digits[byte & 0xF];
}

}  // namespace

std::string upload_srecord_line(std::uint32_t address, std::span<const std::uint8_t> bytes) {
  const auto count = static_cast<std::uint32_t>(bytes.size());
  const std::uint32_t last = address + count - 1;
  const std::uint32_t widest = address | last;
  std::size_t address_bytes = 4;
  char type = '3';
  if (widest < 0x10000) {
    address_bytes = 2;
    type = '1';
  } else if (widest < 0x1000000) {
    address_bytes = 3;
    type = '2';
  }
  const auto count_byte = static_cast<std::uint8_t>(count + address_bytes + 1);
  std::string line = "S";
  line += type;
  append_hex(line, count_byte);
  std::uint32_t sum = count_byte;
  for (std::size_t i = address_bytes; i-- > 0;) {
    const auto byte = static_cast<std::uint8_t>(address >> (8 * i));
    append_hex(line, byte);
    sum += byte;
  }
  for (const std::uint8_t byte : bytes) {
    append_hex(line, byte);
    sum += byte;
  }
  append_hex(line, static_cast<std::uint8_t>(~sum));
  return line;
}

void UploadRecordWriter::start_at(std::uint32_t address) {
  address_ = address;
  count_ = 0;
}

void UploadRecordWriter::add_upload_byte(std::uint8_t byte) {
  bytes_[count_++] = byte;
  if (count_ == record_capacity) flush_upload_record();
}

void UploadRecordWriter::flush_upload_record() {
  if (count_ == 0) return;
  out_ << upload_srecord_line(address_, std::span<const std::uint8_t>(bytes_.data(), count_)) << "\r\n";
  address_ += static_cast<std::uint32_t>(count_);
  count_ = 0;
}

}  // namespace vx::programmer

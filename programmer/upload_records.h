#pragma once

#include <array>
#include <cstdint>
#include <ostream>
#include <span>
#include <string>

// The upload file: data records only (S1, S2 or S3 by the widest address of
// the record), at most 16 bytes each, upper-case digits, CR LF line ends.
namespace vx::programmer {

// One record line without its line end, e.g. "S1058000123434".
std::string upload_srecord_line(std::uint32_t address, std::span<const std::uint8_t> bytes);

class UploadRecordWriter {
 public:
  static constexpr std::size_t record_capacity = 16;

  explicit UploadRecordWriter(std::ostream& out) : out_(out) {}

  // Empties the pending record and makes `address` its first address.
  void start_at(std::uint32_t address);
  // Writes the pending record when it is full.
  void add_upload_byte(std::uint8_t byte);
  // Writes the pending record (nothing when empty) and moves its address past it.
  void flush_upload_record();

 private:
  std::ostream& out_;
  std::uint32_t address_ = 0;
  std::array<std::uint8_t, record_capacity> bytes_{};
  std::size_t count_ = 0;
};

}  // namespace vx::programmer

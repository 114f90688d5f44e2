#include "loaders/bounded_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace vx::loaders {
namespace {

constexpr unsigned bits_per_group = 7;
constexpr unsigned result_bits = 32;

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

void BoundedReader::seek(std::size_t offset) {
  if (offset > bytes_.size()) {
    overrun_ = true;
    offset = bytes_.size();
  }
  position_ = offset;
}

void BoundedReader::skip(std::size_t count) {
  if (count > remaining()) {
    overrun_ = true;
    count = remaining();
  }
  position_ += count;
}

std::uint8_t BoundedReader::read_u8() {
  if (at_end()) {
    overrun_ = true;
    return 0;
  }
  return bytes_[position_++];
}

std::uint16_t BoundedReader::read_u16_be() {
  const std::uint16_t high = read_u8();
  return static_cast<std::uint16_t>(high << 8 | read_u8());
}

std::uint16_t BoundedReader::read_u16_le() {
  const std::uint16_t low = read_u8();
  return static_cast<std::uint16_t>(read_u8() << 8 | low);
}

std::uint32_t BoundedReader::read_u32_be() {
  const std::uint32_t high = read_u16_be();
  return high << 16 | read_u16_be();
}

std::uint32_t BoundedReader::read_u32_le() {
  const std::uint32_t low = read_u16_le();
  return static_cast<std::uint32_t>(read_u16_le()) << 16 | low;
}

void BoundedReader::read_bytes(std::span<std::uint8_t> out) {
  const std::size_t available = std::min(out.size(), remaining());
  std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(position_), available, out.begin());
  std::fill(out.begin() + static_cast<std::ptrdiff_t>(available), out.end(), 0);
  position_ += available;
  if (available < out.size()) overrun_ = true;
}

ShortText BoundedReader::read_zstring(std::size_t limit) {
  ShortText text;
  limit = std::min(limit, ShortText::max_length);
  while (true) {
    if (at_end()) {
      overrun_ = true;
      return text;
    }
    const char c = static_cast<char>(bytes_[position_++]);
    if (c == '\0') return text;
    if (text.size() < limit) text += c;
  }
}

std::uint32_t BoundedReader::read_uleb128(std::uint32_t* consumed) {
  std::uint32_t value = 0;
  std::uint32_t count = 0;
  unsigned shift = 0;
  while (!at_end()) {
    const std::uint8_t byte = bytes_[position_++];
    ++count;
    if (shift < result_bits) value |= static_cast<std::uint32_t>(byte & 0x7F) << shift;
    shift += bits_per_group;
    if ((byte & 0x80) == 0) break;
  }
  if (consumed != nullptr) *consumed = count;
  return value;
}

std::int32_t BoundedReader::read_sleb128(std::uint32_t* consumed) {
  std::uint32_t value = 0;
  std::uint32_t count = 0;
  unsigned shift = 0;
  std::uint8_t byte = 0;
  while (!at_end()) {
    byte = bytes_[position_++];
    ++count;
    if (shift < result_bits) value |= static_cast<std::uint32_t>(byte & 0x7F) << shift;
    shift += bits_per_group;
    if ((byte & 0x80) == 0) break;
  }
  if (shift < result_bits && (byte & 0x40) != 0) value |= ~std::uint32_t{0} << shift;
  if (consumed != nullptr) *consumed = count;
  return static_cast<std::int32_t>(value);
}

bool LineReader::next(std::string_view& line) {
  if (position_ >= text_.size()) {
    line = {};
    return false;
  }
  const std::size_t end = text_.find('\n', position_);
  const std::size_t stop = end == std::string_view::npos ? text_.size() : end;
  line = text_.substr(position_, stop - position_);
  if (end != std::string_view::npos && !line.empty() && line.back() == '\r') line.remove_suffix(1);
  position_ = end == std::string_view::npos ? text_.size() : end + 1;
  return true;
}

std::optional<std::vector<std::uint8_t>> read_file_bytes(const ShortText& name) {
  const FileDescriptor file(open(name.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat info {};
  if (file.get() < 0 || fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  if (static_cast<std::uint64_t>(info.st_size) > max_loader_file_size) return std::nullopt;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(info.st_size));
  std::size_t filled = 0;
  while (filled < bytes.size()) {
    const ssize_t got = read(file.get(), bytes.data() + filled, bytes.size() - filled);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return std::nullopt;
    if (got == 0) break;
    filled += static_cast<std::size_t>(got);
  }
  // A file that shrank while it was read gives what it still had.
  bytes.resize(filled);
  return bytes;
}

}  // namespace vx::loaders

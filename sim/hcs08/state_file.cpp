#include "sim/hcs08/state_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace vx::sim {
namespace {

constexpr char kMagic[8] = {'V', 'X', 'S', '8', 'F', 'L', 'S', 'H'};
constexpr std::uint32_t kFirstVersion = 1, kVersion = 2;
constexpr std::size_t kMaxRanges = 64;
constexpr std::size_t kMaxInterfaces = 64, kMaxInterfaceBytes = 0x8000;
// Header, the largest possible ranges and interfaces and the checksum: anything longer is not ours.
constexpr std::size_t kMaxFileSize =
    16 + kMaxRanges * 8 + 0x10000 + 4 + kMaxInterfaces * (4 + kMaxInterfaceBytes) + 4;

// Table-driven: the file is rewritten at every flash write of an interface.
std::uint32_t crc32(const std::vector<std::uint8_t>& data, std::size_t length) {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> entries{};
    for (std::uint32_t i = 0; i < entries.size(); ++i) {
      std::uint32_t crc = i;
      for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
      entries[i] = crc;
    }
    return entries;
  }();
  std::uint32_t crc = 0xFFFFFFFF;
  for (std::size_t i = 0; i < length; ++i) crc = (crc >> 8) ^ table[(crc ^ data[i]) & 0xFF];
  return ~crc;
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// Reads forward through a buffer and never past its end.
class Reader {
 public:
  explicit Reader(const std::vector<std::uint8_t>& data, std::size_t end) : data_(data), end_(end) {}
  bool get32(std::uint32_t& value) {
    if (end_ - pos_ < 4) return false;
    value = 0;
    for (int i = 0; i < 4; ++i) value |= std::uint32_t{data_[pos_ + i]} << (8 * i);
    pos_ += 4;
    return true;
  }
  bool skip(std::size_t count) {
    if (end_ - pos_ < count) return false;
    pos_ += count;
    return true;
  }
  std::size_t position() const { return pos_; }
  bool at_end() const { return pos_ == end_; }

 private:
  const std::vector<std::uint8_t>& data_;
  std::size_t end_;
  std::size_t pos_ = 0;
};

bool write_all(int fd, std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes = bytes.subspan(static_cast<std::size_t>(written));
  }
  return true;
}

}  // namespace

StateFileResult replace_state_file(const std::string& path, std::span<const std::uint8_t> bytes) {
  const std::string temporary = path + ".tmp-" + std::to_string(getpid());
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return StateFileResult::CannotOpen;
  const bool written = write_all(fd, bytes);
  if (::close(fd) != 0 || !written || std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    return StateFileResult::CannotWrite;
  }
  return StateFileResult::Ok;
}

StateFileResult save_flash_state(const std::string& path, const DeviceConfig& config,
                                 const std::array<std::uint8_t, 0x10000>& memory, const InterfaceFlash& interfaces) {
  std::vector<std::uint8_t> out(std::begin(kMagic), std::end(kMagic));
  put32(out, kVersion);
  put32(out, static_cast<std::uint32_t>(config.flash.size()));
  for (const AddressRange& range : config.flash) {
    put32(out, range.first);
    put32(out, range.size());
    out.insert(out.end(), memory.begin() + range.first, memory.begin() + range.last + 1);
  }
  put32(out, static_cast<std::uint32_t>(interfaces.size()));
  for (const std::vector<std::uint8_t>& image : interfaces) {
    put32(out, static_cast<std::uint32_t>(image.size()));
    out.insert(out.end(), image.begin(), image.end());
  }
  put32(out, crc32(out, out.size()));

  return replace_state_file(path, out);
}

StateFileResult load_flash_state(const std::string& path, const DeviceConfig& config,
                                 std::array<std::uint8_t, 0x10000>& memory, InterfaceFlash* interfaces) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return StateFileResult::CannotOpen;
  std::vector<std::uint8_t> data(kMaxFileSize + 1);
  file.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()));
  const auto size = static_cast<std::size_t>(file.gcount());
  if (size > kMaxFileSize || size < sizeof kMagic + 12) return StateFileResult::Malformed;
  data.resize(size);

  const std::size_t body = size - 4;
  Reader trailer(data, size);
  std::uint32_t stored_crc = 0;
  if (!trailer.skip(body) || !trailer.get32(stored_crc) || stored_crc != crc32(data, body) ||
      std::memcmp(data.data(), kMagic, sizeof kMagic) != 0) {
    return StateFileResult::Malformed;
  }
  Reader in(data, body);
  in.skip(sizeof kMagic);
  std::uint32_t version = 0, count = 0;
  if (!in.get32(version) || version < kFirstVersion || version > kVersion || !in.get32(count) || count > kMaxRanges) {
    return StateFileResult::Malformed;
  }
  struct Span {
    std::uint32_t first, length;
    std::size_t offset;
  };
  std::vector<Span> spans;
  for (std::uint32_t i = 0; i < count; ++i) {
    Span span{};
    if (!in.get32(span.first) || !in.get32(span.length)) return StateFileResult::Malformed;
    span.offset = in.position();
    if (!in.skip(span.length)) return StateFileResult::Malformed;
    spans.push_back(span);
  }
  std::vector<Span> images;
  std::uint32_t image_count = 0;
  if (version != kFirstVersion && (!in.get32(image_count) || image_count > kMaxInterfaces)) {
    return StateFileResult::Malformed;
  }
  for (std::uint32_t i = 0; i < image_count; ++i) {
    Span image{0, 0, 0};
    if (!in.get32(image.length) || image.length > kMaxInterfaceBytes) return StateFileResult::Malformed;
    image.offset = in.position();
    if (!in.skip(image.length)) return StateFileResult::Malformed;
    images.push_back(image);
  }
  if (!in.at_end()) return StateFileResult::Malformed;
  if (spans.size() != config.flash.size()) return StateFileResult::OtherDevice;
  for (std::size_t i = 0; i < spans.size(); ++i) {
    if (spans[i].first != config.flash[i].first || spans[i].length != config.flash[i].size()) {
      return StateFileResult::OtherDevice;
    }
  }
  for (std::size_t i = 0; i < spans.size(); ++i) {
    std::memcpy(memory.data() + spans[i].first, data.data() + spans[i].offset, spans[i].length);
  }
  if (interfaces != nullptr) {
    interfaces->clear();
    for (const Span& image : images) {
      const auto first = data.begin() + static_cast<std::ptrdiff_t>(image.offset);
      interfaces->emplace_back(first, first + image.length);
    }
  }
  return StateFileResult::Ok;
}

}  // namespace vx::sim

#include "sim/programmer/sim_programmer.h"

#include <algorithm>

namespace vx::sim {
namespace {

constexpr std::uint32_t small_block_size = 0x2000, large_block_size = 0x10000;
constexpr std::uint8_t first_large_block = 8, first_section2_block = 11, first_section1_block = 16;
constexpr std::uint32_t factory_image_size = 0x800;
constexpr std::size_t version_length = 4;
constexpr std::uint8_t kernel_mode = 2, upgrade_mode = 4;
const char* const intermediate_name = "INTERMEDIATE";

std::vector<std::uint8_t> text(const std::string& value) { return {value.begin(), value.end()}; }

std::vector<std::uint8_t> long_bytes(std::uint32_t value) {
  return {static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
          static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
}

std::uint32_t long_at(std::span<const std::uint8_t> bytes, std::size_t at) {
  return std::uint32_t{bytes[at]} << 24 | std::uint32_t{bytes[at + 1]} << 16 | std::uint32_t{bytes[at + 2]} << 8 |
         bytes[at + 3];
}

// The model number: the device information's second field.
int model_number(const std::string& device_info) {
  const std::size_t first = device_info.find(',');
  if (first == std::string::npos) return 0;
  int model = 0;
  for (std::size_t i = first + 1; i < device_info.size() && device_info[i] >= '0' && device_info[i] <= '9'; ++i) {
    model = model * 10 + (device_info[i] - '0');
  }
  return model;
}

std::string first_kernel_version(int model) {
  switch (model) {
    case 0: return "8.15";
    case 1: return "7.51";
    default: return "1.15";
  }
}

bool counted_fault(std::uint32_t& count, std::uint32_t at) { return ++count == at; }

}  // namespace

std::optional<std::uint8_t> programmer_block_of(std::uint32_t address) {
  if (address < programmer_flash_base || address - programmer_flash_base >= programmer_flash_size) return std::nullopt;
  const std::uint32_t offset = address - programmer_flash_base;
  if (offset < large_block_size) return static_cast<std::uint8_t>(offset / small_block_size);
  return static_cast<std::uint8_t>(offset / large_block_size + 7);
}

std::uint32_t programmer_block_start(std::uint8_t block) {
  return block < first_large_block ? programmer_flash_base + block * small_block_size
                                   : programmer_flash_base + (block - 7u) * large_block_size;
}

std::uint32_t crc32(std::span<const std::uint8_t> bytes) {
  std::uint32_t crc = 0;
  for (const std::uint8_t byte : bytes) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
  }
  return crc;
}

std::vector<std::uint8_t> programmer_image(const std::string& version, const std::string& name, std::size_t size) {
  std::vector<std::uint8_t> image(std::max<std::size_t>(size, image_name_offset + image_name_size));
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 29 + 3);
  std::fill_n(image.begin() + image_version_offset, version_length, ' ');
  std::copy_n(version.begin(), std::min(version.size(), version_length), image.begin() + image_version_offset);
  std::fill_n(image.begin() + image_name_offset, image_name_size, 0);
  std::copy_n(name.begin(), std::min<std::size_t>(name.size(), image_name_size), image.begin() + image_name_offset);
  return image;
}

SimProgrammer::SimProgrammer(SimProgrammerConfig config, Pod* pod)
    : config_(std::move(config)),
      pod_(pod),
      memory_(programmer_flash_size, 0xFF),
      flash_writes_(config_.kill_after_write) {
  install_factory_images();
  boot();
}

void SimProgrammer::install_factory_images() {
  const auto install = [&](std::uint32_t region, std::uint32_t trailer, const std::vector<std::uint8_t>& image) {
    std::copy(image.begin(), image.end(), memory_.begin() + (region + image_offset - programmer_flash_base));
    std::vector<std::uint8_t> bytes = long_bytes(static_cast<std::uint32_t>(image.size()));
    const std::vector<std::uint8_t> crc = long_bytes(crc32(image));
    bytes.insert(bytes.end(), crc.begin(), crc.end());
    std::copy(bytes.begin(), bytes.end(), memory_.begin() + (trailer - programmer_flash_base));
  };
  install(primary_region, primary_trailer,
          programmer_image(config_.kernel_version, config_.kernel_name, factory_image_size));
  install(section1_region, section1_trailer, programmer_image(config_.version, "", factory_image_size));
  if (config_.corrupt_manufacturing) memory_[primary_region + image_offset + 1 - programmer_flash_base] ^= 0x10;
}

void SimProgrammer::boot() {
  mode_ = 0;
  running_version_.clear();
  running_kernel_.clear();
  // The image a trailer validates: its version and name texts.
  struct Image {
    std::string version, name;
  };
  const auto validated = [&](std::uint32_t region, std::uint32_t trailer) -> std::optional<Image> {
    const std::uint32_t length = long_at(memory_, trailer - programmer_flash_base);
    const std::uint32_t start = region + image_offset - programmer_flash_base;
    if (length < image_name_offset + image_name_size || length > trailer - programmer_flash_base - start) {
      return std::nullopt;
    }
    if (crc32(std::span(memory_).subspan(start, length)) != long_at(memory_, trailer + 4 - programmer_flash_base)) {
      return std::nullopt;
    }
    const auto field = [&](std::uint32_t offset, std::size_t size) {
      std::string value(memory_.begin() + start + offset, memory_.begin() + start + offset + size);
      return value.substr(0, value.find('\0'));
    };
    return Image{field(image_version_offset, version_length), field(image_name_offset, image_name_size)};
  };
  const std::optional<Image> section1 = validated(section1_region, section1_trailer);
  const std::optional<Image> primary = validated(primary_region, primary_trailer);
  if (section1) {
    running_version_ = section1->version;
    running_kernel_ = section1->name == intermediate_name ? section1->name : primary ? primary->name : "";
  } else if (primary) {
    running_version_ = primary->version;
    running_kernel_ = primary->name;
  }
  silent_ = silent_ || running_version_.empty();
  kernel_locked_ = running_version_ >= first_kernel_version(model_number(config_.device_info));
}

std::optional<std::vector<std::uint8_t>> SimProgrammer::execute(std::uint8_t channel,
                                                                std::span<const std::uint8_t> stream) {
  ++executed_;
  received_.emplace_back(1, channel);
  received_.back().insert(received_.back().end(), stream.begin(), stream.end());
  if (stream.empty()) return std::vector<std::uint8_t>{};
  const bool reset = channel == 2 && stream[0] == 0x03;
  if (silent_ && !reset) return std::nullopt;
  if (config_.architecture_channel != 0 && channel == config_.architecture_channel) {
    std::vector<std::uint8_t> command{7, static_cast<std::uint8_t>(stream[0] - config_.command_offset)};
    command.insert(command.end(), stream.begin() + 1, stream.end());
    return protocol(command);
  }
  switch (channel) {
    case 1: return query(stream);
    case 2: return control(stream);
    case 21: return protocol(stream);
    default: return std::vector<std::uint8_t>{};
  }
}

std::vector<std::uint8_t> SimProgrammer::execute_frame(std::span<const std::uint8_t> payload) {
  if (payload.empty()) return {};
  return execute(payload[0], payload.subspan(1)).value_or(std::vector<std::uint8_t>{});
}

std::vector<std::uint8_t> SimProgrammer::query(std::span<const std::uint8_t> stream) {
  switch (stream[0]) {
    case 0x0A: return {config_.mac.begin(), config_.mac.end()};
    case 0x0B: return text(config_.identity);
    case 0x10: return long_bytes(config_.first_duration);
    case 0x11: return long_bytes(config_.second_duration);
    case 0x1D: return text(running_version_);
    case 0x1E: return text(config_.extra_text);
    case 0x1F: return text(logic_updated_ ? config_.image_logic_version : config_.logic_version);
    case 0x20: return text(config_.device_info);
    case 0x24: return text(config_.image_logic_version);
    case 0x2F: return text(running_kernel_);
    case 0x30: return {select_mode(stream)};
    default: return {};
  }
}

std::optional<std::vector<std::uint8_t>> SimProgrammer::control(std::span<const std::uint8_t> stream) {
  switch (stream[0]) {
    case 0x03:
      ++resets_;
      silent_ = resets_ == config_.silent_after_reset;
      boot();
      return std::nullopt;
    case 0x05: return std::vector<std::uint8_t>{erase(stream)};
    case 0x07: return std::vector<std::uint8_t>{write(stream)};
    case 0x1F:
      if (!config_.logic_update_fails && !logic_updated_) {
        logic_updated_ = true;
        flash_writes_.written();
      }
      return text("Logic reload started");
    case 0x20: return text(logic_updated_ ? "Logic updated successfully" : "No logic update");
    case 0x1D:
      if (stream.size() != 3) return std::vector<std::uint8_t>{0};
      shift_speed_ = static_cast<std::uint16_t>(stream[1] | stream[2] << 5);
      return std::vector<std::uint8_t>{1};
    case 0x28: return range_crc(stream);
    case 0x29: {
      // The manufacturing image is what the primary trailer describes.
      const std::uint32_t at = primary_trailer - programmer_flash_base;
      return std::vector<std::uint8_t>(memory_.begin() + at, memory_.begin() + at + 8);
    }
    default: return std::vector<std::uint8_t>{};
  }
}

std::uint8_t SimProgrammer::select_mode(std::span<const std::uint8_t> stream) {
  if (counted_fault(unlocks_, config_.refuse_unlock)) return 0;
  const bool known = stream.size() == 2 && stream[1] >= 1 && stream[1] <= upgrade_mode;
  if (known) mode_ = stream[1];
  return known ? 1 : 0;
}

// Blocks 0-7 never; the kernel blocks while locked only under the mode that opens them.
bool SimProgrammer::block_writable(std::uint8_t block) const {
  if (block < first_large_block || block > last_block) return false;
  if (block >= first_section1_block || !kernel_locked_) return true;
  return mode_ == kernel_mode || (mode_ == upgrade_mode && block >= first_section2_block);
}

std::uint8_t SimProgrammer::erase(std::span<const std::uint8_t> stream) {
  if (counted_fault(erases_, config_.refuse_erase)) return 0;
  if (stream.size() != 2 || !block_writable(stream[1])) return 0;
  const std::uint32_t start = programmer_block_start(stream[1]) - programmer_flash_base;
  std::fill_n(memory_.begin() + start, stream[1] < first_large_block ? small_block_size : large_block_size, 0xFF);
  flash_writes_.written();
  return 1;
}

// A write needs a count that matches its data, room in flash and writable blocks.
std::uint8_t SimProgrammer::write(std::span<const std::uint8_t> stream) {
  if (counted_fault(writes_, config_.refuse_write) || stream.size() < 7) return 0;
  const std::uint32_t address = long_at(stream, 1);
  const std::size_t count = std::size_t{stream[5]} << 8 | stream[6];
  if (stream.size() != 7 + count || count == 0) return 0;
  const std::optional<std::uint8_t> first = programmer_block_of(address);
  const std::optional<std::uint8_t> last = programmer_block_of(static_cast<std::uint32_t>(address + count - 1));
  if (!first || !last || *last < *first) return 0;
  for (std::uint8_t block = *first; block <= *last; ++block) {
    if (!block_writable(block)) return 0;
  }
  const std::size_t at = address - programmer_flash_base;
  for (std::size_t i = 0; i < count; ++i) memory_[at + i] &= stream[7 + i];
  if (writes_ == config_.wrong_byte_write) memory_[at] ^= 0x01;
  flash_writes_.written();
  return 1;
}

// An empty range is CRC 0 anywhere; a range outside the flash gives 0 too.
std::vector<std::uint8_t> SimProgrammer::range_crc(std::span<const std::uint8_t> stream) const {
  if (stream.size() != 9) return long_bytes(0);
  const std::uint32_t address = long_at(stream, 1), length = long_at(stream, 5);
  if (length == 0 || !programmer_block_of(address)) return long_bytes(0);
  const std::size_t at = address - programmer_flash_base;
  if (length > memory_.size() - at) return long_bytes(0);
  return long_bytes(crc32(std::span(memory_).subspan(at, length)));
}

std::vector<std::uint8_t> SimProgrammer::saved_state() const {
  std::vector<std::uint8_t> state = memory_;
  state.push_back(logic_updated_ ? 1 : 0);
  return state;
}

bool SimProgrammer::restore_state(std::span<const std::uint8_t> state) {
  if (state.size() != programmer_flash_size + 1) return false;
  std::copy(state.begin(), state.end() - 1, memory_.begin());
  logic_updated_ = state.back() != 0;
  silent_ = false;
  boot();
  return true;
}

std::vector<std::uint8_t> SimProgrammer::protocol(std::span<const std::uint8_t> stream) {
  if (pod_ == nullptr) return {};
  std::vector<std::uint8_t> reply = pod_->execute(stream);
  if (!reply.empty()) std::rotate(reply.begin(), reply.begin() + 1, reply.end());
  return reply;
}

}  // namespace vx::sim

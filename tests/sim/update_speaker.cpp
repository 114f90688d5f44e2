#include "update_speaker.h"

namespace vx::sim::test {
namespace {

constexpr std::uint16_t row_size = 64;
constexpr std::uint16_t cable_block = 0x8000, usb_read_block = 0x4000;
constexpr std::uint32_t usb_block = 0xF8000;
constexpr std::uint8_t key_byte = 0x88, protected_value = 0x80;
constexpr std::uint16_t protect_address = 0xFF7E;

std::uint8_t hi(std::uint32_t value) { return static_cast<std::uint8_t>(value >> 8); }
std::uint8_t lo(std::uint32_t value) { return static_cast<std::uint8_t>(value); }

Bytes row_of(const Bytes& image, std::uint16_t row) {
  return Bytes(image.begin() + row * row_size, image.begin() + (row + 1) * row_size);
}

}  // namespace

std::optional<std::vector<std::uint16_t>> UpdateSpeaker::send(const Bytes& command) {
  const Bytes reply = pod_.execute(command);
  if (reply.empty() || reply.front() != Pod::ack || reply.size() % 2 == 0) return std::nullopt;
  std::vector<std::uint16_t> words;
  for (std::size_t i = 1; i + 1 < reply.size(); i += 2) words.push_back(static_cast<std::uint16_t>(reply[i] << 8 | reply[i + 1]));
  return words;
}

std::optional<std::uint16_t> UpdateSpeaker::status(const Bytes& command) {
  const auto words = send(command);
  if (!words || words->size() != 1) return std::nullopt;
  return words->front();
}

std::optional<std::uint16_t> UpdateSpeaker::running_version() {
  const auto words = send({7, sub(14)});
  if (!words || words->size() != 2) return std::nullopt;
  const std::uint16_t a = (*words)[0], b = (*words)[1];
  return static_cast<std::uint16_t>(((a >> 8) - '0') * 100 + ((b >> 8) - '0') * 10 + (b & 0x0F));
}

void UpdateSpeaker::boot(bool updated) { send({7, sub(updated ? 16 : 15)}); }

Bytes UpdateSpeaker::read(std::uint16_t address, std::uint8_t count) {
  Bytes bytes;
  for (const std::uint16_t word : send({4, hi(address), lo(address), count}).value_or(std::vector<std::uint16_t>{})) {
    bytes.push_back(hi(word));
    bytes.push_back(lo(word));
  }
  return bytes;
}

Bytes UpdateSpeaker::cable_program(std::uint16_t address, const Bytes& data) const {
  Bytes command{7, sub(10), hi(address), lo(address), 0x00, lo(data.size())};
  command.insert(command.end(), data.begin(), data.end());
  return command;
}

Bytes UpdateSpeaker::usb_program(std::uint32_t address, const Bytes& data) const {
  Bytes command{7, sub(10), 0x00, 0x00, lo(data.size()), static_cast<std::uint8_t>(address >> 16), hi(address), lo(address)};
  command.insert(command.end(), data.begin(), data.end());
  return command;
}

Bytes UpdateSpeaker::cable_erase() const { return {7, sub(11)}; }
Bytes UpdateSpeaker::usb_erase(std::uint16_t block) const { return {7, sub(11), hi(block), lo(block)}; }
Bytes UpdateSpeaker::usb_erase_range() const { return {7, sub(12), 0x00, 0x40, 0x00, 0x0F, 0x80, 0x00}; }

std::uint8_t UpdateSpeaker::read_back_checksum(std::uint16_t block) {
  Bytes bytes;
  for (std::uint16_t offset = 0; offset < block_size; offset += row_size) {
    const Bytes row = read(static_cast<std::uint16_t>(block + offset), row_size);
    bytes.insert(bytes.end(), row.begin(), row.end());
  }
  return block_checksum(bytes);
}

std::string UpdateSpeaker::update_cable(const Bytes& image) {
  if (status(cable_erase()) != 0) return "erase";
  for (std::uint16_t row = 0; row < block_size / row_size; ++row) {
    if (status(cable_program(static_cast<std::uint16_t>(cable_block + row * row_size), row_of(image, row))) != 0) {
      return "row " + std::to_string(row);
    }
  }
  for (std::uint16_t offset = 0; offset < block_size; offset += 2) {
    const Bytes word = read(static_cast<std::uint16_t>(cable_block + offset), 2);
    if (word != Bytes{image[offset], image[offset + 1u]}) return "verify";
  }
  if (status(cable_program(0xBFFE, {key_byte})) != 0) return "key";
  const std::uint8_t checksum = read_back_checksum(cable_block);
  if (status(cable_program(0xBFFF, {checksum})) != 0 || read(0xBFFE, 2) != Bytes{key_byte, checksum}) return "checksum";
  const auto protect_set = [&] {
    const Bytes word = read(protect_address, 2);
    return word.size() == 2 && word[0] == protected_value;
  };
  if (protect_set()) return "";
  if (status(cable_program(protect_address, {protected_value})) != 0) return "protect";
  return protect_set() ? "" : "protect verify";
}

std::string UpdateSpeaker::update_usb(const Bytes& image) {
  send(flash_frame(true));
  for (std::uint16_t block = 0x40; block <= 0x5F; ++block) {
    if (status(usb_erase(block)) != 0) return "erase";
  }
  send(flash_frame(false));
  if (status(usb_erase_range()) != 0) return "range erase";
  send(flash_frame(true));
  for (std::uint16_t row = 0; row < block_size / row_size; ++row) {
    if (status(usb_program(usb_block + row * row_size, row_of(image, row))) != 0) return "row " + std::to_string(row);
  }
  send(flash_frame(false));
  for (std::uint16_t row = 0; row < block_size / row_size; ++row) {
    const Bytes back = read(static_cast<std::uint16_t>(usb_read_block + row * row_size), row_size);
    if (back != row_of(image, row)) return "verify";
  }
  send(flash_frame(true));
  const auto key = status(usb_program(0xFBFFE, {key_byte, 0xFF}));
  send(flash_frame(false));
  if (key != 0) return "key";
  const std::uint8_t checksum = read_back_checksum(usb_read_block);
  send(flash_frame(true));
  const auto written = status(usb_program(0xFBFFE, {key_byte, checksum}));
  send(flash_frame(false));
  if (written != 0 || read(0x7FFE, 2) != Bytes{key_byte, checksum}) return "checksum";
  return "";
}

Bytes firmware_image(const std::string& version_text) {
  Bytes image(UpdateSpeaker::block_size, 0xFF);
  for (std::size_t i = 0; i < 0x1800; ++i) image[i] = static_cast<std::uint8_t>(i * 13 + 5);
  for (std::size_t i = 0x2400; i < 0x3F00; ++i) image[i] = static_cast<std::uint8_t>(i ^ 0x5A);
  for (std::size_t i = 0; i < version_text.size(); ++i) image[0x58 + i] = static_cast<std::uint8_t>(version_text[i]);
  return image;
}

std::uint8_t block_checksum(const Bytes& block) {
  std::uint8_t crc = 0;
  if (block.empty()) return crc;
  for (std::size_t i = block.size() - 1; i-- > 0;) crc = crc8_update(crc, block[i]);
  return crc;
}

Bytes programmed_block(const Bytes& image) {
  Bytes block = image;
  block.resize(UpdateSpeaker::block_size, 0xFF);
  block[UpdateSpeaker::block_size - 2] = key_byte;
  block[UpdateSpeaker::block_size - 1] = block_checksum(block);
  return block;
}

}  // namespace vx::sim::test

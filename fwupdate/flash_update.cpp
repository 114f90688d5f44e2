#include "fwupdate/flash_update.h"

#include <algorithm>
#include <exception>

#include "foundation/command_exception.h"
#include "foundation/kstring.h"
#include "foundation/microsecond_timer.h"
#include "fwupdate/fx_logic.h"
#include "fwupdate/osbdm_update.h"
#include "fwupdate/programmer_update.h"
#include "fwupdate/update_progress.h"
#include "interface/byte_protocol.h"
#include "interface/crc8.h"
#include "interface/firmware_request.h"
#include "interface/firmware_update_link.h"
#include "interface/interface_hardware.h"
#include "interface/interface_reset.h"
#include "interface/link_state.h"
#include "loaders/object_image.h"

namespace vx::fwupdate {
namespace {

constexpr std::uint8_t interface_command = 7, memory_read = 4;
constexpr std::uint8_t program_sub_command = 10, erase_sub_command = 11, range_erase_sub_command = 12,
                       boot_original_sub_command = 15, boot_updated_sub_command = 16;
constexpr std::uint8_t flash_frame_open = 0x85, flash_frame_close = 0x86;
constexpr std::uint32_t row_size = 64, row_count = block_size / row_size;
constexpr std::uint16_t usb_window_start = 0x4000;
constexpr std::uint16_t cable_protect_address = 0xFF7E, cable_key_address = 0xBFFE, usb_key_address = 0x7FFE;
constexpr std::uint8_t key_byte = 0x88, protect_value = 0x80;
constexpr std::uint16_t first_usb_erase_block = 0x40, last_usb_erase_block = 0x5F;
constexpr int usb_erase_tries = 3;
constexpr std::int32_t usb_erase_timeout_ms = 2000;
using interface_hardware::cable_version_address, interface_hardware::usb_version_address,
    interface_hardware::original_version_address;
constexpr std::uint32_t version_offset = 0x58;
constexpr std::int64_t windriver_boot_wait_us = 2'000'000, boot_wait_us = 50'000;

const char* const invalid_data = "The Update File contains invalid data.";
const char* const link_lost_at_boot = "Error. Check Port, Power, and Connections.";
const char* const link_lost_at_restart = "Error. Check LPT/USB port, POWER, Connections.";
const char* const failure = "Failure.";
const char* const success = "Success.";

std::uint8_t sub_command(std::uint8_t offset) {
  return static_cast<std::uint8_t>(byte_protocol().command_offset + offset);
}

bool is_cable() { return firmware_request().update_link_kind == cable_link; }

bool link_failed() { return link_state().link_status == 0; }
std::uint16_t last_reply_word() { return static_cast<std::uint16_t>(link_state().reply_word); }
bool reply_good() { return !link_failed() && last_reply_word() == 0; }
// The link-good word; the last-command word of the updater's link has no reader here.
void set_link_good() { link_state().link_status = LinkState::reload_start; }

void send_command(std::span<const std::uint8_t> bytes, void (*finish)(std::uint8_t)) {
  for (std::size_t i = 0; i + 1 < bytes.size(); ++i) SEND8(bytes[i]);
  finish(bytes.back());
}

void flash_frame(std::uint8_t which) {
  const std::uint8_t bytes[] = {interface_command, which};
  send_command(bytes, SEND_CMD_SHORT);
}

// A flash command with its status word; true when the link held and the word is 0.
bool flash_command(const std::vector<std::uint8_t>& bytes) {
  send_command(bytes, SEND_CMD_LONG);
  RECV16();
  return reply_good();
}

std::vector<std::uint8_t> program_frame(std::uint32_t address, std::span<const std::uint8_t> data) {
  std::vector<std::uint8_t> bytes{interface_command, sub_command(program_sub_command)};
  if (is_cable()) {
    bytes.insert(bytes.end(), {static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address), 0x00,
                               static_cast<std::uint8_t>(data.size())});
  } else {
    bytes.insert(bytes.end(), {0x00, static_cast<std::uint8_t>(data.size() >> 8), static_cast<std::uint8_t>(data.size()),
                               static_cast<std::uint8_t>(address >> 16), static_cast<std::uint8_t>(address >> 8),
                               static_cast<std::uint8_t>(address)});
  }
  bytes.insert(bytes.end(), data.begin(), data.end());
  return bytes;
}

// On a USB interface flash work stands between the two frame commands.
bool framed_flash_command(const std::vector<std::uint8_t>& bytes) {
  if (is_cable()) return flash_command(bytes);
  flash_frame(flash_frame_open);
  const bool good = flash_command(bytes);
  flash_frame(flash_frame_close);
  return good;
}

ShortText address_text(std::uint32_t address) {
  return is_cable() ? hex_word(static_cast<std::uint16_t>(address)) : hex_long(address);
}

// The four characters of a version text.
ShortText version_text_at(std::uint16_t address) {
  std::array<std::uint8_t, 4> bytes{};
  read_interface_bytes(address, bytes);
  ShortText text;
  for (std::uint8_t byte : bytes) text += static_cast<char>(byte);
  return text;
}

void rom_version_line() {
  const std::uint16_t updated = is_cable() ? cable_version_address : usb_version_address;
  update_status("Quorvex Cable Rom Versions - " + version_text_at(updated) + "(Updated)/" +
                version_text_at(original_version_address) + "(Original)");
}

// A WinDriver interface re-attaches after the boot command: it gets the longer wait.
void boot_firmware(std::uint8_t which) {
  SEND8(interface_command);
  SEND_CMD_LONG(sub_command(which));
  const bool windriver = link_state().interface_class == InterfaceClass::usb_interface && windriver_family_open();
  delay_microseconds(windriver ? windriver_boot_wait_us : boot_wait_us);
}

// The flash programmer's interface layer knows the loader of older 5.x firmware; the updater does not.
void boot_into_original_firmware() {
  if (update_decision().build == EngineBuild::programmer) {
    vx::boot_original_firmware();
    return;
  }
  boot_firmware(boot_original_sub_command);
}

// The version the image carries as major x 100 + minor.
std::uint16_t image_version(const FirmwareBlock& block) {
  const auto digit = [&](std::uint32_t at) { return block.image[version_offset + at] - '0'; };
  return static_cast<std::uint16_t>(digit(0) * 100 + digit(2) * 10 + digit(3));
}

// The whole USB block as the interface reads it back.
std::array<std::uint8_t, block_size> read_back_usb_block() {
  std::array<std::uint8_t, block_size> image;
  image.fill(0xFF);
  for (std::uint32_t row = 0; row < row_count; ++row) {
    read_interface_bytes(static_cast<std::uint16_t>(usb_window_start + row * row_size),
                         std::span(image).subspan(row * row_size, row_size));
  }
  return image;
}

// The steps after the file's check, each nothing or the line it failed with.
using Failure = std::optional<ShortText>;

Failure boot_original(const FirmwareBlock&) {
  update_status("Booting Quorvex to original firmware (please wait) ... ");
  if (is_cable()) set_update_mode(update_mode_original);
  set_link_good();
  reset_interface_for_update(update_mode_original);
  if (!is_cable()) boot_into_original_firmware();
  if (link_failed()) return link_lost_at_boot;
  update_status("Success. Version is " + long_to_str(get_running_firmware_version()) + ".");
  rom_version_line();
  update_status("");
  update_status("Loading new Firmware data ...");
  update_status(success);
  return std::nullopt;
}

// Up to three tries per 512-byte block, the interface reset after each failed one.
Failure erase_usb_blocks() {
  for (std::uint16_t erase_block = first_usb_erase_block; erase_block <= last_usb_erase_block; ++erase_block) {
    for (int attempt = 1;; ++attempt) {
      SEND8(interface_command);
      SEND8(sub_command(erase_sub_command));
      SEND8(static_cast<std::uint8_t>(erase_block >> 8));
      SEND_CMD(static_cast<std::uint8_t>(erase_block), usb_erase_timeout_ms);
      RECV16();
      if (reply_good()) break;
      set_link_good();
      reset_interface_for_update(update_mode_original);
      if (attempt == usb_erase_tries) return "Flash Erase Failed. Result = $" + hex_word(last_reply_word());
    }
  }
  return std::nullopt;
}

Failure erase_block(const FirmwareBlock&) {
  update_status("Erasing MCU Firmware \"update\" block ... ");
  if (is_cable()) {
    if (!flash_command({interface_command, sub_command(erase_sub_command)})) {
      return "Flash Erase Failed. Result = $" + hex_word(last_reply_word());
    }
    update_status(success);
    update_status(success);
    set_link_good();
    return std::nullopt;
  }
  flash_frame(flash_frame_open);
  const Failure failed = erase_usb_blocks();
  flash_frame(flash_frame_close);
  if (failed) return failed;
  update_status(success);
  if (!flash_command({interface_command, sub_command(range_erase_sub_command), 0x00, 0x40, 0x00, 0x0F, 0x80, 0x00})) {
    return "Flash Erase Failed.";
  }
  update_status("Flash Erase Success.");
  set_link_good();
  return std::nullopt;
}

Failure program_rows(const FirmwareBlock& block) {
  if (!is_cable()) flash_frame(flash_frame_open);
  for (std::uint32_t row = 0; row < row_count; ++row) {
    const std::uint32_t address = block.start + row * row_size;
    const ShortText line = "Programming MCU flash bytes at Address $" + address_text(address);
    if (!flash_command(program_frame(address, std::span(block.image).subspan(row * row_size, row_size)))) {
      if (!is_cable()) flash_frame(flash_frame_close);
      return line + " : ERROR!!!";
    }
    update_status(line + " : Success.");
  }
  if (!is_cable()) flash_frame(flash_frame_close);
  update_status("Programming MCU Flash ... Success.");
  update_status("");
  return std::nullopt;
}

// A cable's bytes in pairs from the word at each pair's first address; a USB block read back whole.
Failure verify_block(const FirmwareBlock& block) {
  std::array<std::uint8_t, block_size> read_back{};
  if (!is_cable()) {
    update_status("Verifying MCU Flash ... ");
    read_back = read_back_usb_block();
  }
  for (const FirmwareRecord& record : block.records) {
    update_status("Verifying " + long_to_str(static_cast<std::int32_t>(record.bytes.size())) +
                  " MCU flash bytes at address $" + address_text(record.address) + " ... ");
    const std::size_t count = record.bytes.size();
    for (std::size_t i = 0; i < count; i += is_cable() ? 2 : 1) {
      const std::uint32_t address = record.address + static_cast<std::uint32_t>(i);
      if (!is_cable()) {
        if (read_back[address - block.start] != record.bytes[i]) return "ERROR! at " + address_text(address);
        continue;
      }
      const std::uint16_t word = read_interface_word(static_cast<std::uint16_t>(address));
      if (static_cast<std::uint8_t>(word >> 8) != record.bytes[i]) return "ERROR! at " + address_text(address);
      if (i + 1 < count && static_cast<std::uint8_t>(word) != record.bytes[i + 1]) {
        return "ERROR! at " + address_text(address + 1);
      }
    }
  }
  update_status("Verifying MCU Flash ... ");
  update_status(success);
  return std::nullopt;
}

// The key's or the checksum's write; a USB interface takes both bytes each time.
std::vector<std::uint8_t> key_or_checksum_command(const FirmwareBlock& block, bool key, std::uint8_t checksum) {
  if (is_cable()) {
    const std::uint32_t at = block.start + block_size - (key ? 2 : 1);
    return {interface_command, sub_command(program_sub_command), static_cast<std::uint8_t>(at >> 8),
            static_cast<std::uint8_t>(at), 0x00, 0x01, key ? key_byte : checksum};
  }
  return {interface_command, sub_command(program_sub_command), 0x00, 0x00, 0x02, 0x0F, 0xBF, 0xFE, key_byte,
          static_cast<std::uint8_t>(key ? 0xFF : checksum)};
}

// CRC-8 from the block's second-last byte down to its first, as the interface reads them.
std::uint8_t interface_checksum(const FirmwareBlock& block) {
  std::uint8_t checksum = 0;
  if (!is_cable()) {
    const std::array<std::uint8_t, block_size> image = read_back_usb_block();
    for (std::size_t i = block_size - 1; i-- > 0;) crc8_update(&image[i], 1, checksum);
    return checksum;
  }
  const std::uint32_t key_address = block.start + block_size - 2;
  const std::uint8_t key = static_cast<std::uint8_t>(read_interface_word(static_cast<std::uint16_t>(key_address)) >> 8);
  crc8_update(&key, 1, checksum);
  for (std::uint32_t at = key_address - 2;; at -= 2) {
    const std::uint16_t word = read_interface_word(static_cast<std::uint16_t>(at));
    const std::uint8_t downward[] = {static_cast<std::uint8_t>(word), static_cast<std::uint8_t>(word >> 8)};
    crc8_update(downward, 2, checksum);
    if (at == block.start) break;
  }
  return checksum;
}

Failure write_key_and_checksum(const FirmwareBlock& block) {
  update_status("Programming MCU key in flash ... ");
  if (!framed_flash_command(key_or_checksum_command(block, true, 0))) return failure;
  update_status(success);
  update_status("Calculating MCU checksum ...");
  const std::uint8_t checksum = interface_checksum(block);
  update_status(" ($" + hex_byte(checksum) + ") ... Success. ");
  update_status("Programming MCU checksum to flash ... ");
  if (!framed_flash_command(key_or_checksum_command(block, false, checksum))) return failure;
  update_status(success);
  update_status("Verifying MCU checksum in flash ... ");
  const std::uint16_t stored = read_interface_word(is_cable() ? cable_key_address : usb_key_address);
  if (static_cast<std::uint8_t>(stored) != checksum) return failure;
  update_status(success);
  return std::nullopt;
}

// A cable's block-protect byte, unless it already reads 0x80.
Failure protect_block(const FirmwareBlock&) {
  if (!is_cable() || (read_interface_word(cable_protect_address) >> 8) == protect_value) return std::nullopt;
  update_status("Programming MCU block protect register ... ");
  if (!flash_command({interface_command, sub_command(program_sub_command), 0xFF, 0x7E, 0x00, 0x01, protect_value})) {
    return failure;
  }
  update_status(success);
  update_status("Verifying MCU block protect register ... ");
  if ((read_interface_word(cable_protect_address) >> 8) != protect_value) return failure;
  update_status(success);
  return std::nullopt;
}

Failure restart_updated(const FirmwareBlock& block) {
  update_status("");
  update_status("Resetting Quorvex to updated firmware ... ");
  reset_interface_for_update(update_mode_updated);
  if (!is_cable()) boot_firmware(boot_updated_sub_command);
  const std::uint16_t running = get_running_firmware_version();
  if (link_failed()) return link_lost_at_restart;
  // A firmware that does not start leaves the original one answering.
  if (running != image_version(block)) return failure;
  update_status(success);
  rom_version_line();
  return std::nullopt;
}

// Clears the object image however the attempt ends.
struct LoadedFile {
  ~LoadedFile() { loaders::clear_object_image(); }
  std::optional<std::vector<FirmwareRecord>> records = load_firmware_records(update_decision().update_file_name);
};

}  // namespace

std::optional<FirmwareBlock> build_firmware_block(std::span<const FirmwareRecord> records, std::uint8_t link_kind,
                                                  EngineBuild build, bool windriver_interface, bool fx_interface) {
  if (link_kind != cable_link && link_kind != usb_link) return std::nullopt;
  FirmwareBlock block;
  block.start = link_kind == cable_link ? cable_block_start : usb_block_start;
  block.image.fill(0xFF);
  const bool pass_over_outside =
      link_kind == usb_link && build == EngineBuild::updater && (!windriver_interface || fx_interface);
  for (const FirmwareRecord& record : records) {
    // 64-bit ends: no wrap-around.
    const std::uint64_t first = record.address, end = first + record.bytes.size();
    if (first < block.start || end > std::uint64_t{block.start} + block_size) {
      if (pass_over_outside) continue;
      return std::nullopt;
    }
    std::copy(record.bytes.begin(), record.bytes.end(), block.image.begin() + (first - block.start));
    if (!record.bytes.empty()) block.records.push_back(record);
  }
  if (block.records.empty() || block.image[block_size - 2] != 0xFF || block.image[block_size - 1] != 0xFF) {
    return std::nullopt;
  }
  return block;
}

void reset_interface_for_update(std::uint8_t mode) {
  const std::uint8_t kind = firmware_request().update_link_kind;
  if (kind == cable_link) set_update_mode(mode);
  if (kind == cable_link || kind == usb_link || kind == programmer_link) update_decision().reset_interface();
}

void read_interface_bytes(std::uint16_t address, std::span<std::uint8_t> bytes) {
  SEND8(memory_read);
  SEND8(static_cast<std::uint8_t>(address >> 8));
  SEND8(static_cast<std::uint8_t>(address));
  SEND_CMD_SHORT(static_cast<std::uint8_t>((bytes.size() + 1) & ~std::size_t{1}));
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    RECV16();
    bytes[i] = static_cast<std::uint8_t>(last_reply_word() >> 8);
    if (i + 1 < bytes.size()) bytes[i + 1] = static_cast<std::uint8_t>(last_reply_word());
  }
}

FlashUpdateEngine& flash_update_engine() {
  static FlashUpdateEngine engine;
  return engine;
}

ShortText FlashUpdateEngine::last_update_status() const { return update_progress().last_update_status; }

void FlashUpdateEngine::end_failure_once() {
  if (ended_) return;
  ended_ = true;
  finish_update_failure();
}

bool FlashUpdateEngine::fail(const ShortText& line) {
  update_status(line);
  end_failure_once();
  return false;
}

bool FlashUpdateEngine::update_cable_firmware() {
  if (update_decision().update_file_version == 0) return false;
  ended_ = false;
  try {
    if (osbdm_update_due()) return update_osbdm_firmware(*this);
    return run_steps();
  } catch (const CommandException&) {
    if (!ended_) update_status("Error.");
    end_failure_once();
    throw;
  } catch (const std::exception&) {
    if (!ended_) update_status("Error.");
    end_failure_once();
    return false;
  }
}

bool FlashUpdateEngine::run_steps() {
  const UpdateDecision& decision = update_decision();
  const std::uint8_t kind = firmware_request().update_link_kind;
  show_update_window();
  update_status("");
  if (kind == programmer_link) {
    if (!update_programmer_firmware()) {
      end_failure_once();
      return false;
    }
    return complete();
  }
  if (kind != cable_link && kind != usb_link) {
    return fail("Updating mechanism not supported.");
  }
  // The file is checked before the interface is touched: a boot may already clear key and checksum.
  const LoadedFile file;
  const bool fx_logic_due = decision.build == EngineBuild::updater && kind == usb_link &&
                            decision.windriver_interface && decision.universal_kind == universal_fx;
  const std::optional<FirmwareBlock> checked =
      file.records ? build_firmware_block(*file.records, kind, decision.build,
                                          decision.windriver_interface, fx_logic_due)
                   : std::nullopt;
  // A Universal FX's file must bring its logic too: nothing is erased for a file without it.
  const std::optional<FxLogicImage> fx_image =
      checked && fx_logic_due ? fx_logic_image(*file.records) : std::nullopt;
  if (!checked || (fx_logic_due && !fx_image)) {
    update_status("Loading new Firmware data ...");
    if (!file.records) return fail("Cant find Update file.");
    update_status(success);
    return fail(invalid_data);
  }
  for (const auto step : {boot_original, erase_block, program_rows, verify_block, write_key_and_checksum,
                          protect_block, restart_updated}) {
    if (const std::optional<ShortText> failed = step(*checked)) return fail(*failed);
  }
  update_status(success);
  update_status("");
  if (fx_logic_due && !update_fx_logic(decision.universal_kind, *fx_image)) {
    end_failure_once();
    return false;
  }
  return complete();
}

bool FlashUpdateEngine::complete() {
  update_status("");
  update_status("All steps completed successfully.");
  ended_ = true;
  finish_update_success();
  return true;
}

}  // namespace vx::fwupdate

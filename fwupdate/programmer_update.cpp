#include "fwupdate/programmer_update.h"

#include <optional>
#include <utility>
#include <vector>

#include "foundation/kstring.h"
#include "fwupdate/programmer_files.h"
#include "fwupdate/update_decision.h"
#include "fwupdate/update_progress.h"
#include "interface/crc32.h"
#include "interface/ethernet_devices.h"
#include "interface/firmware_request.h"
#include "interface/interface_reset.h"
#include "interface/programmer_link.h"
#include "loaders/object_image.h"

namespace vx::fwupdate {
namespace {

using Records = std::vector<FirmwareRecord>;

constexpr std::int32_t reset_wait_ms = 5500;
constexpr std::uint8_t intermediate_mode = 3, kernel_mode = 2, upgrade_mode = 4;
constexpr std::uint8_t first_section1_block = 16, last_block = 23, first_kernel_block = 8, last_kernel_block = 15,
                       first_section2_block = 11;
constexpr std::uint8_t trace_interface = 1;
constexpr std::size_t version_length = 4;

const char* const success = "Success.";
const char* const too_big = "Firmware is too big for current updating mechanism.";
const char* const reset_failed = "Failure after resetting device.";
const char* const programming_failed = "Error occured during programming firmware.";
const char* const kernel_missing = "Error: Required Kernel image does not exist";
const char* const no_upgrade_files =
    "Unable to locate upgrade firmware files or upgrade firmware files support different format.";
const char* const fpga_failed = "Failed Updating FPGA design, resetting device.  Please try again.";

bool fail(const ShortText& line) {
  update_status(line);
  return false;
}

// The records of a file in address order, the object records cleared again.
std::optional<Records> load_records(const ShortText& name) {
  std::optional<Records> records = load_firmware_records(name);
  loaders::clear_object_image();
  if (records) std::erase_if(*records, [](const FirmwareRecord& record) { return record.bytes.empty(); });
  return records;
}

bool write_bytes(std::uint32_t address, std::span<const std::uint8_t> bytes) {
  return sap_write_memory(address, static_cast<std::uint16_t>(bytes.size()), bytes) != 0;
}

bool erase_blocks(std::uint8_t first, std::uint8_t last) {
  for (std::uint8_t block = first; block <= last; ++block) {
    if (sap_erase_block(block) == 0) return false;
  }
  return true;
}

bool reset_and_identify() {
  sap_reset_device(reset_wait_ms);
  return sap_check_identity() == sap_ok;
}

// The running CRC and length of records written so far.
struct Written {
  std::uint32_t crc = 0, length = 0;
  void add(const FirmwareRecord& record) {
    crc32_update(record.bytes.data(), static_cast<std::uint16_t>(record.bytes.size()), crc);
    length += static_cast<std::uint32_t>(record.bytes.size());
  }
};

// The files of a staged update, loaded before anything is erased.
struct StagedFiles {
  std::optional<Records> secondary, primary;
  Records upgrade;
  std::vector<PlacedRecord> placed;
};

ShortText kernel_file(const char* extension) { return firmware_request().kernel_file_base + extension; }

// A kernel file, or the lines of its missing or oversized file and nothing.
std::optional<Records> load_kernel(const char* extension, bool (*fits)(std::span<const FirmwareRecord>)) {
  std::optional<Records> records = load_records(kernel_file(extension));
  if (!records) {
    update_status("Looking for kernel file: " + kernel_file(extension));
    update_status(kernel_missing);
    return std::nullopt;
  }
  if (!fits(*records)) {
    update_status("Looking for kernel file: " + kernel_file(extension));
    update_status("Successful");
    update_status(too_big);
    return std::nullopt;
  }
  return records;
}

std::optional<StagedFiles> load_staged_files(bool with_kernels) {
  StagedFiles files;
  if (with_kernels) {
    files.secondary = load_kernel(".002", secondary_kernel_fits);
    if (!files.secondary) return std::nullopt;
    files.primary = load_kernel(".001", primary_kernel_fits);
    if (!files.primary) return std::nullopt;
  }
  std::optional<Records> upgrade = load_records(update_decision().en2_file_name);
  if (!upgrade) {
    update_status("Looking for update files... ");
    update_status(no_upgrade_files);
    return std::nullopt;
  }
  files.upgrade = std::move(*upgrade);
  std::optional<std::vector<PlacedRecord>> placed = place_upgrade_records(files.upgrade);
  if (!placed) {
    update_status("Looking for update files... ");
    update_status(success);
    update_status(too_big);
    return std::nullopt;
  }
  files.placed = std::move(*placed);
  return files;
}

// Records written from `region` on, each announced at its image address plus `shown`.
bool program_kernel_records(const Records& records, std::uint32_t region, std::uint32_t shown, Written& written) {
  update_status("Programming firmware...  ");
  for (const FirmwareRecord& record : records) {
    written.add(record);
    update_status("Programming $" + hex_long(record.address + shown));
    if (!write_bytes(region + record.address, record.bytes)) return fail(programming_failed);
  }
  update_status("Done.");
  return true;
}

// "Failed!" when the programmer refuses the trailer; the caller decides whether that ends the step.
bool write_trailer(std::uint32_t address, const Written& written) {
  if (!write_bytes(address, length_crc_trailer(written.length, written.crc))) {
    update_status("Failed!");
    return false;
  }
  update_status("Transferred " + long_to_str(static_cast<std::int32_t>(written.length)) + " bytes");
  return true;
}

bool update_kernel_secondary(const Records& kernel, bool unlock) {
  update_status("Looking for kernel file: " + kernel_file(".002"));
  update_status("Successful");
  update_status("Erasing SECONDARY firmware block...  ");
  if (unlock && sap_select_mode(intermediate_mode) == 0) {
    return fail("Unable to unlock Intermediate Kernel firmware block.");
  }
  if (!erase_blocks(first_section1_block, last_block)) return fail("Failed Erasing Secondary Firmware.");
  update_status("Done.");
  Written written;
  if (!program_kernel_records(kernel, section1_start, shown_upgrade_offset, written)) return false;
  write_trailer(upgrade_trailer, written);
  if (!reset_and_identify()) return fail(reset_failed);
  if (sap_range_crc(section1_start + image_start_offset, written.length) != written.crc) {
    return fail("Failed on verifying the CRC of firmware");
  }
  return true;
}

bool update_kernel_primary(const Records& kernel) {
  if (upper_case(sap_get_kernel_name()) != "INTERMEDIATE") {
    return fail("Failed to program into secondary region, try again.");
  }
  update_status("Looking for kernel file: " + kernel_file(".001"));
  update_status("Successful");
  update_status("Erasing PRIMARY firmware block...  ");
  if (sap_select_mode(kernel_mode) == 0) return fail("Unable to unlock Primary Plus Kernel firmware block.");
  if (!erase_blocks(first_kernel_block, last_kernel_block)) return fail("Failed Erasing Primary Plus Kernel.");
  update_status("Done.");
  Written written;
  if (!program_kernel_records(kernel, primary_start, shown_primary_offset, written)) return false;
  // Without its trailer the primary kernel would not start: the intermediate one must stay.
  if (!write_trailer(primary_kernel_trailer, written)) return false;
  if (sap_range_crc(primary_start + image_start_offset, written.length) != written.crc) {
    return fail("Failed on verifying the CRC of the primary image");
  }
  if (sap_select_mode(upgrade_mode) == 0) return fail("Unable to unlock firmware block.");
  if (sap_erase_block(last_block) == 0) return fail("Unable to erase firmware block.");
  const std::uint8_t invalid_trailer[] = {0, 0, 0, 1, 0, 0, 0, 1};
  if (!write_bytes(upgrade_trailer, invalid_trailer)) update_status("Failed!");
  if (!reset_and_identify()) return fail(reset_failed);
  if (upper_case(sap_get_kernel_name()) != "PRIMARY") return fail("Failed to program into primary region, try again.");
  return true;
}

bool transfer_upgrade_firmware(const StagedFiles& files) {
  update_status("Looking for update files... ");
  update_status(success);
  update_status("Erasing upgrade firmware block ... ");
  if (sap_select_mode(upgrade_mode) == 0) return fail("Can't unlock firmware block.");
  if (!erase_blocks(first_section2_block, last_block)) return fail("Cant Erase Secondary Image firmware block.");
  update_status("Transmitting firmware to target ... ");
  SectionTable table = empty_section_table();
  std::size_t used = 1;
  std::uint32_t total = 0;
  for (const PlacedRecord& placed : files.placed) {
    if (placed.section + 1 > used) {
      table[used - 1].next_start = table[used].target_start;
      used = placed.section + 1;
    }
    SectionEntry& entry = table[placed.section];
    const FirmwareRecord& record = *placed.record;
    crc32_update(record.bytes.data(), static_cast<std::uint16_t>(record.bytes.size()), entry.crc);
    entry.length += static_cast<std::uint32_t>(record.bytes.size());
    total += static_cast<std::uint32_t>(record.bytes.size());
    update_status("Programming $" + hex_long(record.address + shown_upgrade_offset));
    if (!write_bytes(placed.target, record.bytes)) return fail(programming_failed);
  }
  update_status("Done.");
  if (sap_range_crc(section1_start + image_start_offset, table[0].length) != table[0].crc ||
      sap_range_crc(table[0].next_start, table[1].length) != table[1].crc) {
    return false;
  }
  const std::vector<std::uint8_t> trailer = section_table_trailer(table, used);
  if (!write_bytes(section_table_end - static_cast<std::uint32_t>(trailer.size()), trailer)) {
    return fail("Failed writing CRC!");
  }
  update_status("Transferred " + long_to_str(static_cast<std::int32_t>(total)) + " bytes");
  if (!reset_and_identify()) return fail(reset_failed);
  return true;
}

// The kernel versions of a model: the first and the second.
std::pair<ShortText, ShortText> kernel_versions(std::int32_t model) {
  switch (model) {
    case 0: return {"8.15", "8.16"};
    case 1: return {"7.51", "7.52"};
    default: return {"1.15", "1.16"};
  }
}

bool staged_update() {
  ShortText version;
  sap_query_version(version, 255);
  version = version.substr(0, version_length);
  EthernetDeviceRecord device;
  sap_get_device_info(device);
  const auto [first, second] = kernel_versions(device.type_code);
  const bool kernels = update_decision().programmer_kind != trace_interface && version.view() <= second.view();
  const bool unlock = version == first || version == second;
  const std::optional<StagedFiles> files = load_staged_files(kernels);
  if (!files) return false;
  if (kernels && (!update_kernel_secondary(*files->secondary, unlock) || !update_kernel_primary(*files->primary))) {
    return false;
  }
  const SapRegion region = sap_get_region();
  if (sap_range_crc(primary_start + image_start_offset, region.length) != region.crc) {
    return fail("Corrupted manufacturing image, please contact VLX");
  }
  if (!transfer_upgrade_firmware(*files)) return false;
  if (sap_check_identity() != sap_ok) return fail(reset_failed);
  update_decision().reset_interface();
  return true;
}

bool plain_update() {
  const std::optional<Records> records = load_records(update_decision().update_file_name);
  if (!records) return fail("Cant find Update file.");
  update_status(success);
  if (!plain_image_fits(*records)) return fail(too_big);
  update_status("Erasing MCU Firmware \"update\" block ... ");
  if (!erase_blocks(first_section1_block, last_block)) return fail("Could not erase upgrade blocks.");
  Written written;
  for (const FirmwareRecord& record : *records) {
    written.add(record);
    const ShortText address = hex_long(section1_start + record.address);
    update_status("Programming MCU flash bytes at Address $" + address + ".");
    if (!write_bytes(section1_start + record.address, record.bytes)) {
      return fail("Error during programming at address $" + address + ".");
    }
  }
  update_status("Programming MCU Flash ... Success.");
  update_status("");
  update_status("Verifying MCU Flash ... ");
  // A trailer over bytes the programmer did not store would leave it without an image to start.
  if (!records->empty() &&
      sap_range_crc(section1_start + records->front().address, written.length) != written.crc) {
    return fail("Failed on verifying the CRC of firmware");
  }
  update_status(success);
  update_status("Programming MCU key in flash ... ");
  update_status("Calculating MCU checksum ...");
  update_status("Programming MCU checksum to flash ... ");
  update_status("Programming Checksum/Length ... ");
  if (!write_bytes(upgrade_trailer, length_crc_trailer(written.length, written.crc))) {
    return fail("Error. Check LPT/USB port, POWER, Connections.");
  }
  update_status("Success. Length = " + long_to_str(static_cast<std::int32_t>(written.length)) + " bytes, CRC = $" +
                hex_long(written.crc));
  update_status("Resetting Device ... ");
  if (!reset_and_identify()) return fail(reset_failed);
  update_decision().reset_interface();
  return true;
}

ShortText logic_version(std::int32_t (*query)(ShortText&, std::uint8_t)) {
  ShortText text;
  query(text, 255);
  return text;
}

bool update_fpga() {
  update_status("Checking FPGA Version ... ");
  const ShortText current = logic_version(sap_query_logic_version);
  const ShortText ready = logic_version(sap_query_image_logic_version);
  update_status("FPGA Version is " + current);
  if (ready.view() <= current.view()) return true;
  update_status("Updating FPGA version from " + current + " to " + ready + ", please wait up to 60 seconds...");
  if (!sap_update_logic()) {
    update_status(fpga_failed);
    sap_reset_device(reset_wait_ms);
    return false;
  }
  update_status("Resetting device, please wait ...");
  if (!reset_and_identify()) return fail(reset_failed);
  if (logic_version(sap_query_logic_version) != ready) {
    update_status(fpga_failed);
    sap_reset_device(reset_wait_ms);
    return false;
  }
  update_status("Successfully upgraded the FPGA design.");
  return true;
}

}  // namespace

bool update_programmer_firmware() {
  const UpdateDecision& decision = update_decision();
  if (sap_check_identity() != sap_ok) return fail("Error. Check Port, Power, and Connections.");
  update_status("");
  update_status("Loading new Firmware data ...");
  bool updated = false;
  if (decision.update_file_version == decision.en2_file_version) {
    updated = staged_update();
  } else if (decision.update_file_version == decision.ens_file_version) {
    updated = plain_update();
  } else {
    return fail("Updating mechanism not supported.");
  }
  if (!updated) return false;
  update_status(success);
  update_status("");
  return update_fpga();
}

}  // namespace vx::fwupdate

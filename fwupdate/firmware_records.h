#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "foundation/short_text.h"

// A firmware file as the update engine takes it: its records in address
// order, and only from a file that is whole. Every step reads its files
// through here before it touches the device.
namespace vx::fwupdate {

struct FirmwareRecord {
  std::uint32_t address = 0;
  std::vector<std::uint8_t> bytes;
};

// How a firmware file is written: the engine's scrambled form, or plain S-records.
enum class FirmwareFileForm : std::uint8_t { scrambled, plain };

// Why a file gave no records: it cannot be read as S-records at all (missing,
// invalid digits), or it reads but is damaged: a record's checksum does not
// match, no end record follows the data, or one address is given two values.
enum class FirmwareFileFault : std::uint8_t { unreadable, damaged };

// The records, in address order, unless the file has a fault.
struct FirmwareFile {
  std::vector<FirmwareRecord> records;
  std::optional<FirmwareFileFault> fault;
};

// The file's records, read without the remap table; the object records stay loaded.
FirmwareFile read_firmware_file(const ShortText& name, FirmwareFileForm form = FirmwareFileForm::scrambled);
// The same, nullopt for either fault.
std::optional<std::vector<FirmwareRecord>> load_firmware_records(const ShortText& name,
                                                                FirmwareFileForm form = FirmwareFileForm::scrambled);

// True when two records give one address different bytes; identical duplicates pass.
bool records_conflict(std::span<const FirmwareRecord> records);

}  // namespace vx::fwupdate

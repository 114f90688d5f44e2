#include "fwupdate/firmware_records.h"

#include <algorithm>
#include <array>

#include "fwupdate/object_walk.h"
#include "loaders/debug_context.h"
#include "loaders/object_image.h"
#include "loaders/srecord_image.h"

namespace vx::fwupdate {
namespace {

constexpr std::size_t walk_buffer_size = 4096;

std::vector<FirmwareRecord> walked_records() {
  std::vector<FirmwareRecord> records;
  std::array<std::uint8_t, walk_buffer_size> buffer{};
  std::int32_t address = 0;
  std::uint16_t length = 0;
  rewind_object_records_bank1();
  while (next_object_record_bank1(address, length, buffer)) {
    const std::size_t held = std::min<std::size_t>(length, buffer.size());
    records.push_back({static_cast<std::uint32_t>(address), {buffer.begin(), buffer.begin() + held}});
  }
  return records;
}

}  // namespace

FirmwareFile read_firmware_file(const ShortText& name, FirmwareFileForm form) {
  loaders::clear_object_records();
  loaders::install_address_remap_table(nullptr);
  switch (loaders::read_firmware_image(name, form == FirmwareFileForm::scrambled)) {
    case loaders::FirmwareImageRead::unreadable: return {{}, FirmwareFileFault::unreadable};
    case loaders::FirmwareImageRead::damaged: return {{}, FirmwareFileFault::damaged};
    case loaders::FirmwareImageRead::read: break;
  }
  std::vector<FirmwareRecord> records = walked_records();
  if (records_conflict(records)) return {{}, FirmwareFileFault::damaged};
  return {std::move(records), std::nullopt};
}

std::optional<std::vector<FirmwareRecord>> load_firmware_records(const ShortText& name, FirmwareFileForm form) {
  FirmwareFile file = read_firmware_file(name, form);
  if (file.fault) return std::nullopt;
  return std::move(file.records);
}

bool records_conflict(std::span<const FirmwareRecord> records) {
  // Each byte as its address above its value: sorted and made unique, two neighbours
  // with the same address are two values for it. 64 bits keep addresses past 4 GB apart.
  std::vector<std::uint64_t> bytes;
  for (const FirmwareRecord& record : records) {
    for (std::size_t i = 0; i < record.bytes.size(); ++i) {
      bytes.push_back((std::uint64_t{record.address} + i) << 8 | record.bytes[i]);
    }
  }
  std::sort(bytes.begin(), bytes.end());
  bytes.erase(std::unique(bytes.begin(), bytes.end()), bytes.end());
  return std::adjacent_find(bytes.begin(), bytes.end(),
                            [](std::uint64_t a, std::uint64_t b) { return a >> 8 == b >> 8; }) != bytes.end();
}

}  // namespace vx::fwupdate

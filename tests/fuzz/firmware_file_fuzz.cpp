// libFuzzer target over an interface firmware file: the input, scrambled
// here as a firmware file holds it, goes through the update engine's loading,
// the block checks of every interface class and both builds, the places of a
// programmer's image, kernels and upgrade sections, and a Universal FX's logic image.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "fwupdate/flash_update.h"
#include "fwupdate/fx_logic.h"
#include "fwupdate/programmer_files.h"
#include "loaders/debug_context.h"
#include "loaders/firmware_scrambling.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vx::fuzz::start_fuzzing();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vx::fwupdate;
  static const std::string name = vx::fuzz::fuzz_file("fuzz.512");
  const std::vector<std::uint8_t> file =
      vx::loaders::scramble_firmware_text(std::string_view(reinterpret_cast<const char*>(data), size));
  vx::fuzz::write_fuzz_file("fuzz.512", file.data(), file.size());
  const auto records = load_firmware_records(vx::ShortText(name));
  vx::loaders::clear_object_records();
  if (!records) return 0;
  for (std::uint8_t kind : {cable_link, usb_link, programmer_link}) {
    for (EngineBuild build : {EngineBuild::programmer, EngineBuild::updater}) {
      for (bool windriver : {false, true}) {
        const auto block = build_firmware_block(*records, kind, build, windriver);
        if (!block) continue;
        // Every record kept lies in the block and its bytes are in the image.
        if (block->records.empty() || block->image[block_size - 2] != 0xFF) std::abort();
        for (const FirmwareRecord& record : block->records) {
          if (record.address < block->start || record.address + record.bytes.size() > block->start + block_size) {
            std::abort();
          }
        }
      }
    }
  }
  // A record that fits its region ends inside it, however its address wraps.
  const auto inside = [](const FirmwareRecord& record, std::uint64_t start, std::uint64_t end) {
    return record.address >= start && record.address + std::uint64_t{record.bytes.size()} <= end;
  };
  using Fits = bool (*)(std::span<const FirmwareRecord>);
  const std::pair<Fits, std::uint32_t> regions[] = {{plain_image_fits, upgrade_trailer - section1_start},
                                                    {primary_kernel_fits, primary_kernel_trailer - primary_start}};
  for (const auto& [fits, limit] : regions) {
    if (!fits(*records)) continue;
    for (const FirmwareRecord& record : *records) {
      if (!inside(record, 0, limit)) std::abort();
    }
  }
  if (const auto placed = place_upgrade_records(*records)) {
    SectionTable table = empty_section_table();
    std::size_t used = 0;
    for (const PlacedRecord& record : *placed) {
      const SectionEntry& section = table.at(record.section);
      const FirmwareRecord moved{record.target, record.record->bytes};
      if (!inside(moved, section.target_start, section.target_end)) std::abort();
      used = std::max(used, record.section + 1);
    }
    if (section_table_trailer(table, used).size() != 16 * used) std::abort();
  }
  if (const auto logic = fx_logic_image(*records); logic && logic->size() != fx_logic_size) std::abort();
  return 0;
}

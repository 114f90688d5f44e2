#include "sim/hcs08/memory_map.h"

#include "sim/hcs08/bus.h"

namespace vx::sim {
namespace {

void mark(std::array<Region, 0x10000>& regions, const AddressRange& range, Region region) {
  for (std::uint32_t address = range.first; address <= range.last; ++address) regions[address] = region;
}

}  // namespace

MemoryMap::MemoryMap(const DeviceConfig& config) {
  mark(regions_, config.direct_registers, Region::Register);
  mark(regions_, config.high_registers, Region::Register);
  mark(regions_, config.ram, Region::Ram);
  for (const AddressRange& range : config.flash) mark(regions_, range, Region::Flash);
  for (std::size_t address = 0; address < regions_.size(); ++address) {
    if (regions_[address] == Region::Ram) plain_[address] = Bus::kPlainRead | Bus::kPlainWrite;
    if (regions_[address] == Region::Flash) plain_[address] = Bus::kPlainRead;
  }
}

}  // namespace vx::sim

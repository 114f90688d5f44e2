#include "sim/hcs08/device_config.h"

namespace vx::sim {

DeviceConfig default_device() {
  DeviceConfig config;
  config.direct_registers = {0x0000, 0x00AF};
  config.ram = {0x00B0, 0x10AF};
  config.high_registers = {0x1800, 0x185F};
  config.flash = {{0x10B0, 0x17FF}, {0x1960, 0xFFFF}};
  return config;
}

}  // namespace vx::sim

#include "programmer/verify_compare.h"

#include "foundation/kstring.h"
#include "interface/target_operations.h"

namespace vx::programmer {

std::optional<VerifyMismatch> compare_record(const ModuleWindow& window, std::int32_t start, std::int32_t end,
                                             std::int32_t record_address, std::span<const std::uint8_t> bytes,
                                             const DeviceByteReader& read_device) {
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto address = static_cast<std::int32_t>(static_cast<std::uint32_t>(record_address) + i);
    if (address < start || address > end || !address_in_module(window, address)) continue;
    const std::optional<std::uint8_t> device = device_byte_value(read_device(window.device_address(address)));
    if (device == bytes[i] || address_preserved(window, address)) continue;
    return VerifyMismatch{address, device, bytes[i]};
  }
  return std::nullopt;
}

ShortText verify_error_line(const VerifyMismatch& mismatch) {
  return "Verify error at address $" + address_to_hex5(static_cast<std::uint32_t>(mismatch.address)) + ".";
}

ShortText verify_bytes_line(const VerifyMismatch& mismatch) {
  const ShortText device = mismatch.device ? "$" + hex_byte(*mismatch.device) : ShortText("unreadable");
  return "Byte in module is " + device + " and should be $" + hex_byte(mismatch.file) + ".\x07";
}

}  // namespace vx::programmer

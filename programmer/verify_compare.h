#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "foundation/short_text.h"
#include "programmer/module_window.h"
#include "programmer/program_pipeline.h"

// The byte comparison of the verify commands and the lines that report a difference.
namespace vx::programmer {

struct VerifyMismatch {
  // Object-file address.
  std::int32_t address = 0;
  // Nothing when the device byte could not be read.
  std::optional<std::uint8_t> device;
  std::uint8_t file = 0;
};

// The first byte of the record that lies in start..end and in the module, is not preserved,
// and differs from the device; nothing when every such byte matches.
std::optional<VerifyMismatch> compare_record(const ModuleWindow& window, std::int32_t start, std::int32_t end,
                                             std::int32_t record_address, std::span<const std::uint8_t> bytes,
                                             const DeviceByteReader& read_device);

// "Verify error at address $....." and "Byte in module is $.. and should be $..." + bell.
ShortText verify_error_line(const VerifyMismatch& mismatch);
ShortText verify_bytes_line(const VerifyMismatch& mismatch);

}  // namespace vx::programmer

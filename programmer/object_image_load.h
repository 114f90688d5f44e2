#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "programmer/object_file_data.h"

namespace vx::programmer {

// Loads the selected object file through the load driver at most once per command, rewound for
// reading: the range check and the programming, verify or CRC pass share one load, so a question
// or warning the file raises comes once. False when the load fails.
bool load_command_object_image();
// The next command loads the object file afresh.
void forget_command_object_image();

// The lowest object address to which two records give different bytes; records come in any order
// and identical duplicates are no conflict.
std::optional<std::int32_t> first_conflicting_address(std::vector<ObjectDataRecord> records);

// Ends the script with 2 when the object file's records give one address two different bytes,
// before anything of it is programmed: flash would hold the AND of both.
void refuse_conflicting_object_data();

}  // namespace vx::programmer

#pragma once

#include <cstdint>
#include <span>

#include "loaders/object_record_store.h"

// The update steps walk the loaded firmware image in address order. The
// firmware updater loads its records in arrival order and sorts them on
// the first walk after one came out of order; the flash programmer's
// loading keeps them in order as they come. Either way the walk is over
// the object records of the loading context in force.
namespace vx::fwupdate {

// Context 1 afresh, keeping its object records as the firmware updater does.
void start_updater_object_loading();

// The first record in address order (sorting first when one came out of order), or none.
const loaders::object_record* sorted_object_record_head_bank1();
void rewind_object_records_bank1();
// The record under the cursor: address, length and as many of its bytes as
// `bytes` holds (the update steps pass 4 KB); false at the end.
bool next_object_record_bank1(std::int32_t& address, std::uint16_t& length, std::span<std::uint8_t> bytes);

}  // namespace vx::fwupdate

#include "fwupdate/object_walk.h"

#include "loaders/debug_context.h"

namespace vx::fwupdate {

void start_updater_object_loading() { loaders::reset_debug_contexts(loaders::ObjectOrder::sorted_on_walk); }

const loaders::object_record* sorted_object_record_head_bank1() {
  return loaders::get_object_record_list().sorted_head();
}

void rewind_object_records_bank1() { loaders::rewind_object_records(); }

bool next_object_record_bank1(std::int32_t& address, std::uint16_t& length, std::span<std::uint8_t> bytes) {
  return loaders::next_object_record(address, length, bytes);
}

}  // namespace vx::fwupdate

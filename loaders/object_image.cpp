#include "loaders/object_image.h"

#include <algorithm>

#include "foundation/file_checks.h"
#include "loaders/load_driver.h"
#include "loaders/srecord_image.h"

namespace vx::loaders {
namespace {

ObjectImage image_state;

// The next record into the image's copy; false when none (or an empty one) came.
bool fetch_image_record() {
  ObjectImage& image = image_state;
  std::uint16_t length = 0;
  image.position = 0;
  image.readable = next_object_record(image.address, length, image.bytes);
  image.length = std::min<std::uint16_t>(length, block_capacity);
  return image.readable && image.length != 0;
}

}  // namespace

ObjectImage& object_image() { return image_state; }

void reset_object_image() { image_state = ObjectImage{}; }

void install_address_remap_table(const AddressRemapTable* table) { image_state.remap_table = table; }

void forget_object_image() {
  image_state.loaded = false;
  image_state.readable = false;
  image_state.length = 0;
  image_state.position = 0;
}

void mark_object_image_loaded() { image_state.loaded = true; }

bool load_object_image(const ShortText& name) {
  forget_object_image();
  clear_object_records();
  if (!valid_file_exists(name)) return false;
  if (!LOAD_OBJECT_FILE(name, load_object_bytes)) return false;
  reset_image_block_state();
  mark_object_image_loaded();
  first_image_block();
  return true;
}

bool next_image_byte(std::int32_t& address, std::uint8_t& byte) {
  ObjectImage& image = image_state;
  if (!image.readable || (image.position >= image.length && !fetch_image_record())) {
    address = -1;
    byte = 0;
    return false;
  }
  byte = image.bytes[image.position];
  address = static_cast<std::int32_t>(static_cast<std::uint32_t>(image.address) + image.position);
  ++image.position;
  remap_image_address(address);
  return true;
}

void rewind_object_image() {
  rewind_object_records();
  image_state.readable = image_state.loaded;
  image_state.length = 0;
  image_state.position = 0;
}

bool first_image_block() {
  rewind_object_image();
  if (!image_state.loaded) return false;
  fetch_image_record();
  return image_state.readable;
}

bool next_image_record(std::int32_t& address, std::uint16_t& length, std::span<std::uint8_t> bytes) {
  if (!image_state.loaded || !next_object_record(address, length, bytes)) return false;
  remap_image_address(address);
  return true;
}

bool remap_image_address(std::int32_t& address) {
  const AddressRemapTable* table = image_state.remap_table;
  if (address == -1 || table == nullptr) return false;
  const std::size_t count = std::min<std::size_t>(table->count, AddressRemapTable::capacity);
  for (std::size_t i = 0; i < count; ++i) {
    const RemapTriple& triple = table->triples[i];
    if (triple.first <= address && address <= triple.last) {
      address =
          static_cast<std::int32_t>(static_cast<std::uint32_t>(address) - static_cast<std::uint32_t>(triple.first) +
                                    static_cast<std::uint32_t>(triple.new_first));
      return true;
    }
  }
  return false;
}

void clear_object_image() {
  forget_object_image();
  clear_object_records();
  ModuleInterface& module = current_debug_context().module;
  module.object_record_count = 0;
  module.object_byte_count = 0;
}

}  // namespace vx::loaders

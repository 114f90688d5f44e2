#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <vector>

namespace vx::loaders {

// One block of object bytes; the bytes follow the fields in the same allocation.
struct object_record {
  std::int32_t address;
  std::uint16_t length;
  object_record* next;

  std::uint8_t* data() { return reinterpret_cast<std::uint8_t*>(this + 1); }
  const std::uint8_t* data() const { return reinterpret_cast<const std::uint8_t*>(this + 1); }
};

// How the store keeps its records in order.
enum class ObjectOrder {
  // Each record takes its place in ascending (signed) address order at once:
  // one of equal address goes before the first of them, unless they end the
  // store above a lower head, when it goes after the last.
  address_order,
  // Records are kept in arrival order and sorted only when a walk starts and
  // one arrived below its predecessor (the firmware updater's loading).
  sorted_on_walk,
};

// The object records of one loading context. Records compare their
// addresses as signed 32-bit numbers.
class ObjectRecordStore {
 public:
  explicit ObjectRecordStore(ObjectOrder order = ObjectOrder::address_order) : order_(order) {}
  ~ObjectRecordStore() { clear(); }
  ObjectRecordStore(const ObjectRecordStore&) = delete;
  ObjectRecordStore& operator=(const ObjectRecordStore&) = delete;

  // False when the record cannot be allocated; nothing is stored then.
  bool put(std::int32_t address, std::uint16_t length, const std::uint8_t* data);
  // Frees every record; the byte total and the cursor start again.
  void clear();

  // The first and the last record of the list; in address_order every read
  // of the list first links the records that wait for their place.
  const object_record* head();
  const object_record* tail();
  // The first record in address order, sorting first when records wait for it.
  const object_record* sorted_head();

  void rewind() { cursor_ = sorted_head(); }
  // The record under the cursor: its address, its length and as many of its
  // bytes as `bytes` holds; false at the end, and so on until a rewind.
  bool next(std::int32_t& address, std::uint16_t& length, std::span<std::uint8_t> bytes);

  std::int32_t byte_total() const { return byte_total_; }
  // Whether records wait for a sort.
  bool unsorted() const { return unsorted_; }

  // The most records the store will hold; a test stands in for exhausted memory with it.
  void set_record_limit(std::size_t limit) { record_limit_ = limit; }

 private:
  void append(object_record* record);
  void link_in_address_order(object_record* record);
  // Links the list again in the order of the keys.
  void link_by_key();

  ObjectOrder order_;
  object_record* head_ = nullptr;
  object_record* tail_ = nullptr;
  const object_record* cursor_ = nullptr;
  std::int32_t byte_total_ = 0;
  std::size_t record_count_ = 0;
  std::size_t record_limit_ = std::numeric_limits<std::size_t>::max();
  // Every record in arrival order, and the place of each: its address, its
  // side of the records of equal address and its arrival number, sorted
  // when the list is linked by them. The lowest and highest address held.
  std::vector<object_record*> arrivals_;
  std::vector<std::uint64_t> keys_;
  std::int32_t lowest_ = 0;
  std::int32_t highest_ = 0;
  // sorted_on_walk: one arrived below its predecessor since the last sort.
  // address_order: one arrived inside the list; until the sort only
  // arrivals_ holds the records, and the list's links are stale.
  bool unsorted_ = false;
};

}  // namespace vx::loaders

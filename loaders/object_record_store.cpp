#include "loaders/object_record_store.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <utility>

namespace vx::loaders {
namespace {

object_record* allocate_record(std::uint16_t length) {
  void* memory = ::operator new(sizeof(object_record) + length, std::nothrow);
  return memory == nullptr ? nullptr : new (memory) object_record{};
}

void free_record(object_record* record) {
  record->~object_record();
  ::operator delete(record);
}

// The arrival number fits the 31 low bits of an order key.
constexpr std::size_t max_records = std::size_t{1} << 31;

// Signed address order first; among equal addresses the records put before
// them come last-first, then the ones put behind them first-first.
std::uint64_t order_key(std::int32_t address, bool behind_equals, std::size_t number) {
  const std::uint64_t rank = static_cast<std::uint32_t>(address) ^ 0x80000000u;
  const auto n = static_cast<std::uint32_t>(number);
  return rank << 32 | (behind_equals ? 0x80000000u + n : 0x7FFFFFFFu - n);
}

// Least significant byte first; a byte that every key shares costs no pass.
// Without memory for the second buffer a comparison sort does it.
void sort_keys(std::vector<std::uint64_t>& keys) {
  std::vector<std::uint64_t> other;
  try {
    other.resize(keys.size());
  } catch (const std::bad_alloc&) {
    std::sort(keys.begin(), keys.end());
    return;
  }
  std::array<std::array<std::size_t, 256>, 8> counts{};
  for (const std::uint64_t key : keys) {
    for (std::size_t byte = 0; byte < 8; ++byte) ++counts[byte][key >> 8 * byte & 0xFF];
  }
  for (std::size_t byte = 0; byte < 8; ++byte) {
    std::array<std::size_t, 256>& starts = counts[byte];
    if (starts[keys.front() >> 8 * byte & 0xFF] == keys.size()) continue;
    std::size_t start = 0;
    for (std::size_t& count : starts) start += std::exchange(count, start);
    for (const std::uint64_t key : keys) other[starts[key >> 8 * byte & 0xFF]++] = key;
    keys.swap(other);
  }
}

std::size_t arrival_number(std::uint64_t key) {
  const auto low = static_cast<std::uint32_t>(key);
  return low >= 0x80000000u ? low - 0x80000000u : 0x7FFFFFFFu - low;
}

}  // namespace

bool ObjectRecordStore::put(std::int32_t address, std::uint16_t length, const std::uint8_t* data) {
  if (record_count_ >= std::min(record_limit_, max_records)) return false;
  object_record* record = allocate_record(length);
  if (record == nullptr) return false;
  record->address = address;
  record->length = length;
  record->next = nullptr;
  if (length != 0) std::memcpy(record->data(), data, length);
  // In address order a record goes behind its equals only when they end the store above a lower head.
  const bool behind_equals = order_ == ObjectOrder::sorted_on_walk ||
                             (record_count_ != 0 && lowest_ < address && highest_ <= address);
  try {
    keys_.push_back(order_key(address, behind_equals, record_count_));
    arrivals_.push_back(record);
  } catch (const std::bad_alloc&) {
    keys_.resize(arrivals_.size());
    free_record(record);
    return false;
  }
  if (order_ == ObjectOrder::address_order) {
    link_in_address_order(record);
  } else {
    if (tail_ != nullptr && address < tail_->address) unsorted_ = true;
    append(record);
  }
  if (record_count_ == 0 || address < lowest_) lowest_ = address;
  if (record_count_ == 0 || address > highest_) highest_ = address;
  byte_total_ = static_cast<std::int32_t>(static_cast<std::uint32_t>(byte_total_) + length);
  ++record_count_;
  return true;
}

void ObjectRecordStore::append(object_record* record) {
  if (tail_ == nullptr) {
    head_ = record;
  } else {
    tail_->next = record;
  }
  tail_ = record;
}

// A record at either end is linked at once; one inside waits for the sort
// of the keys, so a shuffled file costs one sort instead of a walk per record.
void ObjectRecordStore::link_in_address_order(object_record* record) {
  if (unsorted_) return;
  if (head_ == nullptr || head_->address >= record->address) {
    record->next = head_;
    head_ = record;
    if (tail_ == nullptr) tail_ = record;
  } else if (tail_->address <= record->address) {
    append(record);
  } else {
    unsorted_ = true;
  }
}

void ObjectRecordStore::link_by_key() {
  sort_keys(keys_);
  object_record* before = nullptr;
  for (const std::uint64_t key : keys_) {
    object_record* record = arrivals_[arrival_number(key)];
    if (before == nullptr) {
      head_ = record;
    } else {
      before->next = record;
    }
    before = record;
  }
  before->next = nullptr;
  tail_ = before;
}

void ObjectRecordStore::clear() {
  for (object_record* record : arrivals_) free_record(record);
  arrivals_.clear();
  keys_.clear();
  head_ = tail_ = nullptr;
  cursor_ = nullptr;
  byte_total_ = 0;
  record_count_ = 0;
  unsorted_ = false;
}

const object_record* ObjectRecordStore::head() {
  return order_ == ObjectOrder::address_order ? sorted_head() : head_;
}

const object_record* ObjectRecordStore::tail() {
  if (order_ == ObjectOrder::address_order) sorted_head();
  return tail_;
}

const object_record* ObjectRecordStore::sorted_head() {
  if (unsorted_) {
    link_by_key();
    unsorted_ = false;
  }
  return head_;
}

bool ObjectRecordStore::next(std::int32_t& address, std::uint16_t& length, std::span<std::uint8_t> bytes) {
  if (cursor_ == nullptr) return false;
  // A record that came in since the rewind may follow the cursor.
  if (order_ == ObjectOrder::address_order) sorted_head();
  address = cursor_->address;
  length = cursor_->length;
  const std::size_t copied = std::min<std::size_t>(length, bytes.size());
  if (copied != 0) std::memcpy(bytes.data(), cursor_->data(), copied);
  cursor_ = cursor_->next;
  return true;
}

}  // namespace vx::loaders

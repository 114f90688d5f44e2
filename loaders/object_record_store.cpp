#include "loaders/object_record_store.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <new>

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

}  // namespace

bool ObjectRecordStore::put(std::int32_t address, std::uint16_t length, const std::uint8_t* data) {
  if (record_count_ >= record_limit_) return false;
  object_record* record = allocate_record(length);
  if (record == nullptr) return false;
  record->address = address;
  record->length = length;
  record->next = nullptr;
  if (length != 0) std::memcpy(record->data(), data, length);
  try {
    if (order_ == ObjectOrder::address_order) {
      link_in_address_order(record);
    } else {
      arrivals_.push_back(record);
      if (tail_ != nullptr && address < tail_->address) unsorted_ = true;
      append(record);
    }
  } catch (const std::bad_alloc&) {
    free_record(record);
    return false;
  }
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

// A record equal to the head goes before it, one equal to the tail after
// it, and one inside goes before the first record of equal or higher address.
// The index is made when a record first goes inside, so records that come in
// order cost no more than a link; nothing changes before it has room for the address.
void ObjectRecordStore::link_in_address_order(object_record* record) {
  const AddressRun alone{record, record};
  if (head_ == nullptr || head_->address >= record->address) {
    if (!runs_.empty()) runs_.try_emplace(runs_.begin(), record->address, alone)->second.first = record;
    record->next = head_;
    head_ = record;
    if (tail_ == nullptr) tail_ = record;
    return;
  }
  if (tail_->address <= record->address) {
    if (!runs_.empty()) runs_.try_emplace(runs_.end(), record->address, alone)->second.last = record;
    append(record);
    return;
  }
  if (runs_.empty()) index_runs();
  const auto run = runs_.try_emplace(record->address, alone).first;
  // The head lies below, so a lower address is held.
  object_record* before = std::prev(run)->second.last;
  record->next = before->next;
  before->next = record;
  run->second.first = record;
}

void ObjectRecordStore::index_runs() {
  try {
    for (object_record* r = head_; r != nullptr; r = r->next) {
      runs_.try_emplace(runs_.end(), r->address, AddressRun{r, r})->second.last = r;
    }
  } catch (const std::bad_alloc&) {
    runs_.clear();
    throw;
  }
}

void ObjectRecordStore::clear() {
  object_record* record = head_;
  while (record != nullptr) {
    object_record* next = record->next;
    free_record(record);
    record = next;
  }
  head_ = tail_ = nullptr;
  cursor_ = nullptr;
  byte_total_ = 0;
  record_count_ = 0;
  arrivals_.clear();
  runs_.clear();
  unsorted_ = false;
}

const object_record* ObjectRecordStore::sorted_head() {
  if (!unsorted_) return head_;
  std::stable_sort(arrivals_.begin(), arrivals_.end(),
                   [](const object_record* a, const object_record* b) { return a->address < b->address; });
  for (std::size_t i = 0; i + 1 < arrivals_.size(); ++i) arrivals_[i]->next = arrivals_[i + 1];
  arrivals_.back()->next = nullptr;
  head_ = arrivals_.front();
  tail_ = arrivals_.back();
  unsorted_ = false;
  return head_;
}

bool ObjectRecordStore::next(std::int32_t& address, std::uint16_t& length, std::span<std::uint8_t> bytes) {
  if (cursor_ == nullptr) return false;
  address = cursor_->address;
  length = cursor_->length;
  const std::size_t copied = std::min<std::size_t>(length, bytes.size());
  if (copied != 0) std::memcpy(bytes.data(), cursor_->data(), copied);
  cursor_ = cursor_->next;
  return true;
}

}  // namespace vx::loaders

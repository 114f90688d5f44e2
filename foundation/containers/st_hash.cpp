#include "foundation/containers/st_hash.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <utility>

#include "foundation/containers/st_exception.h"

namespace vx {

TStHashNode::TStHashNode(std::span<const std::byte> key, void* node_data)
    : TStNode(node_data), key_(key.begin(), key.end()) {}

TStHashTable::TStHashTable(std::size_t key_size, std::int32_t hash_size, std::int32_t max_nodes)
    : key_size_(key_size), max_nodes_(max_nodes) {
  if (key_size == 0 || max_nodes < 1) {
    throw EStContainerError(st_bad_size);
  }
  set_hash_size(hash_size);
}

TStHashTable::~TStHashTable() { clear(); }

void TStHashTable::set_equal_function(TStEqualFunc routine) {
  Lock lock(mutex());
  if (count_ == 0) {
    equal_ = routine;
  }
}

void TStHashTable::set_hash_function(TStHashFunc routine) {
  Lock lock(mutex());
  if (count_ == 0) {
    hash_ = routine;
  }
}

std::int32_t TStHashTable::bucket_of(TStKey key) const {
  const std::int32_t bucket = hash_(key, hash_size_);
  if (bucket < 0 || bucket >= hash_size_) {
    throw std::out_of_range("hash routine gave a bucket outside the table");
  }
  return bucket;
}

TStHashNode* TStHashTable::find(TStKey key, std::int32_t& bucket, TStHashNode*& previous) {
  if (equal_ == nullptr || hash_ == nullptr) {
    throw EStContainerError(st_no_compare);
  }
  if (key.size() != key_size_) {
    throw EStContainerError(st_bad_size);
  }
  bucket = bucket_of(key);
  previous = nullptr;
  for (TStHashNode* node = heads_[bucket]; node != nullptr; node = node->next) {
    if (equal_(node->key(), key) == 0) {
      return node;
    }
    previous = node;
  }
  return nullptr;
}

std::int64_t TStHashTable::next_stamp() {
  if (recency_ >= max_nodes_) {
    renumber_stamps();
  }
  return ++recency_;
}

void TStHashTable::renumber_stamps() {
  std::vector<TStHashNode*> nodes;
  nodes.reserve(static_cast<std::size_t>(count_));
  for (TStHashNode* head : heads_) {
    for (TStHashNode* node = head; node != nullptr; node = node->next) {
      nodes.push_back(node);
    }
  }
  std::sort(nodes.begin(), nodes.end(), [](const TStHashNode* a, const TStHashNode* b) { return a->stamp < b->stamp; });
  recency_ = 0;
  for (TStHashNode* node : nodes) {
    node->stamp = ++recency_;
  }
}

void TStHashTable::drop_oldest_tail() {
  std::int32_t oldest = -1;
  for (std::int32_t bucket = 0; bucket < hash_size_; ++bucket) {
    if (tails_[bucket] != nullptr && (oldest < 0 || tails_[bucket]->stamp < tails_[oldest]->stamp)) {
      oldest = bucket;
    }
  }
  if (oldest < 0) {
    return;
  }
  TStHashNode* previous = nullptr;
  for (TStHashNode* node = heads_[oldest]; node != tails_[oldest]; node = node->next) {
    previous = node;
  }
  std::unique_ptr<TStHashNode> dropped(tails_[oldest]);
  if (previous != nullptr) {
    previous->next = nullptr;
  } else {
    heads_[oldest] = nullptr;
  }
  tails_[oldest] = previous;
  --count_;
  dispose_data(dropped->data);
}

void TStHashTable::add(TStKey key, void* data) {
  Lock lock(mutex());
  std::int32_t bucket = 0;
  TStHashNode* previous = nullptr;
  if (find(key, bucket, previous) != nullptr) {
    throw EStContainerError(st_duplicate_node);
  }
  auto node = std::make_unique<TStHashNode>(key, data);
  if (count_ >= max_nodes_) {
    drop_oldest_tail();
  }
  node->stamp = next_stamp();
  node->next = heads_[bucket];
  if (tails_[bucket] == nullptr) {
    tails_[bucket] = node.get();
  }
  heads_[bucket] = node.release();
  ++count_;
}

bool TStHashTable::exists(TStKey key, void*& data) {
  Lock lock(mutex());
  std::int32_t bucket = 0;
  TStHashNode* previous = nullptr;
  TStHashNode* node = find(key, bucket, previous);
  if (node == nullptr) {
    return false;
  }
  if (previous != nullptr) {
    previous->next = node->next;
    if (tails_[bucket] == node) {
      tails_[bucket] = previous;
    }
    node->next = heads_[bucket];
    heads_[bucket] = node;
  }
  node->stamp = next_stamp();
  data = node->data;
  return true;
}

void TStHashTable::add_all_of(const std::vector<TStHashNode*>& heads) {
  for (const TStHashNode* head : heads) {
    for (const TStHashNode* node = head; node != nullptr; node = node->next) {
      add(node->key(), node->data);
    }
  }
}

void TStHashTable::free_nodes(std::vector<TStHashNode*>& heads) noexcept {
  for (TStHashNode*& head : heads) {
    while (head != nullptr) {
      delete std::exchange(head, head->next);
    }
  }
}

void TStHashTable::set_hash_size(std::int32_t hash_size) {
  Lock lock(mutex());
  if (hash_size <= 0) {
    throw EStContainerError(st_bad_size);
  }
  if (hash_size == hash_size_) {
    return;
  }
  std::vector<TStHashNode*> old_heads(static_cast<std::size_t>(hash_size), nullptr);
  std::vector<TStHashNode*> old_tails(static_cast<std::size_t>(hash_size), nullptr);
  old_heads.swap(heads_);
  old_tails.swap(tails_);
  const std::int32_t old_hash_size = std::exchange(hash_size_, hash_size);
  const std::int32_t old_count = std::exchange(count_, 0);
  const std::int64_t old_recency = recency_;
  try {
    // The old nodes keep owning the data until every pointer has a new node.
    add_all_of(old_heads);
  } catch (...) {
    free_nodes(heads_);
    heads_ = std::move(old_heads);
    tails_ = std::move(old_tails);
    hash_size_ = old_hash_size;
    count_ = old_count;
    recency_ = old_recency;
    throw;
  }
  free_nodes(old_heads);
}

std::int32_t TStHashTable::hash_size() const {
  Lock lock(mutex());
  return hash_size_;
}

void TStHashTable::clear() {
  Lock lock(mutex());
  for (std::size_t bucket = 0; bucket < heads_.size(); ++bucket) {
    while (heads_[bucket] != nullptr) {
      std::unique_ptr<TStHashNode> node(heads_[bucket]);
      heads_[bucket] = node->next;
      if (heads_[bucket] == nullptr) {
        tails_[bucket] = nullptr;
      }
      --count_;
      dispose_data(node->data);
    }
  }
  recency_ = 0;
}

void TStHashTable::assign(const TStHashTable& source) {
  if (&source == this) {
    return;
  }
  std::scoped_lock lock(mutex(), source.mutex());
  clear();
  key_size_ = source.key_size_;
  add_all_of(source.heads_);
}

const TStHashNode* TStHashTable::bucket_head(std::int32_t bucket) const {
  Lock lock(mutex());
  return heads_.at(static_cast<std::size_t>(bucket));
}

}  // namespace vx

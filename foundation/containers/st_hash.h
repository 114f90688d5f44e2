#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "foundation/containers/st_container.h"

namespace vx {

// A node of a hash table: a copy of its key and the stamp of its last use.
class TStHashNode : public TStNode {
 public:
  TStHashNode(std::span<const std::byte> key, void* node_data);

  std::span<const std::byte> key() const noexcept { return key_; }

  TStHashNode* next = nullptr;
  std::int64_t stamp = 0;

 private:
  std::vector<std::byte> key_;
};

// A chained hash table over keys of a fixed size. Lookups move the found
// node to the front of its bucket; when the table is full the least
// recently used of the buckets' tails gives way.
class TStHashTable : public TStContainer {
 public:
  using TStKey = std::span<const std::byte>;
  // 0 when the keys are equal.
  using TStEqualFunc = int (*)(TStKey key1, TStKey key2);
  // A bucket number from 0 to hash_size - 1.
  using TStHashFunc = std::int32_t (*)(TStKey key, std::int32_t hash_size);

  static constexpr std::int32_t default_max_nodes = 2147483647;

  // Error 53 for a key size of 0 or a hash size below 1. max_nodes is also
  // the stamp count at which the stamps are renumbered.
  TStHashTable(std::size_t key_size, std::int32_t hash_size, std::int32_t max_nodes = default_max_nodes);
  ~TStHashTable() override;

  // Both take effect only while the table is empty.
  void set_equal_function(TStEqualFunc routine);
  void set_hash_function(TStHashFunc routine);

  // Error 54 when the key is present, 51 without equal or hash routine,
  // 53 for a key of another size.
  void add(TStKey key, void* data);
  bool exists(TStKey key, void*& data);

  // Error 53 below 1. Rebuilds the buckets, keeping every node's data; on
  // failure the table is left as it was.
  void set_hash_size(std::int32_t hash_size);
  std::int32_t hash_size() const;

  void clear() override;
  // Copies the other table's key size, keys and data pointers; this table
  // keeps its own routines and hash size.
  void assign(const TStHashTable& source);

 protected:
  const TStHashNode* bucket_head(std::int32_t bucket) const;

 private:
  TStHashNode* find(TStKey key, std::int32_t& bucket, TStHashNode*& previous);
  std::int32_t bucket_of(TStKey key) const;
  std::int64_t next_stamp();
  void renumber_stamps();
  void drop_oldest_tail();
  void add_all_of(const std::vector<TStHashNode*>& heads);
  static void free_nodes(std::vector<TStHashNode*>& heads) noexcept;

  std::size_t key_size_;
  std::int32_t hash_size_ = 0;
  std::int32_t max_nodes_;
  std::int64_t recency_ = 0;
  TStEqualFunc equal_ = nullptr;
  TStHashFunc hash_ = nullptr;
  std::vector<TStHashNode*> heads_;
  std::vector<TStHashNode*> tails_;
};

}  // namespace vx

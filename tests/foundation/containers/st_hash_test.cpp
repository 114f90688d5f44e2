#include "foundation/containers/st_hash.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <stdexcept>
#include <vector>

#include "foundation/containers/st_exception.h"

namespace vx {
namespace {

using TStKey = TStHashTable::TStKey;

std::int32_t key_value(TStKey key) {
  std::int32_t value = 0;
  std::memcpy(&value, key.data(), sizeof value);
  return value;
}

int int_equal(TStKey a, TStKey b) { return key_value(a) == key_value(b) ? 0 : 1; }

std::int32_t int_mod(TStKey key, std::int32_t hash_size) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(key_value(key)) % static_cast<std::uint32_t>(hash_size));
}

// Fails for key 42 once the table has 3 buckets.
std::int32_t fails_at_three(TStKey key, std::int32_t hash_size) {
  return hash_size == 3 && key_value(key) == 42 ? hash_size : int_mod(key, hash_size);
}

// A table of 32-bit keys whose data are the addresses of ints it disposes by counting.
class IntTable : public TStHashTable {
 public:
  explicit IntTable(std::int32_t hash_size, std::int32_t max_nodes = default_max_nodes, TStHashFunc hash = int_mod)
      : TStHashTable(sizeof(std::int32_t), hash_size, max_nodes) {
    set_equal_function(int_equal);
    set_hash_function(hash);
    set_on_dispose_data([this](TStContainer&, void* data) { disposed.push_back(data); });
  }
  // The base would clear after `disposed` is gone.
  ~IntTable() override { clear(); }

  void add_key(std::int32_t key, void* data) { add(std::as_bytes(std::span(&key, 1)), data); }

  void* find_key(std::int32_t key) {
    void* data = nullptr;
    return exists(std::as_bytes(std::span(&key, 1)), data) ? data : nullptr;
  }

  std::vector<std::int32_t> chain(std::int32_t bucket) const {
    std::vector<std::int32_t> keys;
    for (const TStHashNode* node = bucket_head(bucket); node != nullptr; node = node->next) {
      keys.push_back(key_value(node->key()));
    }
    return keys;
  }

  std::vector<void*> disposed;
};

template <typename Operation>
void expect_container_error(Operation operation, std::int32_t number) {
  try {
    operation();
    ADD_FAILURE() << "no error " << number;
  } catch (const EStContainerError& error) {
    EXPECT_EQ(error.error_code(), number);
  }
}

TEST(TStHashTable, BadSizesRaiseError53) {
  struct Case {
    std::size_t key_size;
    std::int32_t hash_size;
    std::int32_t max_nodes;
  };
  for (const Case& c : {Case{0, 10, 100}, Case{0, 0, 100}, Case{4, 0, 100}, Case{4, -1, 100}, Case{4, 10, 0}}) {
    SCOPED_TRACE(testing::Message() << c.key_size << "/" << c.hash_size << "/" << c.max_nodes);
    try {
      TStHashTable table(c.key_size, c.hash_size, c.max_nodes);
      ADD_FAILURE() << "created";
    } catch (const EStContainerError& error) {
      EXPECT_EQ(error.error_code(), 53);
      EXPECT_STREQ(error.what(), "Bad size parameter");
    }
  }
  IntTable table(4);
  expect_container_error([&] { table.set_hash_size(0); }, 53);
  EXPECT_EQ(table.hash_size(), 4);
  std::int16_t short_key = 1;
  expect_container_error([&] { table.add(std::as_bytes(std::span(&short_key, 1)), nullptr); }, 53);
}

TEST(TStHashTable, LookupWithoutEqualOrHashRoutineRaisesError51) {
  std::int32_t key = 1;
  void* data = nullptr;
  TStHashTable no_routines(4, 4);
  expect_container_error([&] { no_routines.add(std::as_bytes(std::span(&key, 1)), nullptr); }, 51);
  TStHashTable equal_only(4, 4);
  equal_only.set_equal_function(int_equal);
  expect_container_error([&] { equal_only.exists(std::as_bytes(std::span(&key, 1)), data); }, 51);
  TStHashTable hash_only(4, 4);
  hash_only.set_hash_function(int_mod);
  expect_container_error([&] { hash_only.exists(std::as_bytes(std::span(&key, 1)), data); }, 51);
}

TEST(TStHashTable, DuplicateKeyRaisesError54AndKeepsTheFirstData) {
  IntTable table(4);
  int first = 1;
  int second = 2;
  table.add_key(7, &first);
  try {
    table.add_key(7, &second);
    ADD_FAILURE() << "duplicate added";
  } catch (const EStContainerError& error) {
    EXPECT_EQ(error.error_code(), 54);
    EXPECT_STREQ(error.what(), "Attempt to add duplicate node to TStTree");
  }
  EXPECT_EQ(table.find_key(7), &first);
  EXPECT_EQ(table.count(), 1);
  EXPECT_EQ(table.find_key(8), nullptr);
}

TEST(TStHashTable, NewAndFoundNodesGoToTheFrontOfTheirBucket) {
  IntTable table(4);
  for (std::int32_t key : {1, 5, 9}) {
    table.add_key(key, nullptr);
  }
  EXPECT_EQ(table.chain(1), (std::vector<std::int32_t>{9, 5, 1}));
  table.find_key(1);
  EXPECT_EQ(table.chain(1), (std::vector<std::int32_t>{1, 9, 5}));
  table.find_key(5);  // the tail moves; its predecessor becomes the tail
  EXPECT_EQ(table.chain(1), (std::vector<std::int32_t>{5, 1, 9}));
  table.find_key(5);
  EXPECT_EQ(table.chain(1), (std::vector<std::int32_t>{5, 1, 9}));
  table.add_key(13, nullptr);
  EXPECT_EQ(table.chain(1), (std::vector<std::int32_t>{13, 5, 1, 9}));
  EXPECT_TRUE(table.chain(0).empty());
}

// Key 1 and 5 share bucket 1 of 4; a routine that finds every key equal
// would make 5 a duplicate of 1, one that hashes everything to 0 would hide 1.
TEST(TStHashTable, RoutinesChangeOnlyWhileTheTableIsEmpty) {
  IntTable table(4);
  int data = 0;
  table.add_key(1, &data);
  table.set_equal_function([](TStKey, TStKey) { return 0; });
  table.set_hash_function([](TStKey, std::int32_t) { return 0; });
  table.add_key(5, nullptr);
  EXPECT_EQ(table.find_key(1), &data);

  table.clear();
  table.set_equal_function([](TStKey, TStKey) { return 0; });
  table.add_key(1, nullptr);
  expect_container_error([&] { table.add_key(5, nullptr); }, 54);
}

TEST(TStHashTable, RehashKeepsEveryKeyAndDataWithoutDisposing) {
  IntTable table(4);
  std::vector<int> cells(100);
  for (std::int32_t key = 0; key < 100; ++key) {
    table.add_key(key * 3, &cells[static_cast<std::size_t>(key)]);
  }
  table.set_hash_size(7);
  table.set_hash_size(7);
  EXPECT_EQ(table.hash_size(), 7);
  EXPECT_EQ(table.count(), 100);
  for (std::int32_t key = 0; key < 100; ++key) {
    EXPECT_EQ(table.find_key(key * 3), &cells[static_cast<std::size_t>(key)]);
  }
  EXPECT_TRUE(table.disposed.empty());
}

TEST(TStHashTable, FailedRehashRestoresTheTable) {
  IntTable table(4, TStHashTable::default_max_nodes, fails_at_three);
  int a = 0;
  int b = 0;
  int c = 0;
  table.add_key(2, &a);
  table.add_key(6, &b);
  table.add_key(42, &c);
  const auto chain_before = table.chain(2);
  EXPECT_THROW(table.set_hash_size(3), std::out_of_range);
  EXPECT_EQ(table.hash_size(), 4);
  EXPECT_EQ(table.count(), 3);
  EXPECT_EQ(table.chain(2), chain_before);
  EXPECT_EQ(table.find_key(2), &a);
  EXPECT_EQ(table.find_key(6), &b);
  EXPECT_EQ(table.find_key(42), &c);
  EXPECT_TRUE(table.disposed.empty());
}

TEST(TStHashTable, ClearDisposesEveryNodeOnceAndDestructionTheRest) {
  std::vector<int> cells(10);
  {
    IntTable table(3);
    for (std::int32_t key = 0; key < 10; ++key) {
      table.add_key(key, &cells[static_cast<std::size_t>(key)]);
    }
    table.clear();
    EXPECT_EQ(table.count(), 0);
    EXPECT_EQ(table.find_key(4), nullptr);
    std::map<void*, int> times;
    for (void* data : table.disposed) {
      ++times[data];
    }
    EXPECT_EQ(times.size(), 10u);
    for (const auto& [data, n] : times) {
      EXPECT_EQ(n, 1);
    }
  }
  // Destruction disposes what is left: the leak check fails otherwise.
  TStHashTable owner(4, 2);
  owner.set_equal_function(int_equal);
  owner.set_hash_function(int_mod);
  owner.set_dispose_data([](void* data) { delete static_cast<std::int32_t*>(data); });
  for (std::int32_t key = 0; key < 5; ++key) {
    owner.add(std::as_bytes(std::span(&key, 1)), new std::int32_t(key));
  }
}

TEST(TStHashTable, AssignCopiesKeysAndDataAndIgnoresItself) {
  IntTable source(4);
  int a = 0;
  int b = 0;
  source.add_key(1, &a);
  source.add_key(2, &b);
  IntTable target(7);
  target.add_key(99, nullptr);
  target.assign(source);
  EXPECT_EQ(target.count(), 2);
  EXPECT_EQ(target.hash_size(), 7);
  EXPECT_EQ(target.find_key(1), &a);
  EXPECT_EQ(target.find_key(2), &b);
  EXPECT_EQ(target.find_key(99), nullptr);
  EXPECT_EQ(target.disposed, (std::vector<void*>{nullptr}));
  target.assign(target);
  EXPECT_EQ(target.count(), 2);
}

// With room for 3 nodes, the least recently used bucket tail gives way;
// the stamps are renumbered whenever their counter reaches 3.
TEST(TStHashTable, FullTableDropsTheOldestTailAndKeepsRecencyAcrossRenumbering) {
  IntTable table(4, 3);
  std::vector<int> cells(6);
  for (std::int32_t key = 1; key <= 3; ++key) {
    table.add_key(key, &cells[static_cast<std::size_t>(key)]);
  }
  table.add_key(4, &cells[4]);
  EXPECT_EQ(table.count(), 3);
  EXPECT_EQ(table.disposed, (std::vector<void*>{&cells[1]}));
  EXPECT_EQ(table.find_key(1), nullptr);

  EXPECT_EQ(table.find_key(2), &cells[2]);
  table.add_key(5, &cells[5]);
  EXPECT_EQ(table.disposed, (std::vector<void*>{&cells[1], &cells[3]}));
  for (std::int32_t round = 0; round < 10; ++round) {
    EXPECT_NE(table.find_key(4), nullptr);
    EXPECT_NE(table.find_key(2), nullptr);
  }
  table.add_key(1, &cells[1]);
  EXPECT_EQ(table.disposed.back(), &cells[5]);
  EXPECT_EQ(table.count(), 3);
}

}  // namespace
}  // namespace vx

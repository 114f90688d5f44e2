#include "loaders/object_record_store.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <vector>

namespace vx::loaders {
namespace {

struct Stored {
  std::int32_t address;
  std::uint8_t first_byte;
  friend bool operator==(const Stored&, const Stored&) = default;
};

void put(ObjectRecordStore& store, std::int32_t address, std::uint8_t tag, std::uint16_t length = 1) {
  std::vector<std::uint8_t> bytes(length, tag);
  ASSERT_TRUE(store.put(address, length, bytes.data()));
}

std::vector<Stored> walk(ObjectRecordStore& store) {
  std::vector<Stored> result;
  std::array<std::uint8_t, 256> bytes{};
  std::int32_t address = 0;
  std::uint16_t length = 0;
  store.rewind();
  while (store.next(address, length, bytes)) result.push_back({address, bytes[0]});
  return result;
}

struct OrderCase {
  const char* name;
  std::vector<std::pair<std::int32_t, std::uint8_t>> puts;
  std::vector<Stored> address_order;
};

const OrderCase order_cases[] = {
    {"ascending from any arrival", {{0x2000, 1}, {0x1000, 2}, {0x3000, 3}, {0x1800, 4}},
     {{0x1000, 2}, {0x1800, 4}, {0x2000, 1}, {0x3000, 3}}},
    {"equal to the head goes before it", {{0x1000, 1}, {0x2000, 2}, {0x1000, 3}},
     {{0x1000, 3}, {0x1000, 1}, {0x2000, 2}}},
    {"equal to the tail goes after it", {{0x1000, 1}, {0x2000, 2}, {0x2000, 3}},
     {{0x1000, 1}, {0x2000, 2}, {0x2000, 3}}},
    {"equal inside goes before it", {{0x1000, 1}, {0x3000, 2}, {0x2000, 3}, {0x2000, 4}},
     {{0x1000, 1}, {0x2000, 4}, {0x2000, 3}, {0x3000, 2}}},
    {"signed addresses", {{0x00000000, 1}, {static_cast<std::int32_t>(0x80000000), 2}, {0x7FFFFFFF, 3}},
     {{static_cast<std::int32_t>(0x80000000), 2}, {0x00000000, 1}, {0x7FFFFFFF, 3}}},
};

TEST(ObjectRecordStore, KeepsRecordsInSignedAddressOrder) {
  for (const OrderCase& c : order_cases) {
    ObjectRecordStore store;
    for (auto [address, tag] : c.puts) put(store, address, tag);
    EXPECT_EQ(walk(store), c.address_order) << c.name;
    EXPECT_EQ(store.head()->address, c.address_order.front().address) << c.name;
    EXPECT_EQ(store.tail()->address, c.address_order.back().address) << c.name;
  }
}

// One arrival: its address, its length and its place in the arrivals.
struct Arrival {
  std::int32_t address;
  std::uint16_t length;
  std::uint16_t number;
  friend bool operator==(const Arrival&, const Arrival&) = default;
};

// The insertion the store has always made, by walking a list from its head.
std::vector<Arrival> walked_insertion(const std::vector<Arrival>& arrivals) {
  std::vector<Arrival> list;
  for (const Arrival& a : arrivals) {
    if (list.empty() || list.front().address >= a.address) {
      list.insert(list.begin(), a);
    } else if (list.back().address <= a.address) {
      list.push_back(a);
    } else {
      auto before = list.begin();
      while (std::next(before)->address < a.address) ++before;
      list.insert(std::next(before), a);
    }
  }
  return list;
}

// The records from the head on, each told apart by the number in its first two bytes.
std::vector<Arrival> stored_arrivals(ObjectRecordStore& store) {
  std::vector<Arrival> result;
  for (const object_record* r = store.head(); r != nullptr; r = r->next) {
    result.push_back({r->address, r->length, static_cast<std::uint16_t>(r->data()[0] | r->data()[1] << 8)});
  }
  return result;
}

// Puts the arrivals and reads the list after every `read_every` of them and after the last.
testing::AssertionResult stores_as_walked(const std::vector<Arrival>& arrivals, std::size_t read_every) {
  ObjectRecordStore store;
  for (std::size_t i = 0; i < arrivals.size(); ++i) {
    const Arrival& a = arrivals[i];
    std::vector<std::uint8_t> bytes(a.length, 0xEE);
    bytes[0] = static_cast<std::uint8_t>(a.number);
    bytes[1] = static_cast<std::uint8_t>(a.number >> 8);
    if (!store.put(a.address, a.length, bytes.data())) return testing::AssertionFailure() << "refused";
    if ((i + 1) % read_every != 0 && i + 1 != arrivals.size()) continue;
    const std::vector<Arrival> stored = stored_arrivals(store);
    if (stored != walked_insertion({arrivals.begin(), arrivals.begin() + static_cast<std::ptrdiff_t>(i + 1)})) {
      return testing::AssertionFailure() << "order differs after " << i + 1;
    }
    if (store.tail()->address != stored.back().address || store.tail()->next != nullptr) {
      return testing::AssertionFailure() << "tail is not the last record after " << i + 1;
    }
  }
  return testing::AssertionSuccess();
}

TEST(ObjectRecordStore, PlacesEveryArrivalWhereAWalkFromTheHeadWould) {
  // Every sequence of up to six arrivals over three addresses: equal heads,
  // equal tails, equal addresses inside, and overlapping lengths; the list
  // read after every arrival and only at the end.
  const std::int32_t addresses[] = {static_cast<std::int32_t>(0xFFFFFF00), 0x100, 0x101};
  for (std::size_t count = 1; count <= 6; ++count) {
    std::size_t sequences = 1;
    for (std::size_t i = 0; i < count; ++i) sequences *= 3;
    for (std::size_t code = 0; code < sequences; ++code) {
      std::vector<Arrival> arrivals;
      for (std::size_t i = 0, rest = code; i < count; ++i, rest /= 3) {
        arrivals.push_back({addresses[rest % 3], static_cast<std::uint16_t>(2 + i % 2), static_cast<std::uint16_t>(i)});
      }
      EXPECT_TRUE(stores_as_walked(arrivals, 1)) << "sequence " << code << " of " << count;
      EXPECT_TRUE(stores_as_walked(arrivals, count)) << "sequence " << code << " of " << count;
    }
  }
  // A shuffled file's worth: thousands of overlapping records, many at one address.
  std::mt19937 random(7);
  std::vector<Arrival> arrivals;
  for (std::uint16_t n = 0; n < 3000; ++n) {
    const auto address = static_cast<std::int32_t>(0x8000 + random() % 600) - 0x200;
    arrivals.push_back({address, static_cast<std::uint16_t>(2 + random() % 8), n});
  }
  EXPECT_TRUE(stores_as_walked(arrivals, 1000));
}

TEST(ObjectRecordStore, ARecordPutDuringAWalkIsMetInItsPlace) {
  ObjectRecordStore store;
  put(store, 0x100, 1);
  put(store, 0x300, 3);
  std::array<std::uint8_t, 1> byte{};
  std::int32_t address = 0;
  std::uint16_t length = 0;
  store.rewind();
  put(store, 0x200, 2);
  ASSERT_TRUE(store.next(address, length, byte));
  EXPECT_EQ(address, 0x100);
  ASSERT_TRUE(store.next(address, length, byte));
  EXPECT_EQ(address, 0x200);
  ASSERT_TRUE(store.next(address, length, byte));
  EXPECT_EQ(address, 0x300);
  EXPECT_FALSE(store.next(address, length, byte));
}

TEST(ObjectRecordStore, SortsOnWalkOnlyWhenARecordCameOutOfOrder) {
  ObjectRecordStore store(ObjectOrder::sorted_on_walk);
  put(store, 0x2000, 1);
  put(store, 0x3000, 2);
  EXPECT_FALSE(store.unsorted());
  put(store, 0x1000, 3);
  put(store, static_cast<std::int32_t>(0xFFFFFF00), 4);
  EXPECT_TRUE(store.unsorted());
  EXPECT_EQ(store.head()->address, 0x2000);
  const std::vector<Stored> sorted{{static_cast<std::int32_t>(0xFFFFFF00), 4}, {0x1000, 3}, {0x2000, 1}, {0x3000, 2}};
  EXPECT_EQ(walk(store), sorted);
  EXPECT_FALSE(store.unsorted());
  EXPECT_EQ(walk(store), sorted);
  EXPECT_EQ(store.tail()->address, 0x3000);
  put(store, 0x4000, 5);
  EXPECT_FALSE(store.unsorted());
  EXPECT_EQ(walk(store).back(), (Stored{0x4000, 5}));
  store.clear();
  EXPECT_FALSE(store.unsorted());
  EXPECT_TRUE(walk(store).empty());
}

TEST(ObjectRecordStore, KeepsTheBytesAndTheTotal) {
  ObjectRecordStore store;
  const std::uint8_t bytes[] = {1, 2, 3, 4};
  ASSERT_TRUE(store.put(0x100, 4, bytes));
  ASSERT_TRUE(store.put(0x200, 0, nullptr));
  EXPECT_EQ(store.byte_total(), 4);
  std::array<std::uint8_t, 2> small{};
  std::int32_t address = 0;
  std::uint16_t length = 0;
  store.rewind();
  ASSERT_TRUE(store.next(address, length, small));
  EXPECT_EQ(length, 4);
  EXPECT_EQ(small, (std::array<std::uint8_t, 2>{1, 2}));
  ASSERT_TRUE(store.next(address, length, small));
  EXPECT_EQ(length, 0);
  EXPECT_FALSE(store.next(address, length, small));
  EXPECT_FALSE(store.next(address, length, small));
  store.clear();
  EXPECT_EQ(store.byte_total(), 0);
  EXPECT_EQ(store.head(), nullptr);
  EXPECT_FALSE(store.next(address, length, small));
}

TEST(ObjectRecordStore, AFullStoreRefusesAndStoresNothing) {
  ObjectRecordStore store;
  store.set_record_limit(1);
  put(store, 0x100, 1);
  const std::uint8_t byte = 2;
  EXPECT_FALSE(store.put(0x200, 1, &byte));
  EXPECT_EQ(store.byte_total(), 1);
  EXPECT_EQ(walk(store), (std::vector<Stored>{{0x100, 1}}));
}

}  // namespace
}  // namespace vx::loaders

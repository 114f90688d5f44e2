#include "fwupdate/object_walk.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "loaders/debug_context.h"

namespace vx::fwupdate {
namespace {

struct Walked {
  std::int32_t address;
  std::uint8_t first_byte;
  bool operator==(const Walked&) const = default;
};

std::vector<Walked> walk() {
  std::vector<Walked> walked;
  std::array<std::uint8_t, 4096> buffer{};
  std::int32_t address = 0;
  std::uint16_t length = 0;
  rewind_object_records_bank1();
  while (next_object_record_bank1(address, length, buffer)) walked.push_back({address, buffer[0]});
  return walked;
}

class UpdaterObjectWalk : public ::testing::Test {
 protected:
  UpdaterObjectWalk() { start_updater_object_loading(); }
  ~UpdaterObjectWalk() override { loaders::reset_debug_contexts(); }

  static void load(const std::vector<std::int32_t>& addresses) {
    std::uint8_t number = 0;
    for (const std::int32_t address : addresses) {
      const std::array<std::uint8_t, 2> bytes{++number, 0};
      ASSERT_TRUE(loaders::PUT_OBJECT_RECORD(address, bytes.size(), bytes.data()));
    }
  }
};

TEST_F(UpdaterObjectWalk, GivesAddressOrderSortingOnlyWhenNeeded) {
  struct Case {
    std::vector<std::int32_t> loaded;
    bool sorts;
    std::vector<Walked> walked;
  };
  const auto negative = static_cast<std::int32_t>(0xFFFFFF00);
  const Case cases[] = {
      {{0x2000, 0x1000, 0x3000}, true, {{0x1000, 2}, {0x2000, 1}, {0x3000, 3}}},
      {{0x1000, 0x2000, 0x3000}, false, {{0x1000, 1}, {0x2000, 2}, {0x3000, 3}}},
      {{0x100, negative}, true, {{negative, 2}, {0x100, 1}}},
      {{}, false, {}},
  };
  for (const Case& c : cases) {
    start_updater_object_loading();
    load(c.loaded);
    loaders::ObjectRecordStore& store = loaders::get_object_record_list();
    EXPECT_EQ(store.unsorted(), c.sorts);
    if (!c.loaded.empty()) {
      EXPECT_EQ(store.head()->address, c.loaded.front()) << "kept in arrival order until walked";
    }
    EXPECT_EQ(walk(), c.walked);
    EXPECT_FALSE(store.unsorted()) << "the next rewind does not sort again";
    EXPECT_EQ(walk(), c.walked);
    EXPECT_EQ(sorted_object_record_head_bank1() == nullptr, c.walked.empty());
  }
}

}  // namespace
}  // namespace vx::fwupdate

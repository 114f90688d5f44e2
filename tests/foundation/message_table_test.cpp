#include "foundation/message_table.h"

#include <gtest/gtest.h>

#include <array>

namespace vx {
namespace {

TEST(MessageTable, HoldsTheContainerMessages) {
  EXPECT_EQ(message_text(51), "Compare property must be set");
  EXPECT_EQ(message_text(52), "An incompatible class is passed to a method");
  EXPECT_EQ(message_text(53), "Bad size parameter");
  EXPECT_EQ(message_text(54), "Attempt to add duplicate node to TStTree");
  EXPECT_EQ(message_text(59), "Container's StoreData property is unassigned");
  EXPECT_EQ(message_text(60), "Container's LoadData property is unassigned");
}

TEST(MessageTable, LastEntryOfANumberWinsAndAMissingNumberIsEmpty) {
  constexpr std::array<MessageEntry, 3> table{{{5, "first"}, {6, "other"}, {5, "second"}}};
  EXPECT_EQ(message_text(table, 5), "second");
  EXPECT_EQ(message_text(table, 6), "other");
  EXPECT_EQ(message_text(table, 7), "");
  EXPECT_EQ(message_text(-1), "");
  EXPECT_EQ(message_text(55), "");
}

}  // namespace
}  // namespace vx

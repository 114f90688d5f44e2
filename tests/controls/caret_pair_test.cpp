#include "controls/caret_pair.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/ws/caret.h"
#include "platform/ws_test_support.h"

namespace vx::controls {
namespace {

using ws::testing_support::LoggingWindow;

class CaretPair : public ws::testing_support::WindowSystemTest {};

TEST_F(CaretPair, InsertModeShowsTheLineAndOverwriteTheBlock) {
  LoggingWindow owner;
  TOvcCaretPair pair(&owner);
  EXPECT_TRUE(pair.InsertMode());
  EXPECT_EQ(pair.Caret(), pair.InsertCaret());
  EXPECT_EQ(pair.InsertCaret()->Shape(), TOvcCaretShape::csVertLine);
  EXPECT_EQ(pair.OverwriteCaret()->Shape(), TOvcCaretShape::csBlock);
  pair.SetInsertMode(false);
  EXPECT_EQ(pair.Caret(), pair.OverwriteCaret());
  pair.SetInsertMode(true);
  EXPECT_EQ(pair.Caret(), pair.InsertCaret());
}

// The cell width is the width of the character under the caret.
TEST_F(CaretPair, TheOverwriteBlockCoversTheCharacterUnderIt) {
  LoggingWindow owner;
  TOvcCaretPair pair(&owner);
  pair.SetCellHeight(16);
  pair.SetInsertMode(false);
  pair.SetLinked(true);
  for (const int character_width : {3, 14}) {
    pair.SetCellWidth(character_width);
    EXPECT_EQ(ws::caret().width, character_width);
    EXPECT_EQ(ws::caret().height, 16);
  }
}

TEST_F(CaretPair, ReplacingTheCaretInUseSwitchesToTheNewOne) {
  LoggingWindow owner;
  TOvcCaretPair pair(&owner);
  const auto line = std::make_shared<TOvcCaret>();
  line->SetShape(TOvcCaretShape::csHorzLine);
  pair.SetOverwriteCaret(line);
  EXPECT_EQ(pair.Caret(), pair.InsertCaret());
  pair.SetInsertMode(false);
  EXPECT_EQ(pair.Caret(), line);
  const auto block = std::make_shared<TOvcCaret>();
  pair.SetOverwriteCaret(block);
  EXPECT_EQ(pair.Caret(), block);
}

// Two fields share one caret description: both follow its changes, and it
// lives on with the second when the first goes.
TEST_F(CaretPair, ASharedCaretOutlivesOneOwner) {
  LoggingWindow first_owner;
  LoggingWindow second_owner;
  auto first = std::make_unique<TOvcCaretPair>(&first_owner);
  TOvcCaretPair second(&second_owner);
  for (TOvcCaretPair* pair : {first.get(), &second}) {
    pair->SetCellHeight(16);
    pair->SetInsertMode(false);
  }
  second.SetOverwriteCaret(first->OverwriteCaret());
  const std::weak_ptr<TOvcCaret> shared = first->OverwriteCaret();

  shared.lock()->SetShape(TOvcCaretShape::csHalfBlock);
  EXPECT_EQ(first->OffsetY(), 8);
  EXPECT_EQ(second.OffsetY(), 8);

  first.reset();
  ASSERT_FALSE(shared.expired());
  second.SetCellWidth(12);
  second.SetLinked(true);
  shared.lock()->SetShape(TOvcCaretShape::csHorzLine);
  EXPECT_EQ(second.OffsetY(), 14);
  EXPECT_EQ(ws::caret().width, 12);
  EXPECT_EQ(ws::caret().height, 2);

  second.SetOverwriteCaret(std::make_shared<TOvcCaret>());
  EXPECT_TRUE(shared.expired());
}

}  // namespace
}  // namespace vx::controls

#include "foundation/containers/st_list.h"

#include <gtest/gtest.h>

#include <deque>
#include <random>
#include <vector>

#include "foundation/containers/st_dque.h"
#include "foundation/containers/st_exception.h"
#include "foundation/containers/st_hash.h"

namespace vx {
namespace {

// A list whose data are the addresses of `cells` and which records what it disposes.
class CellList : public TStDQue {
 public:
  CellList() {
    set_on_dispose_data([this](TStContainer&, void* data) { disposed.push_back(data); });
  }
  // The base would clear after `disposed` is gone.
  ~CellList() override { clear(); }
  std::vector<void*> contents() {
    std::vector<void*> data;
    for (std::int32_t i = 0; i < count(); ++i) {
      data.push_back(nth(i)->data);
    }
    return data;
  }
  std::vector<void*> disposed;
};

TEST(TStList, WalkStartsFromTheNearestKnownPosition) {
  struct Case {
    std::int32_t index;
    std::int32_t count;
    std::int32_t remembered;
    TStWalkStart start;
  };
  const Case cases[] = {
      {9, 10, 0, TStWalkStart::tail},       {0, 10, -1, TStWalkStart::head},     {9, 10, -1, TStWalkStart::tail},
      {2, 10, 8, TStWalkStart::head},       {7, 10, 3, TStWalkStart::tail},      {4, 10, 3, TStWalkStart::remembered},
      {5, 10, 5, TStWalkStart::remembered}, {0, 1, 0, TStWalkStart::remembered}, {6, 10, -1, TStWalkStart::tail},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.index << " of " << c.count << " after " << c.remembered);
    EXPECT_EQ(nth_walk_start(c.index, c.count, c.remembered), c.start);
  }
}

TEST(TStList, NthOutsideTheListIsNone) {
  CellList list;
  EXPECT_EQ(list.nth(0), nullptr);
  int cell = 0;
  for (int i = 0; i < 10; ++i) {
    list.append(&cell);
  }
  EXPECT_EQ(list.nth(-1), nullptr);
  EXPECT_EQ(list.nth(10), nullptr);
  EXPECT_NE(list.nth(9), nullptr);
}

// Random appends, inserts, deletes and lookups against a model: a stale
// remembered index would show as a wrong node.
TEST(TStList, NthStaysRightThroughEveryChange) {
  std::vector<int> cells(2000);
  CellList list;
  std::deque<void*> model;
  std::mt19937 random(12345);
  std::size_t next_cell = 0;
  for (int step = 0; step < 2000; ++step) {
    const auto size = static_cast<std::int32_t>(model.size());
    switch (random() % 4) {
      case 0:
        list.append(&cells[next_cell]);
        model.push_back(&cells[next_cell++]);
        break;
      case 1:
        list.insert(&cells[next_cell]);
        model.push_front(&cells[next_cell++]);
        break;
      case 2:
        if (size > 0) {
          const auto index = static_cast<std::int32_t>(random() % static_cast<unsigned>(size));
          list.delete_node(list.nth(index));
          model.erase(model.begin() + index);
        }
        break;
      default:
        for (int look = 0; look < 3 && size > 0; ++look) {
          const auto index = static_cast<std::int32_t>(random() % static_cast<unsigned>(size));
          ASSERT_EQ(list.nth(index)->data, model[static_cast<std::size_t>(index)]) << "step " << step;
        }
    }
    ASSERT_EQ(list.count(), static_cast<std::int32_t>(model.size()));
  }
  EXPECT_EQ(list.contents(), std::vector<void*>(model.begin(), model.end()));
}

TEST(TStList, DeleteNodeRefusesNodesItDidNotMake) {
  CellList list;
  CellList other;
  int a = 0;
  int b = 0;
  list.delete_node(nullptr);
  TStListNode stray(&a);
  list.delete_node(&stray);  // an empty list ignores any node
  list.append(&a);
  TStListNode* foreign = other.append(&b);
  std::int32_t key = 1;
  TStHashNode hash_node(std::as_bytes(std::span(&key, 1)), &b);
  for (TStNode* node : std::vector<TStNode*>{&stray, foreign, &hash_node}) {
    try {
      list.delete_node(node);
      ADD_FAILURE() << "deleted";
    } catch (const EStContainerError& error) {
      EXPECT_EQ(error.error_code(), 52);
      EXPECT_STREQ(error.what(), "An incompatible class is passed to a method");
    }
  }
  EXPECT_EQ(list.count(), 1);
  EXPECT_EQ(other.count(), 1);
  EXPECT_TRUE(list.disposed.empty());
}

TEST(TStList, IterateStopsWhenTheRoutineSaysSoAndSurvivesDeletingTheCurrentNode) {
  std::vector<int> cells{1, 2, 3, 4};
  CellList list;
  for (int& cell : cells) {
    list.append(&cell);
  }
  std::vector<int> seen;
  list.iterate(
      [](TStList&, void* data, void* extra) {
        static_cast<std::vector<int>*>(extra)->push_back(*static_cast<int*>(data));
        return *static_cast<int*>(data) < 3;
      },
      &seen);
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3}));

  // Each call deletes the head, which is the node it is given.
  seen.clear();
  list.iterate(
      [](TStList& l, void* data, void* extra) {
        static_cast<std::vector<int>*>(extra)->push_back(*static_cast<int*>(data));
        l.delete_node(l.nth(0));
        return true;
      },
      &seen);
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(list.count(), 0);
}

TEST(TStList, ClearDisposesEveryNodeOnceAndAssignCopiesInOrder) {
  std::vector<int> cells(5);
  CellList source;
  for (int& cell : cells) {
    source.append(&cell);
  }
  CellList copy;
  copy.append(&cells[0]);
  copy.assign(source);
  EXPECT_EQ(copy.contents(), source.contents());
  EXPECT_EQ(copy.disposed, (std::vector<void*>{&cells[0]}));
  copy.assign(copy);
  EXPECT_EQ(copy.count(), 5);

  source.nth(3);
  source.clear();
  EXPECT_EQ(source.count(), 0);
  EXPECT_EQ(source.nth(0), nullptr);
  EXPECT_EQ(source.disposed, (std::vector<void*>{&cells[0], &cells[1], &cells[2], &cells[3], &cells[4]}));
  source.append(&cells[1]);
  EXPECT_EQ(source.nth(0)->data, &cells[1]);
}

TEST(TStDQue, HeadIsTheTopOfAStack) {
  int a = 0;
  int b = 0;
  int c = 0;
  CellList stack;
  EXPECT_EQ(stack.peek_head(), nullptr);
  stack.pop_head();
  for (int* cell : {&a, &b, &c}) {
    stack.push_head(cell);
  }
  EXPECT_EQ(stack.peek_head(), &c);
  EXPECT_EQ(stack.nth(1)->data, &b);
  stack.pop_head();
  EXPECT_EQ(stack.peek_head(), &b);
  EXPECT_EQ(stack.disposed, (std::vector<void*>{&c}));
  EXPECT_EQ(stack.nth(1)->data, &a);
}

TEST(TStDQue, DestructionFreesWhatIsLeft) {
  TStDQue stack;
  stack.set_dispose_data([](void* data) { delete static_cast<std::int32_t*>(data); });
  for (std::int32_t value = 0; value < 3; ++value) {
    stack.push_head(new std::int32_t(value));
  }
  EXPECT_EQ(*static_cast<std::int32_t*>(stack.peek_head()), 2);
}

}  // namespace
}  // namespace vx

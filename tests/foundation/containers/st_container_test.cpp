#include "foundation/containers/st_container.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "foundation/containers/st_dque.h"
#include "foundation/containers/st_exception.h"

namespace vx {
namespace {

void expect_container_error(const auto& operation, std::int32_t number, const std::string& text) {
  try {
    operation();
    ADD_FAILURE() << "no error " << number;
  } catch (const EStContainerError& error) {
    EXPECT_EQ(error.error_code(), number);
    EXPECT_EQ(error.what(), text);
  }
}

TEST(TStContainer, HooksWithoutRoutineOrEventRaiseTheirErrors) {
  TStList list;
  std::stringstream stream;
  int a = 1;
  expect_container_error([&] { list.compare_data(&a, &a); }, 51, "Compare property must be set");
  expect_container_error([&] { list.load_data(stream); }, 60, "Container's LoadData property is unassigned");
  expect_container_error([&] { list.store_data(stream, &a); }, 59, "Container's StoreData property is unassigned");
  list.dispose_data(&a);
}

TEST(TStContainer, EventTakesPrecedenceOverRoutine) {
  TStList list;
  int a = 1;
  int b = 2;
  list.set_compare(
      [](const void* x, const void* y) { return *static_cast<const int*>(x) - *static_cast<const int*>(y); });
  EXPECT_EQ(list.compare_data(&a, &b), -1);
  list.set_on_compare([](TStContainer&, const void*, const void*) { return 99; });
  EXPECT_EQ(list.compare_data(&a, &b), 99);

  // The routine counts in the data itself; the event counts on its own.
  int routine_disposals = 0;
  int event_disposals = 0;
  list.set_dispose_data([](void* data) { ++*static_cast<int*>(data); });
  list.dispose_data(&routine_disposals);
  list.set_on_dispose_data([&](TStContainer&, void*) { ++event_disposals; });
  list.dispose_data(&routine_disposals);
  EXPECT_EQ(routine_disposals, 1);
  EXPECT_EQ(event_disposals, 1);

  std::stringstream stream("7");
  list.set_load_data([](std::istream& in) -> void* {
    int value = 0;
    in >> value;
    return new int(value);
  });
  void* loaded = list.load_data(stream);
  EXPECT_EQ(*static_cast<int*>(loaded), 7);
  delete static_cast<int*>(loaded);
  list.set_on_load_data([&](TStContainer&, std::istream&) -> void* { return &b; });
  EXPECT_EQ(list.load_data(stream), &b);

  std::ostringstream out;
  list.set_store_data([](std::ostream& o, void* data) { o << *static_cast<int*>(data); });
  list.store_data(out, &a);
  list.set_on_store_data([](TStContainer&, std::ostream& o, void*) { o << 'e'; });
  list.store_data(out, &a);
  EXPECT_EQ(out.str(), "1e");
}

}  // namespace
}  // namespace vx

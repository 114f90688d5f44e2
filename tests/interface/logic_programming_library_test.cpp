#include "interface/logic_programming_library.h"

#include <gtest/gtest.h>

#include <array>
#include <string_view>

namespace vx {
namespace {

// The calls the stand-in library saw, for the test to check.
struct LogicCalls {
  int count = 0;
  std::array<std::uintptr_t, 5> arguments{};
};
LogicCalls calls;

std::uint16_t fake_prog_main(std::uintptr_t a1, std::uintptr_t a2, std::uintptr_t a3, std::uintptr_t a4,
                             std::uintptr_t a5) {
  ++calls.count;
  calls.arguments = {a1, a2, a3, a4, a5};
  return 0xBEEF;
}

void* fake_library(std::string_view entry) {
  return entry == lattice_entry_name ? reinterpret_cast<void*>(&fake_prog_main) : nullptr;
}

class LogicLibraryTest : public testing::Test {
 protected:
  void SetUp() override { calls = {}; }
  void TearDown() override {
    reset_logic_library();
    platform::reset_dynlib();
  }
};

TEST_F(LogicLibraryTest, AbsentLibraryAnswersFalseAndTheEntryZero) {
  EXPECT_FALSE(load_lattice_dll(lattice_library_name));
  EXPECT_EQ(run_lattice_prog_main(1, 2, 3, 4, 5), 0);
  EXPECT_EQ(logic_library().library, 0u);
}

TEST_F(LogicLibraryTest, BeforeAnyLoadTheEntryAnswersZero) { EXPECT_EQ(run_lattice_prog_main(1, 2, 3, 4, 5), 0); }

TEST_F(LogicLibraryTest, BoundEntryGetsTheArgumentsInOrderWithFullPointerWidth) {
  platform::register_builtin_library(lattice_library_name, fake_library);
  ASSERT_TRUE(load_lattice_dll("LatticeProgDll.DLL"));
  const std::uintptr_t wide = static_cast<std::uintptr_t>(-1) - 7;  // uses every bit of a pointer
  EXPECT_EQ(run_lattice_prog_main(wide, 2, 3, 4, 5), 0xBEEF);
  EXPECT_EQ(calls.count, 1);
  EXPECT_EQ(calls.arguments, (std::array<std::uintptr_t, 5>{wide, 2, 3, 4, 5}));
  unload_lattice_dll();
  EXPECT_FALSE(logic_library().bound);
  EXPECT_EQ(run_lattice_prog_main(1, 2, 3, 4, 5), 0);
  EXPECT_EQ(calls.count, 1);
}

TEST_F(LogicLibraryTest, LibraryWithoutTheEntryStaysLoadedButUnboundUntilUnload) {
  platform::register_builtin_library(lattice_library_name, fake_library);
  platform::hide_builtin_entry(lattice_library_name, lattice_entry_name);
  EXPECT_FALSE(load_lattice_dll(lattice_library_name));
  const platform::LibraryHandle held = logic_library().library;
  EXPECT_NE(held, 0u);
  EXPECT_EQ(run_lattice_prog_main(1, 2, 3, 4, 5), 0);
  EXPECT_EQ(calls.count, 0);
  unload_lattice_dll();
  EXPECT_EQ(logic_library().library, 0u);
  // The handle was given back to the library layer.
  EXPECT_EQ(platform::library_entry(held, "anything"), nullptr);
}

TEST_F(LogicLibraryTest, LoadingTwiceReleasesTheFirstLibrary) {
  platform::register_builtin_library(lattice_library_name, fake_library);
  ASSERT_TRUE(load_lattice_dll(lattice_library_name));
  const platform::LibraryHandle first = logic_library().library;
  ASSERT_TRUE(load_lattice_dll(lattice_library_name));
  EXPECT_NE(logic_library().library, first);
  // The first handle no longer resolves anything: it was freed.
  EXPECT_EQ(platform::library_entry(first, lattice_entry_name), nullptr);
  EXPECT_EQ(run_lattice_prog_main(0, 0, 0, 0, 0), 0xBEEF);
}

}  // namespace
}  // namespace vx

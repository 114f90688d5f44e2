#include <gtest/gtest.h>

#include "programmer/program_windows.h"
#include "programmer/window_colors.h"
#include "programmer_fixture.h"

namespace vx::programmer {
namespace {

using test::ProgrammerTest;

struct Applied {
  std::uint16_t identifier;
  ws::Color foreground;
  ws::Color background;
  friend bool operator==(const Applied&, const Applied&) = default;
};

class WindowColorsTest : public ProgrammerTest {
 protected:
  WindowColorsTest() { program_windows().ChangeColor1 = std::make_unique<TChangeColor1>(); }
  ~WindowColorsTest() override { destroy_program_windows(); }

  ColorApply recorder() {
    return [this](std::uint16_t identifier, ws::Color foreground, ws::Color background) {
      applied.push_back({identifier, foreground, background});
    };
  }

  std::vector<Applied> applied;
};

TEST_F(WindowColorsTest, StoredColoursThatDifferFromTheDefaultsArePaintedAtOnce) {
  write("CQUILLHCS08.DSK",
        "[COLORS]\nStatus_Window_-_Status_Bar0005F=255\nStatus_Window_-_Dialog_Background0002B=65280\n"
        "Status_Window_-_Dialog_Commands0000F=100\nStatus_Window_-_Dialog_Commands0000B=200\n");
  register_window_color(recorder(), "Status Window - Status Bar", 1, 2, 5, 2);
  register_window_color(recorder(), "Status Window - Dialog Background", 7, 7, 2, 1);
  register_window_color(recorder(), "Status Window - Dialog Commands", 100, 200, 0, 0);
  register_window_color(recorder(), "Status Window - Dialog Responses", 3, 4, 1, 0);
  EXPECT_EQ(applied, (std::vector<Applied>{{5, 255, 2}, {2, 7, 65280}}));

  const auto& parts = program_windows().ChangeColor1->parts();
  ASSERT_EQ(parts.size(), 4u);
  EXPECT_EQ(parts[0].first, "Status Window - Status Bar");
  EXPECT_EQ(parts[0].second.applied_foreground, 255u);
  EXPECT_EQ(parts[3].second.applied_foreground, 3u);
  EXPECT_EQ(parts[3].second.mode, 0);
}

TEST_F(WindowColorsTest, WithoutTheRegistryARegistrationOnlyBeeps) {
  destroy_program_windows();
  const unsigned beeps = ws::beep_count();
  register_window_color(recorder(), "Status Window - Status Bar", 1, 2, 5, 2);
  EXPECT_EQ(ws::beep_count() - beeps, 50u);
  EXPECT_TRUE(applied.empty());
}

TEST_F(WindowColorsTest, KeysTakeUnderscoresForBlanksAndLoseControlCharacters) {
  write("CQUILLHCS08.DSK", "[COLORS]\nA_b_C=17\n");
  EXPECT_EQ(read_window_color(run_state().desktop_file_name, "\tA b C\r", 3), 17);
  EXPECT_EQ(read_window_color(run_state().desktop_file_name, "A b D", 3), 3);
  EXPECT_EQ(read_window_color(dir.file("missing.dsk"), "A b C", 4), 4);
}

}  // namespace
}  // namespace vx::programmer

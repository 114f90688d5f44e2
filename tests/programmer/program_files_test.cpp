#include <gtest/gtest.h>

#include "foundation/run_state.h"
#include "programmer/program_files.h"

namespace vx::programmer {
namespace {

TEST(ProgramFiles, BareNamesGoBesideTheProgramAndOverlongPathsAreRefused) {
  reset_run_state();
  run_state().program_directory = "/opt/vx";
  EXPECT_EQ(beside_program("quill.cfg"), ShortText("/opt/vx/quill.cfg"));
  EXPECT_EQ(beside_program("/tmp/a.cfg"), ShortText("/tmp/a.cfg"));
  run_state().program_directory = ShortText("/" + std::string(250, 'd'));
  EXPECT_FALSE(beside_program("quill.cfg")) << "a cut path would name another file";
  EXPECT_TRUE(beside_program("q"));
  reset_run_state();
}

}  // namespace
}  // namespace vx::programmer

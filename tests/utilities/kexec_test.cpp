#include "utilities/kexec.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/ws/form.h"
#include "platform/ws/timer.h"
#include "support/temp_dir.h"
#include "tests/platform/ws_test_support.h"

namespace vx::utilities {
namespace {

namespace fs = std::filesystem;

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The processes this one has started and not yet collected, zombies included.
int children_left() {
  int count = 0;
  const std::string parent = std::to_string(getpid());
  for (const auto& entry : fs::directory_iterator("/proc")) {
    std::ifstream stat(entry.path() / "stat");
    std::string line;
    if (!std::getline(stat, line)) continue;
    // pid (name) state ppid ...: the name may hold blanks, so read after its ')'.
    const std::size_t close = line.rfind(')');
    if (close == std::string::npos) continue;
    std::istringstream rest(line.substr(close + 2));
    std::string state, ppid;
    rest >> state >> ppid;
    if (ppid == parent) ++count;
  }
  return count;
}

class Launcher : public ws::testing_support::WindowSystemTest {
 protected:
  void SetUp() override {
    WindowSystemTest::SetUp();
    reset_kexec_state();
    setenv("VX_LAUNCHER_RECORD", record().c_str(), 1);
  }
  void TearDown() override {
    unsetenv("VX_LAUNCHER_RECORD");
    WindowSystemTest::TearDown();
  }

  std::string record() const { return dir.file("record"); }
  std::string recorded() const { return test::read_file(record()); }
  // Handles messages until the text is recorded, at most five seconds of real time.
  bool wait_for_record(const std::string& text) {
    for (int pass = 0; pass < 1000 && !contains(recorded(), text); ++pass) {
      ws::process_messages();
      usleep(5000);
    }
    return contains(recorded(), text);
  }

  test::TempDir dir;
};

TEST_F(Launcher, TheOutcomeOfAStart) {
  struct Case {
    const char* what;
    std::string program, parameters;
    std::uint16_t result;
  };
  const Case cases[] = {
      {"a missing program", dir.file("no such program"), "exit 0", 2},
      {"a program that may not run", record(), "", 13},
      {"exit code 0", VX_LAUNCHER_HOST, "exit 0", 0},
      {"exit code 7", VX_LAUNCHER_HOST, "exit 7", 7},
      {"killed by SIGKILL", VX_LAUNCHER_HOST, "kill", 137},
  };
  std::ofstream(record()) << "";  // exists, without execute permission
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    exec_program(c.program, c.parameters, true);
    EXPECT_EQ(kexec_state().exec_result, c.result);
    exec_program_short(c.program, c.parameters, true);
    EXPECT_EQ(kexec_state().exec_result, c.result) << "the short front end";
  }
}

TEST_F(Launcher, APathAndAQuotedParameterWithBlanksArriveAsWritten) {
  fs::create_directory(dir.path() / "a folder with blanks");
  const std::string program = dir.file("a folder with blanks/launcher host");
  fs::copy_file(VX_LAUNCHER_HOST, program);
  exec_program(program, "exit 0 \"a quoted parameter\"  plain \"\"", true);
  EXPECT_EQ(kexec_state().exec_result, 0);
  EXPECT_EQ(recorded(), "exit\n0\na quoted parameter\nplain\n\n--\n");
}

TEST_F(Launcher, AProgramLeftRunningLeavesNoZombie) {
  exec_program(VX_LAUNCHER_HOST, "exit 5", false);
  EXPECT_EQ(kexec_state().exec_result, 0) << "a program left running counts as success";
  ASSERT_TRUE(wait_for_record("--"));
  for (int pass = 0; pass < 1000 && children_left() > 0; ++pass) {
    ws::process_messages();
    usleep(5000);
  }
  EXPECT_EQ(children_left(), 0);
}

TEST_F(Launcher, TimersFireWhileTheWaitGoesOn) {
  const std::string release = dir.file("release");
  int fired = 0;
  ws::Timer timer(20);
  timer.on_timer = [&](ws::Timer&) {
    if (++fired == 3) std::ofstream(release) << "";
  };
  exec_program(VX_LAUNCHER_HOST, "wait " + release, true);
  EXPECT_EQ(kexec_state().exec_result, 0);
  EXPECT_GE(fired, 3) << "the program ends only after the third tick";
}

TEST_F(Launcher, ClosingTheWindowDuringTheWaitEndsItWith259AndTheProgramRunsOn) {
  const std::string release = dir.file("release");
  ws::Form window;
  ws::set_main_form(&window);
  window.show();
  ws::Timer timer(20);
  timer.on_timer = [&](ws::Timer& self) {
    self.set_enabled(false);
    window.close();
  };
  exec_program(VX_LAUNCHER_HOST, "wait " + release, true);
  EXPECT_EQ(kexec_state().exec_result, still_active);
  EXPECT_TRUE(ws::terminated());
  EXPECT_FALSE(contains(recorded(), "ended"));
  std::ofstream(release) << "";
  EXPECT_TRUE(wait_for_record("ended")) << "the program ran on after the wait";
  ws::set_main_form(nullptr);
}

TEST_F(Launcher, AShortCommandLineBeyond255CharactersIsNotStarted) {
  const std::string parameters = "exit 0 " + std::string(255, 'x');
  exec_program_short(VX_LAUNCHER_HOST, ShortText(parameters.substr(0, 250)), true);
  EXPECT_EQ(kexec_state().exec_result, command_line_too_long);
  EXPECT_EQ(recorded(), "") << "a cut command line would have been another command";
  exec_program(VX_LAUNCHER_HOST, parameters, true);
  EXPECT_EQ(kexec_state().exec_result, 0) << "the long front end has no such limit";
}

}  // namespace
}  // namespace vx::utilities

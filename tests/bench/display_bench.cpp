// Status lines on a display against the same run headless: the programmer, built as a user runs
// it, with its windows on Qt's offscreen platform and then with VX_HEADLESS=1, for a command file
// of remarks that writes about 100,000 status lines and for the production example. Each figure
// is the best of three runs of a fresh program directory. A tool run by `make bench-display`,
// not a test: it reports and never fails on the figures.
// The example's install checks its files with GoogleTest's macros.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "e2e/production_run.h"
#include "platform/clock.h"

namespace vx::test {
namespace {

constexpr int runs = 3;
// Each remark writes two status lines: its own and the blank one before it.
constexpr int remarks = 50'000;

struct Workload {
  const char* name;
  double goal;  // the display's time as a multiple of the headless one
  bool remarks_only;
};

struct Timing {
  double seconds = 0;
  std::size_t lines = 0;
  int exit_code = -1;
};

std::string remark_script() {
  std::string text;
  for (int i = 0; i < remarks; ++i) text += "Status line " + std::to_string(i) + " of the display bench.\n";
  return text;
}

Timing run_once(const Workload& workload, bool with_display) {
  ProductionRun bench;
  const std::vector<std::string> arguments =
      bench.arguments(workload.remarks_only ? remark_script() : bench.example_script());
  const std::uint64_t start = platform::clock().monotonic_microseconds();
  ChildProcess child(bench.install.program(), arguments, bench.install.environment(with_display));
  Timing timing;
  timing.exit_code = child.wait_for_exit();
  timing.seconds = static_cast<double>(platform::clock().monotonic_microseconds() - start) / 1e6;
  const std::string output = child.output();
  timing.lines = static_cast<std::size_t>(std::count(output.begin(), output.end(), '\n'));
  return timing;
}

Timing best_of(const Workload& workload, bool with_display) {
  Timing best;
  for (int i = 0; i < runs; ++i) {
    const Timing timing = run_once(workload, with_display);
    if (i == 0 || timing.seconds < best.seconds) best = timing;
  }
  return best;
}

}  // namespace
}  // namespace vx::test

int main() {
  using vx::test::Workload;
  const Workload workloads[] = {{"status lines", 3.0, true}, {"production example", 1.3, false}};
  std::printf("%-20s %9s %11s %11s %7s %6s\n", "workload", "lines", "headless s", "display s", "ratio", "goal");
  for (const Workload& workload : workloads) {
    const vx::test::Timing headless = vx::test::best_of(workload, false);
    const vx::test::Timing shown = vx::test::best_of(workload, true);
    const double ratio = shown.seconds / headless.seconds;
    std::printf("%-20s %9zu %11.3f %11.3f %6.2fx %5.1fx%s\n", workload.name, headless.lines, headless.seconds,
                shown.seconds, ratio, workload.goal, ratio <= workload.goal ? "" : "  (above the goal)");
    if (headless.exit_code != 0 || shown.exit_code != 0) {
      std::printf("  exit codes: headless %d, display %d\n", headless.exit_code, shown.exit_code);
    }
  }
  return 0;
}

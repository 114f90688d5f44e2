#include "programmer/programmer_run.h"

namespace vx::programmer {
namespace {

ProgrammerRun run;

}  // namespace

ProgrammerRun& programmer_run() { return run; }

void reset_programmer_run() { run = ProgrammerRun{}; }

}  // namespace vx::programmer

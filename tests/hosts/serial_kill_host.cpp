// The programmer as CQUILLHCS08 runs it on a simulated bench, ended the way a crash or a pulled
// plug ends it: VX_TEST_KILL_AT names a step of PS (read, reserved, programmed, read_back,
// finished, given_back), at which the process kills itself. When it dies there, and when the run
// ends, it tells the serial-number bytes on the board on stderr as "board: " and their
// hexadecimal digits.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "programmer/main_block.h"
#include "programmer/serial_commands.h"
#include "sim/simulated_world.h"

namespace {

using vx::programmer::SerialStep;

struct Crash {
  vx::sim::SimulatedWorld* world = nullptr;
  std::string step;
};

Crash& crash() {
  static Crash instance;
  return instance;
}

const char* step_name(SerialStep step) {
  switch (step) {
    case SerialStep::read: return "read";
    case SerialStep::reserved: return "reserved";
    case SerialStep::programmed: return "programmed";
    case SerialStep::read_back: return "read_back";
    case SerialStep::finished: return "finished";
    case SerialStep::given_back: return "given_back";
  }
  return "";
}

void tell_board() {
  const vx::programmer::SerialNumber& number = vx::programmer::serial_state().number;
  std::string digits;
  for (std::uint32_t i = 0; i < number.count; ++i) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02X", crash().world->target().peek(static_cast<std::uint16_t>(number.address + i)));
    digits += pair;
  }
  std::fprintf(stderr, "board: %s\n", digits.c_str());
  std::fflush(stderr);
}

void die_at(SerialStep step) {
  if (crash().step != step_name(step)) return;
  tell_board();
  std::raise(SIGKILL);
}

}  // namespace

int main(int argc, char** argv) {
  std::signal(SIGXFSZ, SIG_IGN);
  const vx::sim::SimulationStart simulation = vx::sim::start_simulation_from_environment();
  if (!simulation.world) {
    std::fprintf(stderr, "VX_SIM: %s\n", simulation.error.empty() ? "not set" : simulation.error.c_str());
    return 2;
  }
  crash().world = simulation.world.get();
  if (const char* step = std::getenv("VX_TEST_KILL_AT")) crash().step = step;
  vx::programmer::serial_state().watcher = die_at;
  std::vector<vx::ShortText> parameters(argv + 1, argv + argc);
  const int code = vx::programmer::programmer_main_block(std::move(parameters));
  tell_board();
  return code;
}

// A program for the launcher's tests. It appends its arguments, one a line,
// to the file that VX_LAUNCHER_RECORD names, then does what its first argument says:
//   exit N         ends with N
//   kill           ends by SIGKILL
//   wait FILE      runs until FILE exists, records "ended" and ends with 0
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
  const char* record = std::getenv("VX_LAUNCHER_RECORD");
  if (record != nullptr) {
    std::ofstream out(record, std::ios::app);
    for (int i = 1; i < argc; ++i) out << argv[i] << '\n';
    out << "--\n";
  }
  const std::string action = argc > 1 ? argv[1] : "";
  if (action == "exit" && argc > 2) return std::atoi(argv[2]);
  if (action == "kill") raise(SIGKILL);
  if (action == "wait" && argc > 2) {
    while (!std::filesystem::exists(argv[2])) usleep(5000);
    if (record != nullptr) std::ofstream(record, std::ios::app) << "ended\n";
  }
  return 0;
}

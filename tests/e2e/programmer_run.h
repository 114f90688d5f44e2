#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace vx::test {

// A program directory of its own: a copy of the programmer and the files
// shipped beside it, a simulated bench, and private runtime and registry files.
class ProgrammerInstall {
 public:
  // `program` is copied in as CQUILLHCS08: the programmer, or a test host built like it.
  explicit ProgrammerInstall(const std::string& program = VX_PROGRAMMER_BINARY) {
    namespace fs = std::filesystem;
    const fs::path built = VX_PROGRAMMER_BINARY;
    fs::copy_file(program, dir.path() / "CQUILLHCS08");
    for (const char* name : {"CQLLVIDM.DEF", "CQLLSTD.DSK"}) fs::copy_file(built.parent_path() / name, dir.path() / name);
    fs::copy_file(VX_EXAMPLE_SCENARIO, dir.path() / "bench.ini");
    fs::create_directory(dir.path() / "run");
  }

  std::string program() const { return dir.file("CQUILLHCS08"); }
  std::string file(const std::string& name) const { return dir.file(name); }
  std::string write(const std::string& name, const std::string& text) const {
    std::ofstream(file(name), std::ios::binary) << text;
    return file(name);
  }
  // Headless, or with its windows on Qt's offscreen display.
  std::vector<std::string> environment(bool with_display = false) const {
    return {with_display ? "QT_QPA_PLATFORM=offscreen" : "VX_HEADLESS=1", "VX_SIM=" + file("bench.ini"),
            "VX_RUNTIME_DIR=" + file("run"), "VX_REGISTRY_FILE=" + file("registry.ini")};
  }

  TempDir dir;
};

// One finished run of the programmer.
struct ProgrammerResult {
  int exit_code = -1;
  std::string output;
  std::string errors;
};

inline ProgrammerResult run_programmer(const ProgrammerInstall& install, const std::vector<std::string>& arguments) {
  ChildProcess child(install.program(), arguments, install.environment());
  ProgrammerResult result;
  result.exit_code = child.wait_for_exit();
  result.output = child.output();
  result.errors = child.errors();
  return result;
}

// One run of a table of cases, each in an install of its own.
struct ProgrammerLaunch {
  const ProgrammerInstall* install;
  std::vector<std::string> arguments;
};

// The runs side by side, a few at a time: a program start spends much of its time waiting, on
// its command timer and its simulated bench. The results in the order of the launches.
inline std::vector<ProgrammerResult> run_programmers(const std::vector<ProgrammerLaunch>& launches) {
  constexpr std::size_t at_once = 8;
  std::vector<ProgrammerResult> results;
  for (std::size_t first = 0; first < launches.size(); first += at_once) {
    std::vector<std::unique_ptr<ChildProcess>> running;
    for (std::size_t i = first; i < std::min(first + at_once, launches.size()); ++i) {
      const ProgrammerInstall& install = *launches[i].install;
      running.push_back(std::make_unique<ChildProcess>(install.program(), launches[i].arguments, install.environment()));
    }
    for (const std::unique_ptr<ChildProcess>& child : running) {
      const int exit_code = child->wait_for_exit();
      results.push_back({exit_code, child->output(), child->errors()});
    }
  }
  return results;
}

}  // namespace vx::test

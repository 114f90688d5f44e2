#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "foundation/status_output.h"
#include "loaders/debug_context.h"
#include "loaders/load_driver.h"
#include "platform/ws/application.h"
#include "support/recording_list_view.h"

// What the libFuzzer targets over the loaders share: a directory for the
// files they write, removed at exit, and a headless status output.
namespace vx::fuzz {

// Stands in for memory: a hostile repeat count may ask for millions of records.
inline constexpr std::size_t fuzz_record_limit = 20'000;

struct FuzzEnvironment {
  std::string directory;
  test::RecordingListView view;
};

inline FuzzEnvironment& fuzz_environment() {
  static FuzzEnvironment environment = [] {
    char pattern[] = "/tmp/vxfuzz-XXXXXX";
    if (mkdtemp(pattern) == nullptr) std::abort();
    return FuzzEnvironment{pattern, {}};
  }();
  return environment;
}

inline std::string fuzz_file(const std::string& name) { return fuzz_environment().directory + "/" + name; }

inline void write_fuzz_file(const std::string& name, const std::uint8_t* data, std::size_t size) {
  std::FILE* file = std::fopen(fuzz_file(name).c_str(), "wb");
  if (file == nullptr) std::abort();
  if (size != 0) std::fwrite(data, 1, size, file);
  std::fclose(file);
}

inline void remove_fuzz_directory() {
  std::error_code ignored;
  std::filesystem::remove_all(fuzz_environment().directory, ignored);
}

// Once, before the first input: the loaders started headless, the directory
// and its files removed again at exit.
inline void start_fuzzing() {
  status_output().view = &fuzz_environment().view;
  ws::set_headless(true);
  loaders::start_object_loading();
  loaders::get_object_record_list().set_record_limit(fuzz_record_limit);
  std::atexit(remove_fuzz_directory);
}

// Before each input: no status lines kept from the last one.
inline void forget_status_lines() {
  status_output().lines.clear();
  fuzz_environment().view.finished.clear();
}

}  // namespace vx::fuzz

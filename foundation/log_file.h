#pragma once

#include <string>
#include <string_view>

#include "foundation/owned_file.h"

namespace vx {

// The run's log file. Every write is flushed at once, so a failing medium
// is seen at the write that failed and a crash loses nothing written.
class LogFile {
 public:
  // Creates the file, truncating an existing one.
  bool create(const std::string& path);
  bool is_open() const { return file_ != nullptr; }
  // False when the text did not reach the file.
  bool write(std::string_view text);
  bool write_line(std::string_view text);
  // Errors on closing are ignored: there is nobody left to tell.
  void close();

 private:
  OwnedFile file_;
};

}  // namespace vx

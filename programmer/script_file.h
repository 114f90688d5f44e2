#pragma once

#include "foundation/owned_file.h"
#include "foundation/short_text.h"

namespace vx::programmer {

// A command file read line by line. A line ends at LF, CR or CR LF; only
// its first 255 characters are kept and the rest of it is skipped.
class ScriptFile {
 public:
  // False when the file cannot be opened for reading.
  bool open(const ShortText& name);
  void close() { file_.reset(); }
  bool is_open() const { return file_ != nullptr; }
  bool at_end();
  // False at the end of the file.
  bool read_line(ShortText& line);

 private:
  OwnedFile file_;
};

}  // namespace vx::programmer

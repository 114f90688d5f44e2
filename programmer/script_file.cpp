#include "programmer/script_file.h"

#include <sys/stat.h>

namespace vx::programmer {

bool ScriptFile::open(const ShortText& name) {
  file_.reset(std::fopen(name.c_str(), "rb"));
  // A directory opens on Linux but holds no lines; a device could be endless.
  struct stat status {};
  if (file_ && (fstat(fileno(file_.get()), &status) != 0 || !S_ISREG(status.st_mode))) file_.reset();
  return file_ != nullptr;
}

bool ScriptFile::at_end() {
  if (!file_) return true;
  const int c = std::getc(file_.get());
  if (c == EOF) return true;
  std::ungetc(c, file_.get());
  return false;
}

bool ScriptFile::read_line(ShortText& line) {
  line = ShortText();
  if (at_end()) return false;
  std::FILE* file = file_.get();
  for (int c = std::getc(file); c != EOF; c = std::getc(file)) {
    if (c == '\n') break;
    if (c == '\r') {
      const int next = std::getc(file);
      if (next != '\n' && next != EOF) std::ungetc(next, file);
      break;
    }
    if (!line.full()) line += static_cast<char>(c);
  }
  return true;
}

}  // namespace vx::programmer

#include "foundation/log_file.h"

namespace vx {

bool LogFile::create(const std::string& path) {
  close();
  file_.reset(std::fopen(path.c_str(), "wb"));
  return file_ != nullptr;
}

bool LogFile::write(std::string_view text) {
  if (file_ == nullptr) return false;
  std::FILE* file = file_.get();
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  return std::fflush(file) == 0 && written && std::ferror(file) == 0;
}

bool LogFile::write_line(std::string_view text) { return write(std::string(text) + "\r\n"); }

void LogFile::close() { file_.reset(); }

}  // namespace vx

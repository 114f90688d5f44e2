#include "foundation/log_file.h"

namespace vx {

bool LogFile::create(const std::string& path) {
  close();
  file_ = std::fopen(path.c_str(), "wb");
  return file_ != nullptr;
}

bool LogFile::write(std::string_view text) {
  if (file_ == nullptr) return false;
  const bool written = std::fwrite(text.data(), 1, text.size(), file_) == text.size();
  return std::fflush(file_) == 0 && written && std::ferror(file_) == 0;
}

bool LogFile::write_line(std::string_view text) { return write(std::string(text) + "\r\n"); }

void LogFile::close() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
}

}  // namespace vx

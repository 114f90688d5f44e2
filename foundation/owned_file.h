#pragma once

#include <cstdio>
#include <memory>

namespace vx {

// Closes a C stream when its owner lets go of it.
struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// A C stream that closes itself. Where the result of the close matters, the owner takes the
// stream back with release() and closes it itself.
using OwnedFile = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace vx

#pragma once

#include <string>
#include <string_view>

namespace vx::platform {

// Replaces the file's contents in one step: a temporary file beside it is
// written, synced and renamed over it, so a crash leaves the old or the new
// file, never half of one. Keeps the file's permissions; refuses a read-only
// file (even for root) and reports every failure with false. A symbolic link
// keeps pointing to its target, which is rewritten; temporary files that a
// killed rewrite of the same file left behind are removed.
bool replace_file_atomically(const std::string& path, std::string_view contents);

}  // namespace vx::platform

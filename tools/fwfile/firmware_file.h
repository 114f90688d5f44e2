#pragma once

#include <optional>
#include <string>
#include <string_view>

// Interface firmware files as the update engine finds and reads them:
// "<base>.<NNN>" beside the program, NNN being major x 100 + minor, holding
// the S-record text scrambled behind its header.
namespace vx::tools {

// "<base>.<NNN>" for a version "M.mm" (one major digit, two minor digits);
// nothing for any other version text or an empty base.
std::optional<std::string> firmware_file_name(std::string_view base, std::string_view version);

// Writes the text as a firmware file named for the base and version into
// the directory; the file's path, or nothing with `error` saying why.
std::optional<std::string> write_firmware_file(std::string_view srecord_text, const std::string& directory,
                                               std::string_view base, std::string_view version, std::string& error);

}  // namespace vx::tools

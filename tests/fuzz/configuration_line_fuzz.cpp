// Hostile command-file lines through the tokenizer and the number parser:
// every line of the input, cut at 255 characters as the command file is read.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "programmer/command_tokens.h"
#include "programmer/configuration_commands.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vx::programmer;
  if (configuration_commands().table.rows.empty()) LOAD_CONFIGURATION_COMMANDS();
  reset_command_tokens();
  std::string_view input(reinterpret_cast<const char*>(data), size);
  while (!input.empty()) {
    const std::size_t end = input.find('\n');
    const std::string_view line = input.substr(0, end);
    command_tokens().default_radix = line.size() % 2 == 0 ? 10 : 16;
    TOKENIZE_COMMAND_LINE(vx::ShortText(line));
    for (std::int32_t n = 0; n <= command_tokens().count + 1; ++n) GET_NUMBER_PARAMETER(n);
    CONVERT_NUMBER_STRING(vx::ShortText(line));
    if (end == std::string_view::npos) break;
    input.remove_prefix(end + 1);
  }
  return 0;
}

#include "programmer/program_files.h"

#include "foundation/kstring.h"
#include "foundation/run_state.h"

namespace vx::programmer {

std::optional<ShortText> beside_program(const ShortText& name) {
  if (!path_part(name).empty()) return name;
  const std::optional<ShortText> directory = add_backslash(run_state().program_directory);
  if (!directory || directory->size() + name.size() > ShortText::max_length) return std::nullopt;
  return *directory + name;
}

}  // namespace vx::programmer

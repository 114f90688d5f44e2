// libFuzzer target over the location-expression evaluator. The first byte is
// the unit's address size, the rest the expression.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "loaders/dwarf_expression.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  static const auto stack = vx::loaders::make_expression_stack();
  const vx::loaders::ExpressionResult result =
      vx::loaders::evaluate_expression(std::span<const std::uint8_t>(data + 1, size - 1), data[0], *stack);
  // Each step pushes at most one value.
  if (stack->count() > static_cast<std::int32_t>(vx::loaders::expression_step_limit)) std::abort();
  (void)result;
  return 0;
}

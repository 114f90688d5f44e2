#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "foundation/containers/st_dque.h"

// The evaluator of DWARF 2.0 location expressions as far as they can be
// evaluated while a file loads: constants and arithmetic on a stack, up to
// the operation that says where the object lives.
namespace vx::loaders {

enum class ExpressionEnd {
  // The last byte was passed: the object is at the top of the stack.
  end_of_expression,
  // DW_OP_reg0..31, DW_OP_regx.
  in_register,
  // DW_OP_bregN, DW_OP_bregx, DW_OP_deref, DW_OP_deref_size: evaluated by the debugger.
  held_as_bytes,
  // DW_OP_fbreg.
  frame_base_relative,
  // DW_OP_xderef_size: the top of the stack.
  extended_dereference,
  // Any other operation, and an expression that cannot go on (stack
  // underflow, a branch outside the expression, too many steps, an operand
  // cut off by the end).
  unknown,
};

struct ExpressionResult {
  ExpressionEnd end = ExpressionEnd::unknown;
  // The top of the stack when the evaluation ended (0 when empty).
  std::int32_t top = 0;
  std::int32_t register_number = 0;
};

// Backward branches are legal; this many operations end any expression.
inline constexpr std::size_t expression_step_limit = 8192;

// A stack whose cells are separately allocated 32-bit values, freed with their nodes.
std::unique_ptr<TStDQue> make_expression_stack();

// Clears the stack, then evaluates. Operands are big-endian; address_size
// gives the width of DW_OP_addr (4 for a size other than 1, 2 or 4).
ExpressionResult evaluate_expression(std::span<const std::uint8_t> expression, std::uint8_t address_size,
                                     TStDQue& stack);

}  // namespace vx::loaders

#include "loaders/dwarf_expression.h"

#include <utility>

#include "loaders/bounded_reader.h"

namespace vx::loaders {
namespace {

enum Op : std::uint8_t {
  DW_OP_addr = 0x03,
  DW_OP_deref = 0x06,
  DW_OP_const1u = 0x08,
  DW_OP_const1s = 0x09,
  DW_OP_const2u = 0x0a,
  DW_OP_const2s = 0x0b,
  DW_OP_const4u = 0x0c,
  DW_OP_const4s = 0x0d,
  DW_OP_const8u = 0x0e,
  DW_OP_const8s = 0x0f,
  DW_OP_constu = 0x10,
  DW_OP_consts = 0x11,
  DW_OP_dup = 0x12,
  DW_OP_drop = 0x13,
  DW_OP_over = 0x14,
  DW_OP_pick = 0x15,
  DW_OP_swap = 0x16,
  DW_OP_rot = 0x17,
  DW_OP_abs = 0x19,
  DW_OP_and = 0x1a,
  DW_OP_div = 0x1b,
  DW_OP_minus = 0x1c,
  DW_OP_mod = 0x1d,
  DW_OP_mul = 0x1e,
  DW_OP_neg = 0x1f,
  DW_OP_not = 0x20,
  DW_OP_or = 0x21,
  DW_OP_plus = 0x22,
  DW_OP_plus_uconst = 0x23,
  DW_OP_shl = 0x24,
  DW_OP_shr = 0x25,
  DW_OP_shra = 0x26,
  DW_OP_xor = 0x27,
  DW_OP_bra = 0x28,
  DW_OP_eq = 0x29,
  DW_OP_ge = 0x2a,
  DW_OP_gt = 0x2b,
  DW_OP_le = 0x2c,
  DW_OP_lt = 0x2d,
  DW_OP_ne = 0x2e,
  DW_OP_skip = 0x2f,
  DW_OP_lit0 = 0x30,
  DW_OP_lit31 = 0x4f,
  DW_OP_reg0 = 0x50,
  DW_OP_reg31 = 0x6f,
  DW_OP_breg0 = 0x70,
  DW_OP_breg31 = 0x8f,
  DW_OP_regx = 0x90,
  DW_OP_fbreg = 0x91,
  DW_OP_bregx = 0x92,
  DW_OP_deref_size = 0x94,
  DW_OP_xderef_size = 0x95,
  DW_OP_nop = 0x96,
};

void dispose_cell(void* data) { delete static_cast<std::uint32_t*>(data); }

// The stack with its depth checked by every operation.
class Stack {
 public:
  explicit Stack(TStDQue& dque) : dque_(dque) {}

  bool holds(std::int32_t count) const { return dque_.count() >= count; }
  void push(std::uint32_t value) {
    auto cell = std::make_unique<std::uint32_t>(value);
    dque_.push_head(cell.get());
    cell.release();
  }
  std::uint32_t pop() {
    const std::uint32_t value = top();
    dque_.pop_head();
    return value;
  }
  std::uint32_t top() const { return *static_cast<std::uint32_t*>(dque_.peek_head()); }
  // The cell `depth` places below the top.
  std::uint32_t& at(std::int32_t depth) { return *static_cast<std::uint32_t*>(dque_.nth(depth)->data); }

 private:
  TStDQue& dque_;
};

std::uint32_t read_big_endian(BoundedReader& reader, std::size_t size) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < size; ++i) value = value << 8 | reader.read_u8();
  return value;
}

std::int32_t as_signed(std::uint32_t value) { return static_cast<std::int32_t>(value); }

// Second entry op top entry; the caller has checked for two entries.
void binary(Stack& stack, std::uint8_t op) {
  const std::uint32_t top = stack.pop();
  const std::uint32_t second = stack.pop();
  const std::int32_t a = as_signed(second);
  const std::int32_t b = as_signed(top);
  std::uint32_t result = 0;
  switch (op) {
    case DW_OP_and: result = second & top; break;
    case DW_OP_or: result = second | top; break;
    case DW_OP_xor: result = second ^ top; break;
    case DW_OP_plus: result = second + top; break;
    case DW_OP_mul: result = second * top; break;
    case DW_OP_minus: result = second - top; break;
    // The one quotient that does not fit 32 bits wraps, as the hardware would.
    case DW_OP_div:
      result = b == 0 ? 0 : (b == -1 ? 0u - second : static_cast<std::uint32_t>(a / b));
      break;
    case DW_OP_mod:
      result = b == 0 || b == -1 ? 0 : static_cast<std::uint32_t>(a % b);
      break;
    case DW_OP_shl: result = second << (top & 31); break;
    case DW_OP_shr: result = second >> (top & 31); break;
    case DW_OP_shra: result = static_cast<std::uint32_t>(a >> (top & 31)); break;
    case DW_OP_eq: result = a == b; break;
    case DW_OP_ge: result = a >= b; break;
    case DW_OP_gt: result = a > b; break;
    case DW_OP_le: result = a <= b; break;
    case DW_OP_lt: result = a < b; break;
    case DW_OP_ne: result = a != b; break;
    default: break;
  }
  stack.push(result);
}

bool is_binary(std::uint8_t op) {
  return (op >= DW_OP_and && op <= DW_OP_mul) || op == DW_OP_or || op == DW_OP_plus ||
         (op >= DW_OP_shl && op <= DW_OP_xor) || (op >= DW_OP_eq && op <= DW_OP_ne);
}

ExpressionResult finish(ExpressionEnd end, Stack& stack, std::int32_t register_number = 0) {
  return {end, stack.holds(1) ? as_signed(stack.top()) : 0, register_number};
}

}  // namespace

std::unique_ptr<TStDQue> make_expression_stack() {
  auto stack = std::make_unique<TStDQue>();
  stack->set_dispose_data(dispose_cell);
  return stack;
}

ExpressionResult evaluate_expression(std::span<const std::uint8_t> expression, std::uint8_t address_size,
                                     TStDQue& dque) {
  dque.clear();
  Stack stack(dque);
  BoundedReader reader(expression);
  const std::size_t address_bytes = address_size == 1 || address_size == 2 || address_size == 4 ? address_size : 4;
  for (std::size_t step = 0; step < expression_step_limit; ++step) {
    if (reader.at_end()) return finish(ExpressionEnd::end_of_expression, stack);
    const std::uint8_t op = reader.read_u8();
    if (op >= DW_OP_lit0 && op <= DW_OP_lit31) {
      stack.push(op - DW_OP_lit0);
      continue;
    }
    if (op >= DW_OP_reg0 && op <= DW_OP_reg31) return finish(ExpressionEnd::in_register, stack, op - DW_OP_reg0);
    if ((op >= DW_OP_breg0 && op <= DW_OP_breg31) || op == DW_OP_bregx || op == DW_OP_deref ||
        op == DW_OP_deref_size) {
      return finish(ExpressionEnd::held_as_bytes, stack);
    }
    if (is_binary(op)) {
      if (!stack.holds(2)) return finish(ExpressionEnd::unknown, stack);
      binary(stack, op);
      continue;
    }
    switch (op) {
      case DW_OP_addr: stack.push(read_big_endian(reader, address_bytes)); break;
      case DW_OP_const1u: stack.push(reader.read_u8()); break;
      case DW_OP_const1s: stack.push(static_cast<std::uint32_t>(static_cast<std::int8_t>(reader.read_u8()))); break;
      case DW_OP_const2u: stack.push(reader.read_u16_be()); break;
      case DW_OP_const2s: stack.push(static_cast<std::uint32_t>(static_cast<std::int16_t>(reader.read_u16_be()))); break;
      case DW_OP_const4u:
      case DW_OP_const4s: stack.push(reader.read_u32_be()); break;
      case DW_OP_const8u:
      case DW_OP_const8s:
        reader.skip(4);
        stack.push(reader.read_u32_be());
        break;
      case DW_OP_constu: stack.push(reader.read_uleb128()); break;
      case DW_OP_consts: stack.push(static_cast<std::uint32_t>(reader.read_sleb128())); break;
      case DW_OP_dup:
        if (!stack.holds(1)) return finish(ExpressionEnd::unknown, stack);
        stack.push(stack.top());
        break;
      case DW_OP_drop:
        if (!stack.holds(1)) return finish(ExpressionEnd::unknown, stack);
        stack.pop();
        break;
      case DW_OP_over:
        if (!stack.holds(2)) return finish(ExpressionEnd::unknown, stack);
        stack.push(stack.at(1));
        break;
      case DW_OP_pick: {
        const std::uint8_t index = reader.read_u8();
        if (!stack.holds(index + 1)) return finish(ExpressionEnd::unknown, stack);
        stack.push(stack.at(index));
        break;
      }
      case DW_OP_swap:
        if (!stack.holds(2)) return finish(ExpressionEnd::unknown, stack);
        std::swap(stack.at(0), stack.at(1));
        break;
      case DW_OP_rot: {
        // The top goes third; the second and third move up one place.
        if (!stack.holds(3)) return finish(ExpressionEnd::unknown, stack);
        const std::uint32_t top = stack.at(0);
        stack.at(0) = stack.at(1);
        stack.at(1) = stack.at(2);
        stack.at(2) = top;
        break;
      }
      case DW_OP_abs:
        if (!stack.holds(1)) return finish(ExpressionEnd::unknown, stack);
        if (as_signed(stack.at(0)) < 1) stack.at(0) = 0u - stack.at(0);
        break;
      case DW_OP_neg:
        if (!stack.holds(1)) return finish(ExpressionEnd::unknown, stack);
        stack.at(0) = 0u - stack.at(0);
        break;
      case DW_OP_not:
        if (!stack.holds(1)) return finish(ExpressionEnd::unknown, stack);
        stack.at(0) = ~stack.at(0);
        break;
      case DW_OP_plus_uconst: {
        const std::uint32_t addend = reader.read_uleb128();
        if (!stack.holds(1)) return finish(ExpressionEnd::unknown, stack);
        stack.at(0) += addend;
        break;
      }
      case DW_OP_skip:
      case DW_OP_bra: {
        const auto offset = static_cast<std::int16_t>(reader.read_u16_be());
        if (reader.overrun()) return finish(ExpressionEnd::unknown, stack);
        if (op == DW_OP_bra) {
          if (!stack.holds(1)) return finish(ExpressionEnd::unknown, stack);
          if (stack.pop() == 0) break;
        }
        // A target outside the expression ends it; its very end is a proper end.
        const auto target = static_cast<std::int64_t>(reader.position()) + offset;
        if (target < 0 || target > static_cast<std::int64_t>(reader.size())) return finish(ExpressionEnd::unknown, stack);
        reader.seek(static_cast<std::size_t>(target));
        break;
      }
      case DW_OP_nop: break;
      case DW_OP_regx: {
        const std::uint32_t number = reader.read_uleb128();
        return finish(ExpressionEnd::in_register, stack, as_signed(number));
      }
      case DW_OP_fbreg: return finish(ExpressionEnd::frame_base_relative, stack);
      case DW_OP_xderef_size: return finish(ExpressionEnd::extended_dereference, stack);
      default: return finish(ExpressionEnd::unknown, stack);
    }
    // An operand that the expression does not hold ends it.
    if (reader.overrun()) return finish(ExpressionEnd::unknown, stack);
  }
  return finish(ExpressionEnd::unknown, stack);
}

}  // namespace vx::loaders

#include "loaders/dwarf_expression.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace vx::loaders {
namespace {

struct Case {
  const char* name;
  std::vector<std::uint8_t> expression;
  ExpressionEnd end;
  std::int32_t top;
  std::int32_t register_number = 0;
};

class Evaluator : public ::testing::TestWithParam<Case> {};

TEST_P(Evaluator, EndsAsExpected) {
  const Case& c = GetParam();
  const auto stack = make_expression_stack();
  const ExpressionResult result = evaluate_expression(c.expression, 2, *stack);
  EXPECT_EQ(result.end, c.end);
  EXPECT_EQ(result.top, c.top);
  EXPECT_EQ(result.register_number, c.register_number);
}

constexpr auto end = ExpressionEnd::end_of_expression;
constexpr auto unknown = ExpressionEnd::unknown;

INSTANTIATE_TEST_SUITE_P(
    Operations, Evaluator,
    ::testing::Values(
        Case{"empty", {}, end, 0},
        Case{"addr_of_address_size", {0x03, 0x01, 0x00}, end, 0x100},
        Case{"minus_is_second_minus_top", {0x35, 0x33, 0x1c}, end, 2},
        Case{"div_signed", {0x11, 0x79, 0x32, 0x1b}, end, -3},
        Case{"div_by_zero_gives_zero", {0x35, 0x30, 0x1b}, end, 0},
        Case{"div_int_min_by_minus_one_wraps", {0x0c, 0x80, 0x00, 0x00, 0x00, 0x11, 0x7f, 0x1b}, end, INT32_MIN},
        Case{"mod_int_min_by_minus_one", {0x0c, 0x80, 0x00, 0x00, 0x00, 0x11, 0x7f, 0x1d}, end, 0},
        Case{"mod", {0x37, 0x33, 0x1d}, end, 1},
        // Comparisons take the second entry op the top entry.
        Case{"lt_second_below_top", {0x31, 0x32, 0x2d}, end, 1},
        Case{"gt_second_below_top", {0x31, 0x32, 0x2b}, end, 0},
        Case{"ge_equal", {0x32, 0x32, 0x2a}, end, 1},
        Case{"le", {0x33, 0x32, 0x2c}, end, 0},
        Case{"eq", {0x32, 0x32, 0x29}, end, 1},
        Case{"ne", {0x32, 0x33, 0x2e}, end, 1},
        Case{"shl", {0x31, 0x34, 0x24}, end, 16},
        Case{"shr_logical", {0x11, 0x70, 0x31, 0x25}, end, 0x7FFFFFF8},
        Case{"shra_arithmetic", {0x11, 0x70, 0x31, 0x26}, end, -8},
        Case{"shift_count_masked", {0x31, 0x08, 0x21, 0x24}, end, 2},
        Case{"const1s_sign_extended", {0x09, 0xFF}, end, -1},
        Case{"const1u", {0x08, 0xFF}, end, 255},
        Case{"const2s_sign_extended", {0x0b, 0xFF, 0xFC}, end, -4},
        Case{"const2u", {0x0a, 0xFF, 0xFC}, end, 0xFFFC},
        Case{"const4u", {0x0c, 0x12, 0x34, 0x56, 0x78}, end, 0x12345678},
        Case{"const8u_low_word", {0x0e, 1, 2, 3, 4, 0x12, 0x34, 0x56, 0x78}, end, 0x12345678},
        Case{"constu", {0x10, 0x80, 0x01}, end, 128},
        Case{"consts", {0x11, 0x7F}, end, -1},
        Case{"dup_plus", {0x33, 0x12, 0x22}, end, 6},
        Case{"drop", {0x33, 0x34, 0x13}, end, 3},
        Case{"over", {0x33, 0x34, 0x14}, end, 3},
        Case{"pick", {0x31, 0x32, 0x33, 0x15, 0x02}, end, 1},
        Case{"swap", {0x33, 0x34, 0x16, 0x1c}, end, 1},
        // 1 2 3 rot: 3 becomes third, 2 the top.
        Case{"rot", {0x31, 0x32, 0x33, 0x17}, end, 2},
        Case{"rot_then_drop", {0x31, 0x32, 0x33, 0x17, 0x13}, end, 1},
        Case{"abs", {0x11, 0x7B, 0x19}, end, 5},
        Case{"neg", {0x35, 0x1f}, end, -5},
        Case{"not", {0x30, 0x20}, end, -1},
        Case{"and_or_xor", {0x3c, 0x3a, 0x1a, 0x31, 0x21, 0x33, 0x27}, end, 10},
        Case{"mul", {0x36, 0x37, 0x1e}, end, 42},
        Case{"plus_uconst", {0x35, 0x23, 0x80, 0x01}, end, 133},
        Case{"skip_forward", {0x2f, 0x00, 0x01, 0x31, 0x32}, end, 2},
        Case{"bra_taken", {0x31, 0x28, 0x00, 0x01, 0x35, 0x36}, end, 6},
        Case{"bra_not_taken", {0x30, 0x28, 0x00, 0x01, 0x35, 0x36}, end, 6},
        Case{"bra_not_taken_keeps_next", {0x30, 0x28, 0x00, 0x01, 0x35}, end, 5},
        Case{"skip_to_the_end", {0x35, 0x2f, 0x00, 0x00}, end, 5},
        // A countdown with a backward branch: 3, 2, 1, 0.
        Case{"backward_branch_loop", {0x33, 0x31, 0x1c, 0x12, 0x28, 0xFF, 0xFA}, end, 0},
        Case{"nop", {0x96, 0x35}, end, 5},
        Case{"reg5", {0x55}, ExpressionEnd::in_register, 0, 5},
        Case{"regx", {0x90, 0x21}, ExpressionEnd::in_register, 0, 33},
        Case{"breg_held", {0x71, 0x04}, ExpressionEnd::held_as_bytes, 0},
        Case{"deref_held", {0x35, 0x06}, ExpressionEnd::held_as_bytes, 5},
        Case{"fbreg", {0x91, 0x7C}, ExpressionEnd::frame_base_relative, 0},
        Case{"xderef_size_top", {0x35, 0x95, 0x02}, ExpressionEnd::extended_dereference, 5},
        Case{"piece_unknown", {0x35, 0x93, 0x02}, unknown, 5},
        Case{"user_operation_unknown", {0xE0}, unknown, 0},
        // Expressions that cannot go on end as an unknown operation would.
        Case{"underflow_minus", {0x31, 0x1c}, unknown, 1},
        Case{"underflow_drop", {0x13}, unknown, 0},
        Case{"underflow_dup", {0x12}, unknown, 0},
        Case{"underflow_rot", {0x31, 0x32, 0x17}, unknown, 2},
        Case{"underflow_pick", {0x31, 0x15, 0x01}, unknown, 1},
        Case{"underflow_bra", {0x28, 0x00, 0x00}, unknown, 0},
        Case{"underflow_abs", {0x19}, unknown, 0},
        Case{"underflow_plus_uconst", {0x23, 0x01}, unknown, 0},
        Case{"skip_past_the_end", {0x35, 0x2f, 0x00, 0x01}, unknown, 5},
        Case{"skip_before_the_start", {0x35, 0x2f, 0xFF, 0xF0}, unknown, 5},
        Case{"endless_loop_capped", {0x2f, 0xFF, 0xFD}, unknown, 0},
        Case{"pushing_loop_capped", {0x31, 0x2f, 0xFF, 0xFC}, unknown, 1},
        Case{"cut_operand", {0x0c, 0x12}, unknown, 0x1200'0000},
        Case{"cut_branch_operand", {0x31, 0x2f, 0x01}, unknown, 1}),
    [](const ::testing::TestParamInfo<Case>& param_info) { return std::string(param_info.param.name); });

TEST(EvaluatorAddressSize, DwOpAddrTakesTheUnitsAddressSize) {
  const auto stack = make_expression_stack();
  const std::vector<std::uint8_t> expression{0x03, 0x12, 0x34, 0x56, 0x78};
  EXPECT_EQ(evaluate_expression(expression, 4, *stack).top, 0x12345678);
  EXPECT_EQ(evaluate_expression(std::vector<std::uint8_t>{0x03, 0x12}, 1, *stack).top, 0x12);
  // Another size reads four bytes.
  EXPECT_EQ(evaluate_expression(expression, 8, *stack).top, 0x12345678);
}

TEST(EvaluatorStack, IsClearedBeforeEachEvaluation) {
  const auto stack = make_expression_stack();
  evaluate_expression(std::vector<std::uint8_t>{0x31, 0x32, 0x33}, 2, *stack);
  const ExpressionResult result = evaluate_expression(std::vector<std::uint8_t>{0x13}, 2, *stack);
  EXPECT_EQ(result.end, ExpressionEnd::unknown);
  EXPECT_EQ(stack->count(), 0);
}

}  // namespace
}  // namespace vx::loaders

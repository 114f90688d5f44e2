#include "programmer/constant_array.h"

#include "foundation/kstring.h"
#include "foundation/run_control.h"
#include "foundation/system_helpers.h"

namespace vx::programmer {
namespace {

constexpr std::size_t field_width = 4;
constexpr std::int32_t number_beyond_count = 16384;

// A four-character field at `position` followed by "^"; the position moves past both.
bool read_field(std::string_view text, std::size_t& position, std::int32_t& value) {
  if (position + field_width >= text.size() || text[position + field_width] != '^') return false;
  if (!str_to_int(ShortText(text.substr(position, field_width)), value)) return false;
  position += field_width + 1;
  return true;
}

}  // namespace

ConstantArrayError parse_constant_array(std::string_view text, ConstantArray& array) {
  array = ConstantArray{};
  std::size_t position = 1;
  std::int32_t count = 0;
  std::int32_t width = 0;
  if (text.empty() || text[0] != '^' || !read_field(text, position, count) || !read_field(text, position, width) ||
      count < 0 || width < 0 || static_cast<std::size_t>(width) > ConstantArray::max_row_width) {
    return ConstantArrayError::header;
  }
  const std::size_t rows_size = static_cast<std::size_t>(count) * static_cast<std::size_t>(width);
  if (position + rows_size >= text.size() || text[position + rows_size] != '^') return ConstantArrayError::rows;
  for (std::int32_t row = 0; row < count; ++row) {
    array.rows.emplace_back(text.substr(position + static_cast<std::size_t>(row * width), width));
  }
  array.width = width;
  return ConstantArrayError::none;
}

void LOAD_CONSTANT_ARRAY(std::string_view text, ConstantArray& array) {
  const ConstantArrayError error = parse_constant_array(text, array);
  if (error == ConstantArrayError::none) return;
  const char* message = error == ConstantArrayError::header ? "Error 0001 in loading a Constant Array! Call VLX"
                                                            : "Error 0002 in loading a Constant Array! Call VLX";
  safe_message_dlg(0, message, platform::DialogKind::error, platform::button_ok, 0);
  exit_application();
}

ShortText constant_row_name(const ConstantArray& array, std::int32_t n) {
  const std::size_t name_width = array.width > 4 ? static_cast<std::size_t>(array.width) - field_width : 0;
  if (n < 1 || static_cast<std::size_t>(n) > array.rows.size()) return ShortText(name_width, ' ');
  return array.rows[static_cast<std::size_t>(n) - 1].substr(0, name_width);
}

std::int32_t constant_row_number(const ConstantArray& array, std::int32_t n) {
  if (n < 1 || static_cast<std::size_t>(n) > array.rows.size()) return number_beyond_count;
  const ShortText& row = array.rows[static_cast<std::size_t>(n) - 1];
  std::int32_t value = 0;
  const std::size_t start = row.size() > field_width ? row.size() - field_width : 0;
  return str_to_int(row.substr(start), value) ? value : 0;
}

}  // namespace vx::programmer

#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace vx::controls {

// Numbers of the messages the controls look up.
namespace msg {
inline constexpr std::uint16_t duplicate_command = 30169;
inline constexpr std::uint16_t table_not_found = 30170;
inline constexpr std::uint16_t range_error = 30179;
inline constexpr std::uint16_t invalid_number = 30180;
inline constexpr std::uint16_t required = 30181;
inline constexpr std::uint16_t invalid_date = 30182;
inline constexpr std::uint16_t invalid_time = 30183;
inline constexpr std::uint16_t blanks_in_field = 30184;
inline constexpr std::uint16_t partial_entry = 30185;
inline constexpr std::uint16_t invalid_parameter = 30188;
inline constexpr std::uint16_t no_timers_available = 30189;
inline constexpr std::uint16_t on_select_not_assigned = 30192;
inline constexpr std::uint16_t invalid_data_type = 30194;
inline constexpr std::uint16_t invalid_picture_mask = 30202;
inline constexpr std::uint16_t range_integer = 30203;
inline constexpr std::uint16_t range_real = 30204;
inline constexpr std::uint16_t range_extended = 30205;
inline constexpr std::uint16_t range_double = 30206;
inline constexpr std::uint16_t range_single = 30207;
inline constexpr std::uint16_t range_comp = 30208;
inline constexpr std::uint16_t range_date = 30209;
inline constexpr std::uint16_t range_time = 30210;
inline constexpr std::uint16_t range_value = 30211;
inline constexpr std::uint16_t on_is_selected_not_assigned = 30226;
inline constexpr std::uint16_t label_not_attached = 30244;
inline constexpr std::uint16_t grid_table = 30266;
inline constexpr std::uint16_t default_table = 30275;
inline constexpr std::uint16_t wordstar_table = 30276;
inline constexpr std::uint16_t unknown_table = 30277;
inline constexpr std::uint16_t entry_error = 30278;
inline constexpr std::uint16_t get_item_not_assigned = 30279;
inline constexpr std::uint16_t sample_item = 30280;
inline constexpr std::uint16_t char_width_sample = 30281;
inline constexpr std::uint16_t row_height_sample = 30282;
inline constexpr std::uint16_t menu_restore = 30287;
inline constexpr std::uint16_t menu_cut = 30288;
inline constexpr std::uint16_t menu_copy = 30289;
inline constexpr std::uint16_t menu_paste = 30290;
inline constexpr std::uint16_t menu_delete = 30291;
inline constexpr std::uint16_t menu_select_all = 30292;
inline constexpr std::uint16_t yes_char = 30368;
inline constexpr std::uint16_t no_char = 30369;
inline constexpr std::uint16_t true_char = 30370;
inline constexpr std::uint16_t false_char = 30371;
// The name of command code c is message command_names + c (c from 0 to 75).
inline constexpr std::uint16_t command_names = 33768;
}  // namespace msg

// The text of a message; "Unknown" when there is none of that number.
std::string_view MessageText(std::uint16_t number);
// The text of a message; empty when there is none of that number.
std::string_view MessageByNumber(std::uint16_t number);

// The text with each "%s" or "%d" replaced, left to right, by the next value;
// the values are never read as placeholders, so any text is safe to insert.
std::string fill_placeholders(std::string_view text, std::initializer_list<std::string_view> values);

}  // namespace vx::controls

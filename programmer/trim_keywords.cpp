#include "programmer/trim_keywords.h"

#include <cmath>
#include <optional>

#include "foundation/kstring.h"
#include "foundation/run_control.h"
#include "foundation/status_output.h"
#include "interface/clock_trim.h"
#include "interface/engine_settings.h"
#include "interface/target_operations.h"
#include "programmer/trim_state.h"

namespace vx::programmer {
namespace {

// The device's ADC set to convert its internal channel 26 right after the measurement.
constexpr std::uint16_t adc_sc1 = 0x10, adc_sc2 = 0x11, adc_result = 0x12, adc_config = 0x16;
constexpr std::int32_t adc_settle_ms = 2;

// Columns count from 1.
ShortText columns(const ShortText& line, std::size_t first, std::size_t last) {
  return line.substr(first - 1, last - first + 1);
}

bool slashes_at(const ShortText& line, std::initializer_list<std::size_t> positions) {
  for (const std::size_t position : positions) {
    if (line.size() < position || line[position - 1] != '/') return false;
  }
  return true;
}

bool starts_with(const ShortText& line, std::string_view keyword) { return line.view().starts_with(keyword); }

std::optional<std::uint16_t> hex16(const ShortText& line, std::size_t first, std::size_t last) {
  std::uint16_t value = 0;
  if (!str_to_word("$" + columns(line, first, last), value)) return std::nullopt;
  return value;
}

std::optional<std::int32_t> hex32(const ShortText& line, std::size_t first, std::size_t last) {
  std::int32_t value = 0;
  if (!str_to_long("$" + columns(line, first, last), value)) return std::nullopt;
  return value;
}

std::optional<long double> real(const ShortText& line, std::size_t first, std::size_t last) {
  long double value = 0;
  if (!str_to_real(columns(line, first, last), value)) return std::nullopt;
  return value;
}

// The measurement's outcome goes on the open line, between turns of the busy indicator.
void report_on_line(const ShortText& text) {
  twiddle_stop();
  WRITE_TO_DEBUG(text);
  twiddle_start();
}

void report_failed_measurement() { WRITE_TO_DEBUG("Error measuring trim values."); }

TrimKeywordResult eight_bit_trim(const ShortText& line) {
  if (!slashes_at(line, {16, 21, 30})) return TrimKeywordResult::not_trim;
  const auto trim_register = hex16(line, 12, 15);
  const auto address = hex16(line, 17, 20);
  const auto reference = hex32(line, 22, 29);
  if (!trim_register || !address || !reference) return TrimKeywordResult::invalid;
  std::uint8_t trim = 0;
  if (!interface_trim_measure(*trim_register, *reference, trim)) {
    report_failed_measurement();
    return TrimKeywordResult::taken;
  }
  TrimState& state = trim_state();
  state.enabled = true;
  state.type = trim_type::eight_bit;
  state.value = trim;
  state.address = *address;
  report_on_line("(Recommended Trim = $" + hex_byte(trim) + ")");
  return TrimKeywordResult::taken;
}

std::uint16_t read_channel26() {
  WRITE_DATA_BYTE(adc_config, 0xB8);
  WRITE_DATA_BYTE(adc_sc2, 0x00);
  WRITE_DATA_BYTE(adc_sc1, 0x1A);
  delay_milliseconds(adc_settle_ms);
  return READ_DATA_WORD(adc_result);
}

TrimKeywordResult nine_bit_trim(const ShortText& line, std::uint8_t type) {
  if (!slashes_at(line, {16, 21, 24, 29, 34, 43})) return TrimKeywordResult::invalid;
  const auto trim_register = hex16(line, 12, 15);
  const auto fine_register = hex16(line, 17, 20);
  const auto fine_mask = hex16(line, 22, 23);
  const auto address = hex16(line, 25, 28);
  const auto second_address = hex16(line, 30, 33);
  const auto reference = hex32(line, 35, 42);
  if (!trim_register || !fine_register || !fine_mask || !address || !second_address || !reference) {
    return TrimKeywordResult::invalid;
  }
  std::uint16_t value = 0;
  if (!measure_trim_9bit(*trim_register, *fine_register, static_cast<std::uint8_t>(*fine_mask), *reference, value)) {
    report_failed_measurement();
    return TrimKeywordResult::taken;
  }
  TrimState& state = trim_state();
  state.enabled = true;
  state.type = type;
  state.value = value;
  state.address = *address;
  state.second_address = *second_address;
  state.fine_mask = static_cast<std::uint8_t>(*fine_mask);
  if (type == trim_type::nine_bit_with_reference) state.channel26 = read_channel26();
  report_on_line("(Recommended TRIM=$" + hex_word(static_cast<std::uint16_t>(value >> 1)) +
                 ((value & 1) != 0 ? ",FTRIM=1)" : ",FTRIM=0)"));
  return TrimKeywordResult::taken;
}

bool near(long double value, long double target) { return std::fabs(value - target) < 1; }

// The reference is counted through a prescaler of the device's clock.
void set_prescaled_range(TrimSettings& trim, long double low, long double high, long double divisor) {
  trim.prescale_divisor = divisor;
  trim.reference_min = low / divisor;
  trim.reference_max = high / divisor;
}

TrimKeywordResult trim_range(const ShortText& line) {
  if (!slashes_at(line, {20, 29})) return TrimKeywordResult::not_trim;
  const auto low = real(line, 12, 19);
  const auto high = real(line, 21, 28);
  const auto scale = real(line, 30, 37);
  if (!low || !high || !scale) return TrimKeywordResult::invalid;
  TrimSettings& trim = engine_settings().trim;
  if (near(*high, 40'000'000)) {
    set_prescaled_range(trim, *low, *high, 1024);
  } else if (near(*high, 20'000'000)) {
    set_prescaled_range(trim, *low, *high, 512);
  } else {
    trim.reference_min = 0;
    trim.reference_max = 0;
    trim.default_reference = 0;
  }
  trim.trim_scale = *scale;
  trim.range_prescaled = true;
  return TrimKeywordResult::taken;
}

TrimKeywordResult ics_range(const ShortText& line) {
  if (!slashes_at(line, {20, 30})) return TrimKeywordResult::not_trim;
  const auto low = real(line, 11, 19);
  const auto high = real(line, 21, 29);
  const auto scale = real(line, 31, 39);
  if (!low || !high || !scale) return TrimKeywordResult::invalid;
  TrimSettings& trim = engine_settings().trim;
  trim.reference_min = *low / 10;
  trim.reference_max = *high / 10;
  trim.trim_scale = *scale / 10;
  trim.range_prescaled = false;
  return TrimKeywordResult::taken;
}

}  // namespace

TrimKeywordResult apply_trim_keyword(const ShortText& line) {
  if (upper_case(line.substr(0, 11)).view().starts_with("TRIM_RANGE=")) return trim_range(line);
  if (starts_with(line, "ICS_RANGE=")) return ics_range(line);
  if (starts_with(line, "HCS08_TRIM=")) return eight_bit_trim(line);
  if (starts_with(line, "09BIT_TRIM=")) return nine_bit_trim(line, trim_type::nine_bit);
  if (starts_with(line, "09QD4_TRIM=")) return nine_bit_trim(line, trim_type::nine_bit_with_reference);
  return TrimKeywordResult::not_trim;
}

}  // namespace vx::programmer

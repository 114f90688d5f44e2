#include <algorithm>
#include <string>

#include "controls/field_values.h"
#include "controls/picture_base.h"

namespace vx::controls {
namespace {

bool is_float_type(std::uint8_t type) { return type >= fld::Real && type <= fld::Comp; }
bool is_number_type(std::uint8_t type) { return type >= fld::LongInt && type <= fld::Comp; }

std::size_t run_length(const std::string& mask, std::size_t start, std::size_t limit) {
  std::size_t end = start;
  while (end < mask.size() && end < limit && mask[end] == mask[start]) ++end;
  return end - start;
}

}  // namespace

std::string TOvcPictureBase::MergeIntoPicture(std::string_view value) const {
  const std::size_t length = MaxLength();
  std::string text = Mask().substr(0, length);
  if (text.size() < length) text.resize(length, Mask().back());
  // Currency texts never reach beyond their run.
  if (const auto c = Mask().find('c'); c != std::string::npos && c < length) {
    const std::size_t run = run_length(Mask(), c, length);
    const std::string_view currency = Intl().LeftCurrency().substr(0, run);
    std::fill_n(text.begin() + static_cast<std::ptrdiff_t>(c), run, ' ');
    std::copy(currency.begin(), currency.end(), text.begin() + static_cast<std::ptrdiff_t>(c + run - currency.size()));
  }
  if (const auto c = Mask().find('C'); c != std::string::npos && c < length) {
    const std::size_t run = run_length(Mask(), c, length);
    const std::string_view currency = Intl().RightCurrency().substr(0, run);
    std::fill_n(text.begin() + static_cast<std::ptrdiff_t>(c), run, ' ');
    std::copy(currency.begin(), currency.end(), text.begin() + static_cast<std::ptrdiff_t>(c));
  }
  if (IsNumericPicture()) {
    MergeNumeric(text, value);
  } else {
    MergePlain(text, value);
  }
  text.resize(length, ' ');
  return text;
}

void TOvcPictureBase::MergeNumeric(std::string& text, std::string_view value) const {
  const std::size_t length = text.size();
  const std::string& mask = Mask();
  const std::string_view left_currency = Intl().LeftCurrency();
  const auto first_dollar = mask.find('$');
  std::size_t currency_count = 0;
  if (first_dollar != std::string::npos) {
    currency_count = std::min(run_length(mask, first_dollar, mask.size()), left_currency.size());
  }
  const std::ptrdiff_t dollar = first_dollar == std::string::npos ? -1 : static_cast<std::ptrdiff_t>(first_dollar);

  std::string number = TrimmedBlanks(value);
  const bool negative = !number.empty() && number.front() == '-';
  if (negative) number.erase(0, 1);
  std::string_view currency = left_currency.substr(0, currency_count);
  bool currency_pending = !number.empty() && currency_count > 0;

  const auto point_in_value = number.find('.');
  const std::string integer = number.substr(0, point_in_value);
  const std::string fraction = point_in_value == std::string::npos ? std::string() : number.substr(point_in_value + 1);
  const std::ptrdiff_t point = DecimalPosition();

  // The fraction fills the run after the point; what it lacks is zeros, what
  // the picture has no room for is dropped.
  std::size_t taken = 0;
  for (std::size_t i = point >= 0 ? static_cast<std::size_t>(point) + 1 : length; i < length && !IsLiteralAt(i); ++i) {
    text[i] = taken < fraction.size() ? fraction[taken++] : '0';
  }

  const bool zero_fill = MaskHas('K') || MaskHas('O') || MaskHas('b');
  std::size_t remaining = integer.size();
  bool minus_pending = negative;
  const std::ptrdiff_t start = point >= 0 ? std::min<std::ptrdiff_t>(point, static_cast<std::ptrdiff_t>(length) - 1)
                                          : static_cast<std::ptrdiff_t>(length) - 1;
  for (std::ptrdiff_t p = start; p >= 0; --p) {
    const auto position = static_cast<std::size_t>(p);
    const char mask_char = MaskCharAt(position);
    if (IsLiteralAt(position)) {
      if (mask_char == '.') text[position] = Intl().decimal_char;
    } else if ((!IsFloatingLiteralAt(position) || mask_char == '$') && remaining > 0 && p > dollar) {
      text[position] = integer[--remaining];
    } else if (mask_char == ',' && remaining > 0) {
      text[position] = ThousandsChar();
    } else if (currency_pending) {
      text[position] = currency.back();
      currency.remove_suffix(1);
      currency_pending = !currency.empty();
    } else if (minus_pending) {
      text[position] = '-';
      minus_pending = false;
    } else {
      text[position] = zero_fill ? '0' : ' ';
    }
  }
  // A number without room for its digits or sign is never shown as another number.
  if (remaining > 0 || minus_pending) {
    for (std::size_t i = 0; i < length; ++i) {
      if (!IsLiteralAt(i)) text[i] = '*';
    }
    return;
  }
  if (point > 0 && static_cast<std::size_t>(point) < length && text[static_cast<std::size_t>(point) - 1] == ' ') {
    text[static_cast<std::size_t>(point) - 1] = '0';
  }
}

void TOvcPictureBase::MergePlain(std::string& text, std::string_view value) const {
  const std::size_t length = text.size();
  const std::uint8_t type = DataTypeCode();
  std::string source(value);
  if (is_float_type(type) && source.size() > length && source.find('.') != std::string::npos) {
    while (!source.empty() && source.back() == '0') source.pop_back();
    if (!source.empty() && source.back() == '.') source.pop_back();
  }
  std::vector<std::size_t> positions;
  for (std::size_t i = 0; i < length; ++i) {
    if (!IsLiteralAt(i)) positions.push_back(i);
  }
  for (const std::size_t p : positions) text[p] = ' ';
  // A number cut to the field would be another number.
  if (is_number_type(type) && source.size() > positions.size()) {
    for (const std::size_t p : positions) text[p] = '*';
    return;
  }
  const std::size_t count = std::min(source.size(), positions.size());
  const bool right = (Options() & efoRightJustify) != 0;
  for (std::size_t k = 0; k < count; ++k) {
    const std::size_t p = right ? positions[positions.size() - 1 - k] : positions[k];
    char c = right ? source[source.size() - 1 - k] : source[k];
    ForceMaskCase(MaskCharAt(p), c, no_previous_char);
    text[p] = c;
  }
  if (is_float_type(type)) PointToDecimalChar(text);
}

std::string TOvcPictureBase::StripPicture(std::string_view edit_text) const {
  if (edit_text.size() != MaxLength()) return std::string(edit_text);
  const std::ptrdiff_t point = DecimalPosition();
  std::string value;
  for (std::size_t i = 0; i < edit_text.size(); ++i) {
    if (!IsLiteralAt(i) || static_cast<std::ptrdiff_t>(i) == point) value += edit_text[i];
  }
  const std::string& mask = Mask();
  if (const auto dollar = mask.find('$'); dollar != std::string::npos) {
    const std::string_view currency = Intl().LeftCurrency().substr(0, run_length(mask, dollar, mask.size()));
    if (const auto at = value.find(currency); !currency.empty() && at != std::string::npos) {
      value.erase(at, currency.size());
    }
  }
  if (MaskHas(',')) std::erase(value, ThousandsChar());
  if (point >= 0) {
    if (const auto at = value.find(Intl().decimal_char); at != std::string::npos) value[at] = '.';
  }
  return value;
}

std::string TOvcPictureBase::StripLiterals(std::string_view edit_text) const {
  std::string value;
  for (std::size_t i = 0; i < edit_text.size(); ++i) {
    if (!IsLiteralAt(i)) value += edit_text[i];
  }
  return value;
}

void TOvcPictureBase::PointToDecimalChar(std::string& text) const {
  if (const auto at = text.find('.'); at != std::string::npos) text[at] = Intl().decimal_char;
}

}  // namespace vx::controls

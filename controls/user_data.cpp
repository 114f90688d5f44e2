#include "controls/user_data.h"

#include <string_view>

#include "controls/string_routines.h"

namespace vx::controls {
namespace {

int user_index(char mask_char) { return mask_char >= '1' && mask_char <= '8' ? mask_char - '1' : -1; }

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_in(std::string_view set, char c) { return set.find(c) != std::string_view::npos; }

TCharSet make_alpha_set() {
  TCharSet set;
  for (const char c : std::string_view(" ,-.")) set.set(static_cast<unsigned char>(c));
  for (unsigned c = 0; c < 256; ++c) {
    const char ch = static_cast<char>(c);
    const bool ascii_letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    // Above 127 a letter has a case partner, or is one of the few without one:
    // f with hook, the ordinal indicators, micro and sharp s.
    const bool high_letter =
        c >= 128 && (UpperChar(ch) != ch || LowerChar(ch) != ch || c == 0x83 || c == 0xAA || c == 0xB5 ||
                     c == 0xBA || c == 0xDF);
    if (ascii_letter || high_letter) set.set(c);
  }
  return set;
}

}  // namespace

TOvcUserData::TOvcUserData() {
  TCharSet all;
  all.set();
  all.reset(0);
  sets_.fill(all);
}

TCharSet TOvcUserData::UserCharSet(char mask_char) const {
  const int index = user_index(mask_char);
  return index < 0 ? TCharSet{} : sets_[index];
}

void TOvcUserData::SetUserCharSet(char mask_char, const TCharSet& set) {
  const int index = user_index(mask_char);
  if (index < 0) return;
  sets_[index] = set;
  sets_[index].reset(0);
}

std::uint8_t TOvcUserData::ForceCase(char mask_char) const {
  const int index = user_index(mask_char);
  return index < 0 ? std::uint8_t{fcNone} : cases_[index];
}

void TOvcUserData::SetForceCase(char mask_char, std::uint8_t rule) {
  const int index = user_index(mask_char);
  if (index >= 0) cases_[index] = rule;
}

TOvcUserData& DefaultUserData() {
  static TOvcUserData data;
  return data;
}

const TCharSet& AlphaCharSet() {
  static const TCharSet set = make_alpha_set();
  return set;
}

bool IsSimpleMaskChar(char mask_char) { return mask_char != '\0' && is_in("!#123456789ABEKLOXYabilx", mask_char); }

bool IsPictureDataChar(char mask_char) {
  return mask_char != '\0' && is_in("!#123456789ABDEHKLMNOSXYabdhilmnstxy", mask_char);
}

void ForceMaskCase(char mask_char, char& c, char previous, const TOvcUserData& user_data) {
  std::uint8_t rule = fcNone;
  switch (mask_char) {
    case '!': case 'A': case 'N': case 'E': case 'K': case 'B': case 'Y': rule = fcUpper; break;
    case 'L': case 'l': rule = fcLower; break;
    case 'x': rule = fcCapitalize; break;
    default: rule = user_data.ForceCase(mask_char); break;
  }
  switch (rule) {
    case fcUpper: c = UpperChar(c); break;
    case fcLower: c = LowerChar(c); break;
    case fcCapitalize:
      if (previous == ' ' || previous == '-') c = UpperChar(c);
      break;
    default: break;
  }
}

bool CharFitsMask(char mask_char, char& c, bool apply_case, char previous, const TOvcUserData& user_data,
                  const TOvcIntlSup& intl) {
  if (c == '\0') return false;
  if (apply_case) ForceMaskCase(mask_char, c, previous, user_data);
  const auto code = static_cast<unsigned char>(c);
  switch (mask_char) {
    case '9': case 'D': case 'd': case 'M': case 'm': case 'H': case 'h': case 'S': case 's': case 'y':
      return c == ' ' || is_digit(c);
    case 'i': return c == ' ' || c == '-' || is_digit(c);
    case '#': return c == ' ' || is_in("-.", c) || is_digit(c);
    case 'E': return c == ' ' || is_in("-.+E", c) || is_digit(c);
    case 'K': return c == ' ' || is_digit(c) || (c >= 'A' && c <= 'F');
    case 'O': return c == ' ' || (c >= '0' && c <= '7');
    case 'b': return c == ' ' || c == '0' || c == '1';
    case 'B': return c == intl.true_char || c == intl.false_char;
    case 'Y': return c == intl.yes_char || c == intl.no_char;
    case 'a': case 'A': case 'l': case 'N': case 'n': return AlphaCharSet().test(code);
    case '1': case '2': case '3': case '4': case '5': case '6': case '7': case '8':
      return user_data.UserCharSet(mask_char).test(code);
    default: return true;
  }
}

}  // namespace vx::controls

#pragma once

#include <array>
#include <bitset>
#include <cstdint>

#include "controls/intl_support.h"

// The characters of a field's mask: which typed characters each accepts and
// the case it forces on them, with the eight mask characters "1" to "8"
// that a program defines itself.
namespace vx::controls {

using TCharSet = std::bitset<256>;

enum TOvcForceCase : std::uint8_t { fcNone = 0, fcUpper = 1, fcLower = 2, fcCapitalize = 3 };

// The definition of the user mask characters "1" to "8".
class TOvcUserData {
 public:
  // Every set holds #1 to #255; no case is forced.
  TOvcUserData();

  // Empty for a character other than "1" to "8".
  TCharSet UserCharSet(char mask_char) const;
  // #0 is never taken; other characters than "1" to "8" are ignored.
  void SetUserCharSet(char mask_char, const TCharSet& set);
  std::uint8_t ForceCase(char mask_char) const;
  void SetForceCase(char mask_char, std::uint8_t rule);

 private:
  std::array<TCharSet, 8> sets_;
  std::array<std::uint8_t, 8> cases_{};
};

// The program's object, which every field uses until it is given another.
TOvcUserData& DefaultUserData();

// Blank, ",", "-", ".", the letters and the Windows-1252 letters above 127.
const TCharSet& AlphaCharSet();

// The characters a simple field takes as its mask character.
bool IsSimpleMaskChar(char mask_char);
// The mask characters that are data positions of a picture.
bool IsPictureDataChar(char mask_char);

// No previous character: no context in which to capitalise.
inline constexpr char no_previous_char = '\xFF';

// The mask character's case rule applied to `c`; "x" and rule 3 capitalise
// after a blank or "-".
void ForceMaskCase(char mask_char, char& c, char previous, const TOvcUserData& user_data);
// Whether `c` may stand at a position of the mask character; with
// `apply_case` the case is forced first and the converted character tested
// (and left in `c`). #0 never fits.
bool CharFitsMask(char mask_char, char& c, bool apply_case, char previous, const TOvcUserData& user_data,
                  const TOvcIntlSup& intl);

}  // namespace vx::controls

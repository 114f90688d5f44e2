#pragma once

#include "foundation/short_text.h"

// The trim lines of an algorithm file: HCS08_TRIM=, 09BIT_TRIM= and
// 09QD4_TRIM= measure the trim value on the spot; TRIM_RANGE= and
// ICS_RANGE= set the reference range the measurement works against.
namespace vx::programmer {

enum class TrimKeywordResult : std::uint8_t {
  // Not a trim line (or one whose "/" columns say it is free text).
  not_trim,
  taken,
  // A field that does not convert, or a 9-bit line with a "/" missing.
  invalid,
};

// Tests one line of the keyword pass against every trim keyword and carries out the ones
// it is; a failed measurement is reported on the status line and leaves the trim state.
TrimKeywordResult apply_trim_keyword(const ShortText& line);

}  // namespace vx::programmer

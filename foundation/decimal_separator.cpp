#include <langinfo.h>
#include <locale.h>

#include <atomic>

#include "foundation/kstring.h"

namespace vx {
namespace {

struct NumberFormatState {
  std::atomic<char> decimal_separator{'.'};
};

NumberFormatState number_format;

// Reads the user's setting without touching the process locale; a
// separator of more than one byte cannot be matched in a single-byte text.
char locale_decimal_separator() {
  const locale_t user = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
  if (user == static_cast<locale_t>(0)) return '.';
  const char* radix = nl_langinfo_l(RADIXCHAR, user);
  const char separator = radix != nullptr && radix[0] != '\0' && radix[1] == '\0' ? radix[0] : '.';
  freelocale(user);
  return separator;
}

}  // namespace

void init_decimal_separator() { set_decimal_separator(locale_decimal_separator()); }
void reset_decimal_separator() { set_decimal_separator('.'); }
char decimal_separator() { return number_format.decimal_separator.load(std::memory_order_relaxed); }
void set_decimal_separator(char separator) {
  number_format.decimal_separator.store(separator, std::memory_order_relaxed);
}

}  // namespace vx

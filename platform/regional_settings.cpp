#include "platform/regional_settings.h"

#include <langinfo.h>
#include <locale.h>

#include <cctype>
#include <climits>
#include <cwchar>

#include "platform/windows_1252.h"

namespace vx::platform {
namespace {

// The table tests install in place of the locale.
std::optional<RegionalSettings> installed_table;

constexpr int locale_masks = LC_CTYPE_MASK | LC_NUMERIC_MASK | LC_MONETARY_MASK | LC_TIME_MASK;

class Locale {
 public:
  explicit Locale(const char* name) : handle_(newlocale(locale_masks, name, static_cast<locale_t>(0))) {}
  ~Locale() {
    if (valid()) freelocale(handle_);
  }
  Locale(const Locale&) = delete;
  Locale& operator=(const Locale&) = delete;
  bool valid() const { return handle_ != static_cast<locale_t>(0); }
  locale_t handle() const { return handle_; }

 private:
  locale_t handle_;
};

// Decodes in the locale's own character set; the calling thread's locale is
// switched only for the conversion, the process locale never.
std::optional<std::u32string> decode(const char* text, locale_t locale) {
  const locale_t previous = uselocale(locale);
  std::u32string out;
  std::mbstate_t shift{};
  const char* rest = text;
  std::size_t left = std::char_traits<char>::length(text);
  bool ok = true;
  while (left > 0) {
    wchar_t wide = 0;
    const std::size_t used = std::mbrtowc(&wide, rest, left, &shift);
    if (used == static_cast<std::size_t>(-1) || used == static_cast<std::size_t>(-2) || used == 0) {
      ok = false;
      break;
    }
    out += static_cast<char32_t>(wide);
    rest += used;
    left -= used;
  }
  uselocale(previous);
  if (!ok) return std::nullopt;
  return out;
}

struct LocaleReader {
  const Locale& user;
  const Locale& c;

  std::optional<std::u32string> wide(nl_item item) const {
    return decode(nl_langinfo_l(item, user.handle()), user.handle());
  }

  // A text with a character outside Windows-1252 is the C locale's text.
  std::string text(nl_item item) const {
    if (const auto decoded = wide(item)) {
      if (auto converted = windows_1252_text(*decoded)) return *converted;
    }
    return nl_langinfo_l(item, c.handle());
  }

  int number(nl_item item) const { return static_cast<unsigned char>(nl_langinfo_l(item, user.handle())[0]); }
};

int currency_position(int precedes, int separated) {
  if (precedes == CHAR_MAX) return 0;
  const bool blank = separated == 1;
  if (precedes != 0) return blank ? 2 : 0;
  return blank ? 3 : 1;
}

// The formats that stand for others are written out first.
std::string expand_formats(std::string_view format) {
  std::string out;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%' || i + 1 == format.size()) {
      out += format[i];
      continue;
    }
    const char conversion = format[++i];
    switch (conversion) {
      case 'D':
        out += "%m/%d/%y";
        break;
      case 'F':
        out += "%Y-%m-%d";
        break;
      case 'T':
        out += "%H:%M:%S";
        break;
      case 'R':
        out += "%H:%M";
        break;
      case 'r':
        out += "%I:%M:%S %p";
        break;
      default:
        out += '%';
        out += conversion;
    }
  }
  return out;
}

struct Conversion {
  bool unpadded = false;
  char letter = '\0';
  std::size_t end = 0;  // index after the conversion
};

// Reads "%", the padding flags and modifiers strftime allows, and the letter.
Conversion read_conversion(std::string_view format, std::size_t start) {
  Conversion conversion;
  std::size_t i = start + 1;
  while (i < format.size() && (format[i] == '-' || format[i] == '_' || format[i] == '0' || format[i] == '^' ||
                               format[i] == '#' || format[i] == 'E' || format[i] == 'O')) {
    if (format[i] == '-' || format[i] == '_') conversion.unpadded = true;
    ++i;
  }
  if (i < format.size()) conversion.letter = format[i++];
  conversion.end = i;
  return conversion;
}

std::string_view date_letters(const Conversion& conversion) {
  switch (conversion.letter) {
    case 'd':
      return conversion.unpadded ? "d" : "dd";
    case 'e':
      return "d";
    case 'm':
      return conversion.unpadded ? "M" : "MM";
    case 'y':
      return "yy";
    case 'Y':
      return "yyyy";
    case 'b':
    case 'h':
      return "MMM";
    case 'B':
      return "MMMM";
    case '%':
      return "%";
    default:
      return {};
  }
}

}  // namespace

std::optional<std::string> windows_1252_text(std::u32string_view text) {
  std::string out;
  for (const char32_t character : text) {
    const auto byte = to_windows_1252(character);
    if (!byte) return std::nullopt;
    out += static_cast<char>(*byte);
  }
  return out;
}

std::string thousands_separator_text(std::u32string_view separator) {
  if (separator == U"\u00A0" || separator == U"\u202F") return "\xA0";
  return windows_1252_text(separator).value_or("");
}

std::string short_date_from_date_format(std::string_view d_fmt) {
  const std::string format = expand_formats(d_fmt);
  std::string out;
  for (std::size_t i = 0; i < format.size();) {
    const char c = format[i];
    if (c != '%') {
      // A letter would read as a picture letter.
      if (std::isalpha(static_cast<unsigned char>(c)) != 0 || c == '\'') return {};
      out += c;
      ++i;
      continue;
    }
    const Conversion conversion = read_conversion(format, i);
    const std::string_view letters = date_letters(conversion);
    if (letters.empty()) return {};
    out += letters;
    i = conversion.end;
  }
  return out;
}

std::string format_separator(std::string_view format) {
  const std::string expanded = expand_formats(format);
  const std::size_t start = expanded.find('%');
  if (start == std::string::npos) return {};
  const std::size_t after = read_conversion(expanded, start).end;
  if (after >= expanded.size()) return {};
  const char c = expanded[after];
  if (c == '%' || std::isalpha(static_cast<unsigned char>(c)) != 0) return {};
  return std::string(1, c);
}

TimeFormatFacts time_format_facts(std::string_view t_fmt) {
  const std::string format = expand_formats(t_fmt);
  TimeFormatFacts facts;
  facts.separator = format_separator(format);
  for (std::size_t i = format.find('%'); i != std::string::npos; i = format.find('%', i)) {
    const Conversion conversion = read_conversion(format, i);
    const char letter = conversion.letter;
    if (letter == 'I' || letter == 'l') facts.twelve_hour_clock = true;
    if (letter == 'H' || letter == 'I') facts.leading_zero = !conversion.unpadded;
    i = conversion.end;
  }
  return facts;
}

RegionalSettings locale_regional_settings(const char* name) {
  const Locale c("C");
  const Locale named(name);
  const LocaleReader read{named.valid() ? named : c, c};

  RegionalSettings settings;
  const auto thousands = read.wide(THOUSEP);
  settings.thousands_separator = thousands ? thousands_separator_text(*thousands) : "";
  settings.currency = read.text(CURRENCY_SYMBOL);
  settings.currency_position = currency_position(read.number(P_CS_PRECEDES), read.number(P_SEP_BY_SPACE));
  const std::string date_format = read.text(D_FMT);
  settings.date_separator = format_separator(date_format);
  settings.short_date = short_date_from_date_format(date_format);
  const TimeFormatFacts time = time_format_facts(read.text(T_FMT));
  settings.time_separator = time.separator;
  settings.twelve_hour_clock = time.twelve_hour_clock;
  settings.time_leading_zero = time.leading_zero;
  settings.morning = read.text(AM_STR);
  settings.afternoon = read.text(PM_STR);
  for (int month = 0; month < 12; ++month) settings.month_names[month] = read.text(MON_1 + month);
  for (int day = 0; day < 7; ++day) settings.day_names[day] = read.text(DAY_1 + day);
  return settings;
}

RegionalSettings regional_settings() { return installed_table ? *installed_table : locale_regional_settings(""); }

void set_regional_settings(const RegionalSettings& settings) { installed_table = settings; }

void clear_regional_settings() { installed_table.reset(); }

}  // namespace vx::platform

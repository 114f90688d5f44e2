// The ShortText faces of the shared word and file-name rules.
#include "foundation/file_names.h"
#include "foundation/kstring.h"
#include "foundation/words.h"

namespace vx {
namespace {

// A composed file name that does not fit is refused: a cut path is a wrong path.
std::optional<ShortText> whole_or_nothing(const std::string& name) {
  if (name.size() > ShortText::max_length) return std::nullopt;
  return ShortText(name);
}

}  // namespace

std::uint8_t word_count(const ShortText& text, const CharSet& delimiters) {
  // 255 characters hold at most 128 words.
  return static_cast<std::uint8_t>(words::count(text.view(), delimiters));
}

ShortText extract_word(std::uint8_t n, const ShortText& text, const CharSet& delimiters) {
  const std::optional<std::string_view> word = words::find(n, text.view(), delimiters);
  return word ? ShortText(*word) : ShortText();
}

ShortText file_name_part(const ShortText& name) { return ShortText(file_names::file_name_part(name.view())); }

ShortText path_part(const ShortText& name) { return ShortText(file_names::path_part(name.view())); }

std::optional<ShortText> add_backslash(const ShortText& directory) {
  return whole_or_nothing(file_names::add_backslash(directory.view()));
}

std::optional<ShortText> replace_extension(const ShortText& name, const ShortText& extension) {
  return whole_or_nothing(file_names::replace_extension(name.view(), extension.view()));
}

bool has_extension(const ShortText& name, std::size_t& position) {
  return file_names::has_extension(name.view(), position);
}

}  // namespace vx

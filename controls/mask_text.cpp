#include "controls/mask_text.h"

#include <cctype>
#include <string>

#include "controls/string_routines.h"

namespace vx::controls {
namespace {

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }
bool IsUpper(char c) { return std::isupper(static_cast<unsigned char>(c)) != 0; }

MaskRun RunAt(std::string_view mask, std::size_t start) {
  MaskRun run{start, 0, Lower(mask[start])};
  while (start + run.length < mask.size() && Lower(mask[start + run.length]) == run.letter) ++run.length;
  return run;
}

}  // namespace

std::vector<MaskRun> MaskRuns(std::string_view mask) {
  std::vector<MaskRun> runs;
  for (std::size_t start = 0; start < mask.size(); start += runs.back().length) runs.push_back(RunAt(mask, start));
  return runs;
}

std::optional<MaskRun> FindRun(std::string_view mask, char letter) {
  for (std::size_t i = 0; i < mask.size(); ++i) {
    if (Lower(mask[i]) == Lower(letter)) return RunAt(mask, i);
  }
  return std::nullopt;
}

void MaskText::WriteNumber(const MaskRun& run, int value) {
  const std::string digits = std::to_string(value);
  for (std::size_t k = 0; k < run.length; ++k) {
    const std::size_t position = run.start + run.length - 1 - k;
    if (k < digits.size()) {
      text_[position] = digits[digits.size() - 1 - k];
    } else {
      const bool blank = IsUpper(mask_[position]);
      text_[position] = blank ? ' ' : '0';
      padding_[position] = blank;
    }
  }
}

void MaskText::WriteName(const MaskRun& run, std::string_view name) {
  WriteText(run, name);
  for (std::size_t position = run.start; position < run.start + run.length; ++position) {
    if (IsUpper(mask_[position])) text_[position] = UpperChar(text_[position]);
  }
}

void MaskText::WriteText(const MaskRun& run, std::string_view text) {
  for (std::size_t k = 0; k < run.length; ++k) {
    const std::size_t position = run.start + k;
    text_[position] = k < text.size() ? text[k] : ' ';
    padding_[position] = k >= text.size();
  }
}

void MaskText::Blank(const MaskRun& run) { WriteText(run, {}); }

void MaskText::Replace(char mask_char, char by) {
  for (std::size_t position = 0; position < mask_.size(); ++position) {
    if (mask_[position] == mask_char) text_[position] = by;
  }
}

void MaskText::Pack(std::string_view letters) {
  for (std::size_t position = 0; position < mask_.size(); ++position) {
    if (padding_[position] && letters.find(mask_[position]) != std::string_view::npos) removed_[position] = true;
  }
}

void MaskText::RemoveWithBlankBefore(const MaskRun& run) {
  for (std::size_t position = run.start; position < run.start + run.length; ++position) removed_[position] = true;
  if (run.start > 0 && mask_[run.start - 1] == ' ') removed_[run.start - 1] = true;
}

std::string MaskText::Result() const {
  std::string result;
  for (std::size_t position = 0; position < text_.size(); ++position) {
    if (!removed_[position]) result += text_[position];
  }
  return result;
}

}  // namespace vx::controls

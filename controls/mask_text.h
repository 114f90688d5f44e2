#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Writing values into the letter runs of a date or time mask.
namespace vx::controls {

// A run of one letter in either case.
struct MaskRun {
  std::size_t start = 0;
  std::size_t length = 0;
  char letter = '\0';  // lower case
};

// Every run of the mask, from left to right.
std::vector<MaskRun> MaskRuns(std::string_view mask);
// The run that starts at the first position holding the letter.
std::optional<MaskRun> FindRun(std::string_view mask, char letter);

// The mask's copy that values are written into, with the blanks that pad them.
class MaskText {
 public:
  explicit MaskText(std::string_view mask)
      : mask_(mask), text_(mask), padding_(mask.size(), false), removed_(mask.size(), false) {}

  // Right-aligned; the rightmost digits fill the run, upper-case letters pad
  // with blanks and lower-case ones with zeros.
  void WriteNumber(const MaskRun& run, int value);
  // Left-aligned, cut or padded with blanks; upper-case letters give capitals.
  void WriteName(const MaskRun& run, std::string_view name);
  // Left-aligned, cut or padded with blanks, as it stands.
  void WriteText(const MaskRun& run, std::string_view text);
  void Blank(const MaskRun& run);
  void Replace(char mask_char, char by);
  // Removes the padding blanks at positions whose mask letter is one of `letters`.
  void Pack(std::string_view letters);
  // Removes a run and the blank of the mask just before it.
  void RemoveWithBlankBefore(const MaskRun& run);

  // The text without the removed positions.
  std::string Result() const;

 private:
  std::string_view mask_;
  std::string text_;
  std::vector<bool> padding_;
  std::vector<bool> removed_;
};

}  // namespace vx::controls

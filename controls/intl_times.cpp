#include <algorithm>

#include "controls/intl_support.h"
#include "controls/mask_text.h"
#include "controls/string_routines.h"
#include "controls/time_arithmetic.h"

namespace vx::controls {
namespace {

bool SameTextIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return UpperChar(x) == UpperChar(y); });
}

std::string_view TrimmedRight(std::string_view text) {
  const std::size_t end = text.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

std::string FormatTimeText(const TOvcIntlSup& intl, std::string_view mask, std::int32_t seconds, bool pack,
                           std::string_view morning, std::string_view afternoon) {
  const bool no_time = seconds < 0;
  HoursMinutesSeconds time = SplitSeconds(seconds);
  const bool has_marker = FindRun(mask, 't').has_value();
  const bool both_texts = !morning.empty() && !afternoon.empty();
  const std::string_view marker = time.hours < 12 ? morning : afternoon;
  if (has_marker && both_texts) {
    if (time.hours == 0) time.hours = 12;
    if (time.hours > 12) time.hours -= 12;
  }
  const bool blank_marker = (morning.empty() && afternoon.empty()) || (no_time && morning.empty());

  MaskText text(mask);
  for (const MaskRun& run : MaskRuns(mask)) {
    const bool time_field = run.letter == 'h' || run.letter == 'm' || run.letter == 's';
    if (time_field && no_time) {
      text.Blank(run);
      continue;
    }
    switch (run.letter) {
      case 'h':
        text.WriteNumber(run, time.hours);
        break;
      case 'm':
        text.WriteNumber(run, time.minutes);
        break;
      case 's':
        text.WriteNumber(run, time.seconds);
        break;
      case 't':
        text.WriteText(run, blank_marker ? std::string_view() : marker);
        if (pack && !no_time && (blank_marker || marker.empty())) text.RemoveWithBlankBefore(run);
        break;
      default:
        break;
    }
  }
  text.Replace(':', intl.time_separator);
  if (pack && !no_time) text.Pack("DHMNSWnw");
  return text.Result();
}

}  // namespace

ShortText TOvcIntlSup::FormatTime(const ShortText& mask, std::int32_t seconds, bool pack) const {
  return FormatTimeWith(mask, seconds, pack, ShortText(morning_text), ShortText(afternoon_text));
}

std::span<char> TOvcIntlSup::FormatTime(std::span<char> buffer, const char* mask, std::int32_t seconds,
                                        bool pack) const {
  return store_text(buffer, FormatTime(ShortText(mask), seconds, pack).view());
}

ShortText TOvcIntlSup::FormatTimeWith(const ShortText& mask, std::int32_t seconds, bool pack, const ShortText& morning,
                                      const ShortText& afternoon) const {
  return ShortText(FormatTimeText(*this, mask.view(), seconds, pack, morning.view(), afternoon.view()));
}

std::span<char> TOvcIntlSup::FormatTimeWith(std::span<char> buffer, const char* mask, std::int32_t seconds, bool pack,
                                            const char* morning, const char* afternoon) const {
  return store_text(buffer,
                    FormatTimeWith(ShortText(mask), seconds, pack, ShortText(morning), ShortText(afternoon)).view());
}

SplitTime TOvcIntlSup::SplitTimeText(const ShortText& mask, const ShortText& text) const {
  if (text.size() != mask.size()) return {-1, -1, -1, false};
  SplitTime time;
  time.hours = PickMaskField(mask.view(), text.view(), 'h', 0, -1);
  time.minutes = PickMaskField(mask.view(), text.view(), 'm', 0, -1);
  time.seconds = PickMaskField(mask.view(), text.view(), 's', 0, -1);
  if (time.hours == -1 || time.minutes == -1 || time.seconds == -1) return time;
  const std::optional<MaskRun> marker_run = FindRun(mask.view(), 't');
  if (marker_run && !morning_text.empty() && !afternoon_text.empty()) {
    const std::string_view marker = TrimmedRight(text.view().substr(marker_run->start, marker_run->length));
    const auto cut = [&](const std::string& name) { return std::string_view(name).substr(0, marker_run->length); };
    const bool twelve_hour = time.hours >= 1 && time.hours <= 12 && !marker.empty();
    if (twelve_hour && SameTextIgnoringCase(marker, cut(afternoon_text))) {
      if (time.hours != 12) time.hours += 12;
    } else if (twelve_hour && SameTextIgnoringCase(marker, cut(morning_text))) {
      if (time.hours == 12) time.hours = 0;
    } else {
      return time;
    }
  }
  time.valid = TimeIsValid(time.hours, time.minutes, time.seconds);
  return time;
}

SplitTime TOvcIntlSup::SplitTimeText(const char* mask, const char* text) const {
  return SplitTimeText(ShortText(mask), ShortText(text));
}

std::int32_t TOvcIntlSup::TimeFromText(const ShortText& mask, const ShortText& text) const {
  const SplitTime time = SplitTimeText(mask, text);
  return time.valid ? SecondsOf(time.hours, time.minutes, time.seconds) : kNoTime;
}

std::int32_t TOvcIntlSup::TimeFromText(const char* mask, const char* text) const {
  return TimeFromText(ShortText(mask), ShortText(text));
}

}  // namespace vx::controls

#include "controls/messages.h"

#include <algorithm>
#include <array>

namespace vx::controls {
namespace {

struct MessageRow {
  std::uint16_t number;
  std::string_view text;
};

// In ascending order of number: the lookup is a binary search.
constexpr std::array rows{
    MessageRow{30169, "Duplicate command found while adding a new command to the table"},
    MessageRow{30170, "Command table not found or command table index out of range"},
    MessageRow{30178, "Duplicate key sequence"},
    MessageRow{30179, "Value is not within required range"},
    MessageRow{30180, "Value is not valid for this field type"},
    MessageRow{30181, "A value is required in this field"},
    MessageRow{30182, "Value is not a valid date"},
    MessageRow{30183, "Value is not a valid time"},
    MessageRow{30184, "This field should contain no blanks"},
    MessageRow{30185, "This field should be either empty or completely full"},
    MessageRow{30188, "Parameter value is invalid"},
    MessageRow{30189, "No Window's timers are available"},
    MessageRow{30192, "OnSelect event is not assigned"},
    MessageRow{30194, "Invalid data type for this field"},
    MessageRow{30202, "Invalid picture mask: %s"},
    MessageRow{30203, "Invalid range. Enter a value between (%d) and (%d)"},
    MessageRow{30204, "Invalid range. Enter a value between (-1.7e+38) and (+1.7e+38)"},
    MessageRow{30205, "Invalid range. Enter a value between (-1.1e+4932) and (+1.1e+4932)"},
    MessageRow{30206, "Invalid range. Enter a value between (-1.7e+308) and (+1.7e+308)"},
    MessageRow{30207, "Invalid range. Enter a value between (-3.4e+38) and (+3.4e+38)"},
    MessageRow{30208, "Invalid range. Enter a value between (-9.2e+18) and (+9.2e+18)"},
    MessageRow{30209, "Invalid date range. Enter a value using '%s' as the format"},
    MessageRow{30210, "Invalid time range. Enter a value using '%s' as the format"},
    MessageRow{30211, "Invalid range value"},
    MessageRow{30226, "OnIsSelected event is not assigned"},
    MessageRow{30244, "Label not attached"},
    MessageRow{30266, "Grid"},
    MessageRow{30275, "Default"},
    MessageRow{30276, "WordStar"},
    MessageRow{30277, "(Unknown)"},
    MessageRow{30278, "Entry Error"},
    MessageRow{30279, "%d. *** Warning *** OnGetItem not assigned!"},
    MessageRow{30280, "%d. - Sample virtual list box item"},
    MessageRow{30281, "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"},
    MessageRow{30282, "Wy"},
    MessageRow{30287, "&Restore"},
    MessageRow{30288, "Cu&t"},
    MessageRow{30289, "&Copy"},
    MessageRow{30290, "&Paste"},
    MessageRow{30291, "&Delete"},
    MessageRow{30292, "Select &All"},
    MessageRow{30368, "Y"},
    MessageRow{30369, "N"},
    MessageRow{30370, "T"},
    MessageRow{30371, "F"},
    // The command names, in the order of their codes.
    MessageRow{33768, "ccNone"},
    MessageRow{33769, "ccBack"},
    MessageRow{33770, "ccBotOfPage"},
    MessageRow{33771, "ccBotRightCell"},
    MessageRow{33772, "ccCompleteDate"},
    MessageRow{33773, "ccCompleteTime"},
    MessageRow{33774, "ccCopy"},
    MessageRow{33775, "ccCtrlChar"},
    MessageRow{33776, "ccCut"},
    MessageRow{33777, "ccDec"},
    MessageRow{33778, "ccDel"},
    MessageRow{33779, "ccDelBol"},
    MessageRow{33780, "ccDelEol"},
    MessageRow{33781, "ccDelLine"},
    MessageRow{33782, "ccDelWord"},
    MessageRow{33783, "ccDown"},
    MessageRow{33784, "ccEnd"},
    MessageRow{33785, "ccExtendDown"},
    MessageRow{33786, "ccExtendEnd"},
    MessageRow{33787, "ccExtendHome"},
    MessageRow{33788, "ccExtendLeft"},
    MessageRow{33789, "ccExtendPgDn"},
    MessageRow{33790, "ccExtendPgUp"},
    MessageRow{33791, "ccExtendRight"},
    MessageRow{33792, "ccExtendUp"},
    MessageRow{33793, "ccExtBotOfPage"},
    MessageRow{33794, "ccExtFirstPage"},
    MessageRow{33795, "ccExtLastPage"},
    MessageRow{33796, "ccExtTopOfPage"},
    MessageRow{33797, "ccExtWordLeft"},
    MessageRow{33798, "ccExtWordRight"},
    MessageRow{33799, "ccFirstPage"},
    MessageRow{33800, "ccGotoMarker0"},
    MessageRow{33801, "ccGotoMarker1"},
    MessageRow{33802, "ccGotoMarker2"},
    MessageRow{33803, "ccGotoMarker3"},
    MessageRow{33804, "ccGotoMarker4"},
    MessageRow{33805, "ccGotoMarker5"},
    MessageRow{33806, "ccGotoMarker6"},
    MessageRow{33807, "ccGotoMarker7"},
    MessageRow{33808, "ccGotoMarker8"},
    MessageRow{33809, "ccGotoMarker9"},
    MessageRow{33810, "ccHome"},
    MessageRow{33811, "ccInc"},
    MessageRow{33812, "ccIns"},
    MessageRow{33813, "ccLastPage"},
    MessageRow{33814, "ccLeft"},
    MessageRow{33815, "ccNewLine"},
    MessageRow{33816, "ccNextPage"},
    MessageRow{33817, "ccPageLeft"},
    MessageRow{33818, "ccPageRight"},
    MessageRow{33819, "ccPaste"},
    MessageRow{33820, "ccPrevPage"},
    MessageRow{33821, "ccRedo"},
    MessageRow{33822, "ccRestore"},
    MessageRow{33823, "ccRight"},
    MessageRow{33824, "ccScrollDown"},
    MessageRow{33825, "ccScrollUp"},
    MessageRow{33826, "ccSetMarker0"},
    MessageRow{33827, "ccSetMarker1"},
    MessageRow{33828, "ccSetMarker2"},
    MessageRow{33829, "ccSetMarker3"},
    MessageRow{33830, "ccSetMarker4"},
    MessageRow{33831, "ccSetMarker5"},
    MessageRow{33832, "ccSetMarker6"},
    MessageRow{33833, "ccSetMarker7"},
    MessageRow{33834, "ccSetMarker8"},
    MessageRow{33835, "ccSetMarker9"},
    MessageRow{33836, "ccTab"},
    MessageRow{33837, "ccTableEdit"},
    MessageRow{33838, "ccTopLeftCell"},
    MessageRow{33839, "ccTopOfPage"},
    MessageRow{33840, "ccUndo"},
    MessageRow{33841, "ccUp"},
    MessageRow{33842, "ccWordLeft"},
    MessageRow{33843, "ccWordRight"},
};

static_assert(std::ranges::adjacent_find(rows, [](const MessageRow& a, const MessageRow& b) {
                return a.number >= b.number;
              }) == rows.end(),
              "message numbers must ascend");

}  // namespace

std::string_view MessageByNumber(std::uint16_t number) {
  const auto row = std::ranges::lower_bound(rows, number, {}, &MessageRow::number);
  return row != rows.end() && row->number == number ? row->text : std::string_view();
}

std::string_view MessageText(std::uint16_t number) {
  const std::string_view text = MessageByNumber(number);
  return text.empty() ? std::string_view("Unknown") : text;
}

std::string fill_placeholders(std::string_view text, std::initializer_list<std::string_view> values) {
  std::string result;
  const std::string_view* next = values.begin();
  std::size_t position = 0;
  while (position < text.size()) {
    const bool placeholder = text[position] == '%' && position + 1 < text.size() &&
                             (text[position + 1] == 's' || text[position + 1] == 'd');
    if (placeholder && next != values.end()) {
      result += *next++;
      position += 2;
    } else {
      result += text[position++];
    }
  }
  return result;
}

}  // namespace vx::controls

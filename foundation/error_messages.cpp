#include "foundation/error_messages.h"

#include <array>
#include <string_view>

#include "foundation/kstring.h"
#include "foundation/run_state.h"
#include "foundation/status_output.h"

namespace vx {
namespace {

constexpr std::array<std::string_view, 66> numbered_messages{
    "Unrecognizable or improper parameter value.",
    "UNDEFINED opcode encountered.",
    "Too many parameters. See HELP.",
    "Preset breakpoint encountered. ",
    "Operator interrupt.",
    "Gotil address encountered.",
    "No mapfile currently loaded.",
    "Invalid error call - consult system programmer.",
    "RAM address too large.",
    "Can't set counter in unimplemented (UU) memory.",
    "Attempt to skip next unspecified instruction.",
    "Can't set breakpoint in unimplemented (UU) memory.",
    "ERROR - data does not fit in a word.",
    "An illegal or unidentified operand was encountered.",
    "Can't access memory while running.",
    "Invalid command or parameter.",
    "Command or Parameter Invalid.",
    "MAP file also loaded.",
    "Missing file name. ",
    "No MAP file loaded.",
    "Must open capture/log file first.",
    "Second address must be greater than first.",
    "ERROR - data does not fit in a byte.",
    "ERROR - data must be in the range 1 to 8.",
    "Instructions allowed only on even byte boundaries.",
    "Assembly terminated - opcode form not valid.",
    "First parameter unrecognizable or invalid.",
    "Second parameter unrecognizable or invalid.",
    "Warning: input value is being masked to proper size.",
    "Must specify filename to capture too.",
    "Macro recording already in progress.",
    "Macrostart not allowed in a macro file.",
    "Symbol name illegal - may be interpreted as a hex number.",
    "No symbols currently defined.",
    "Command invalid while in \"running\" mode.",
    "Parameter invalid (required during MACRO playback).",
    "ERROR - data must be in the range 0 to 7.",
    "Error : Can't find macro file.",
    "Can not set both Z and N to 1.",
    "Ignoring extra parameters.",
    "Error writing to CPU register.",
    "Warning - Breakpoints set before load. Use NOBR to clear.",
    "Third parameter unrecognizable or invalid.",
    "Debug information not currently loaded.",
    "No breakpoints currently defined.",
    "Cannot access register while processor is running.",
    "Attempt to use invalid or uninitialized memory.",
    "SNAPSHOT Aborted : A logfile is not currently open.",
    "ERROR - opcode size not allowed.",
    "Command not allowed during MACRO playback.",
    "ERROR - relative address does not fit in a word.",
    "ERROR - displacement does not fit in a word.",
    "UNKNOWN INPUT -- \".\" to exit",
    "Command not allowed while RUNNING.",
    "Command aborted by user.",
    "No Help available - .HLP file not found",
    "Could not find source line.",
    "Error Opening Window - Aborting.",
    "Error loading S19 file - Aborting!!",
    "User Abort.",
    "Code Window : No object code for this source line.",
    "Out of Memory!!!",
    "Error in starting address.",
    "Error in ending address.",
    "Division by 0 not allowed.",
    "Invalid key response in transmit routine. Test Error.",
};

constexpr std::uint32_t at_location_first = 98;
constexpr std::uint32_t at_location_second = 99;

}  // namespace

void ERROR_MESSAGE(std::uint32_t number) {
  const StatusOutput& output = status_output();
  if (output.output_suppressed || output.window_destroyed) return;
  if (number >= 1 && number <= numbered_messages.size()) {
    WRITELN_TO_DEBUG(numbered_messages[number - 1]);
  } else if (number == at_location_first || number == at_location_second) {
    const ShortText location = hex_long(output.current_location);
    const std::size_t digits = std::min<std::size_t>(run_state().address_digit_count, location.size());
    WRITE_TO_DEBUG("At location " + location.substr(location.size() - digits) + " - ");
  } else {
    WRITELN_TO_DEBUG("Invalid error call - consult system programmer.");
  }
}

}  // namespace vx

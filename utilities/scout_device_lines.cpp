#include "utilities/scout_device_lines.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

#include "foundation/kstring.h"
#include "fwupdate/osbdm_binding.h"
#include "fwupdate/updater_usb_ports.h"

namespace vx::utilities::fwscout_form {
namespace {

constexpr std::string_view universal_mark = "(FS)";
// The binding names a board after its target and firmware only when it kept the board's version bytes.
constexpr std::string_view version_kept_mark = "(Firmware Version ";

struct ConfigName {
  std::string_view cut;
  std::string_view name;
};
constexpr std::array<ConfigName, 4> config_names{{{"ARM", "Kinetis"},
                                                  {"PPCNEXUS", "Qorivva"},
                                                  {"CF", "ColdFire V234"},
                                                  {"12", "RS08, S08, S12(X), ColdFire+ V1"}}};

bool has(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

// The text behind the first `mark`, the whole text when there is none.
std::string_view after_first(std::string_view text, char mark) {
  const std::size_t at = text.find(mark);
  return at == std::string_view::npos ? text : text.substr(at + 1);
}

ShortText config_name(std::string_view cut) {
  const ShortText key = upper_case(trim(ShortText(cut)));
  for (const ConfigName& entry : config_names) {
    if (key == entry.cut) return ShortText(entry.name);
  }
  return ShortText(cut);
}

struct Listing {
  std::vector<std::string> lines;
  std::int32_t listed = 0;

  void add(const ShortText& line) { lines.push_back(line.str()); }
  ShortText next_device_line(const ShortText& text) { return "Device " + long_to_str(listed++) + " : " + text; }
};

// A Universal's model text: "<maker>: <name> - <kind> - <config> (FS)<rest>".
void list_universal(Listing& listing, std::string_view description, const ShortText& serial) {
  const std::size_t colon = description.find(':');
  // Without a colon the text starts at its second character.
  std::string_view text = description.substr(std::min(description.size(), colon == std::string_view::npos ? 1 : colon + 2));
  text = after_first(after_first(text, '-'), '-');
  std::string_view cut, rest;
  if (const std::size_t mark = text.find(universal_mark); mark != std::string_view::npos) {
    cut = text.substr(0, mark == 0 ? 0 : mark - 1);
    rest = text.substr(mark + universal_mark.size());
  }
  const ShortText device = "Quorvex Universal" + ShortText(rest);
  listing.add(listing.next_device_line(device));
  listing.add("     Current Config :    " + config_name(cut));
  const ShortText upper = upper_case(device);
  if (const std::size_t rev = upper.view().find("REV "); rev != std::string_view::npos && rev + 4 < device.size()) {
    listing.add("     Hardware Revision : " + ShortText(device.view().substr(rev + 4, 1)));
  }
  listing.add("     Serial Number :     " + serial);
}

ShortText target_name(std::uint8_t target_type) {
  const ShortText name = osbdm_target_name(target_type);
  return name.empty() ? ShortText("CoreTypeUnknown") : name;
}

ShortText firmware_type_name(std::uint8_t firmware_type) { return firmware_type == 1 ? "Embedded" : ""; }

// A board's version bytes come only from its own entry of the OSBDM list.
void list_board(Listing& listing, const ShortText& description, const OsbdmDevice* board) {
  listing.add(listing.next_device_line(description));
  if (board == nullptr || !has(board->description, version_kept_mark)) return;
  namespace v = osbdm_version;
  const OsbdmVersionBytes& version = board->version;
  listing.add("     Firmware Build :     " + long_to_str(version[v::BUILD_VER]));
  listing.add("     Firmware Revision :  " + long_to_str(version[v::BUILD_VER_REV]));
  listing.add("     Firmware Target :    " + target_name(version[v::TARGET_TYPE]));
  listing.add("     Firmware Type :      " + firmware_type_name(version[v::FIRMWARE_TYPE]));
  listing.add("     Hardware Board ID :  " + long_to_str(version[v::BOARD_ID]));
}

// The board behind entry k of the combined list; none outside its OSBDM part.
const OsbdmDevice* board_of_entry(std::int32_t k) {
  // This program lists no FTDI-based interfaces: the OSBDM part follows the WinDriver interfaces.
  const std::int32_t j = k - updater::updater_usb_ports().windriver_count;
  if (j < 1 || j > osbdm_binding().osbdm_number_of_devices) return nullptr;
  return &osbdm_binding().devices[static_cast<std::size_t>(j - 1)];
}

}  // namespace

std::vector<std::string> device_lines(std::int32_t count) {
  Listing listing;
  for (std::int32_t k = 1; k <= count; ++k) {
    const ShortText description = updater::GET_USB_DEVICE_FIELD(k, 2);
    if (has(description, universal_mark)) {
      list_universal(listing, description.view(), updater::GET_USB_DEVICE_FIELD(k, 1));
    }
    const ShortText upper = upper_case(description);
    if (has(upper, "OSBDM") || has(upper, "OSJTAG")) list_board(listing, description, board_of_entry(k));
    listing.add("");
  }
  if (listing.listed == 0) listing.add("No Devices Found");
  return listing.lines;
}

}  // namespace vx::utilities::fwscout_form

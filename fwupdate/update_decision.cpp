#include "fwupdate/update_decision.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "foundation/file_checks.h"
#include "foundation/kstring.h"
#include "foundation/system_helpers.h"
#include "fwupdate/osbdm_update.h"
#include "fwupdate/updater_link.h"
#include "fwupdate/updater_usb_ports.h"
#include "interface/interface_reset.h"
#include "interface/firmware_update_link.h"
#include "interface/interface_hardware.h"
#include "interface/link_state.h"
#include "interface/usb_routing.h"
#include "platform/dialogs.h"

namespace vx::fwupdate {
namespace {

constexpr std::uint16_t explicit_file_version = 9999;
constexpr std::uint8_t windriver_family = 1;

enum Picture : std::uint8_t { usb_picture = 0, cable_picture = 1, programmer_picture = 2, trace_picture = 4 };

UpdateDecision decision;

struct Found {
  ShortText name;
  std::uint16_t version = 0;
};

bool pattern_absent(const ShortText& pattern) {
  const ShortText trimmed = trim(pattern);
  return trimmed.empty() || trimmed == "0.00";
}

// "?" is exactly one character, "*" any run of them; letters match either case.
bool matches(std::string_view name, std::string_view pattern) {
  if (pattern.empty()) return name.empty();
  if (pattern.front() == '*') {
    for (std::size_t skipped = 0; skipped <= name.size(); ++skipped) {
      if (matches(name.substr(skipped), pattern.substr(1))) return true;
    }
    return false;
  }
  if (name.empty()) return false;
  if (pattern.front() != '?' && upcase_char(pattern.front()) != upcase_char(name.front())) return false;
  return matches(name.substr(1), pattern.substr(1));
}

// The files in the pattern's directory whose names match its file-name part, in name order.
std::vector<std::string> matching_files(const ShortText& directory, std::string_view wanted) {
  std::vector<std::string> names;
  std::error_code failed;
  const std::filesystem::path folder(directory.empty() ? std::string(".") : directory.str());
  for (std::filesystem::directory_iterator entry(folder, failed), end; !failed && entry != end;
       entry.increment(failed)) {
    std::string name = entry->path().filename().string();
    std::error_code unreadable;
    if (matches(name, wanted) && entry->is_regular_file(unreadable)) names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end());
  return names;
}

// The file of the highest version; a later file of the same version does not replace it.
Found newest_file(const ShortText& pattern) {
  Found newest;
  if (pattern_absent(pattern)) return newest;
  const ShortText directory = path_part(pattern);
  const std::optional<ShortText> prefix = add_backslash(directory);
  if (!prefix) return newest;
  for (const std::string& name : matching_files(directory, file_name_part(pattern).view())) {
    if (prefix->size() + name.size() > ShortText::max_length) continue;
    std::uint16_t version = 0;
    if (!str_to_word(trim(name.substr(name.rfind('.') + 1)), version) || version <= newest.version) continue;
    newest = {*prefix + std::string_view(name), version};
  }
  return newest;
}

// The version to compare with: for a cable or a USB interface the lower of
// the reported one and the one running now, so an interface that fell back
// to its original firmware under the new version text is updated again. An
// OSBDM board's version is what its open read: the bridge carries no version read.
std::uint16_t interface_version() {
  const FirmwareRequest& request = firmware_request();
  if ((request.update_link_kind != cable_link && request.update_link_kind != usb_link) || osbdm_update_due()) {
    return request.interface_firmware_version;
  }
  const std::uint16_t running = get_running_firmware_version();
  if (link_state().link_status == 0) return request.interface_firmware_version;
  return std::min(running, request.interface_firmware_version);
}

std::uint8_t picture_for_link() {
  switch (firmware_request().update_link_kind) {
    case cable_link: return cable_picture;
    case usb_link: return usb_picture;
    default:
      return decision.build == EngineBuild::updater && decision.programmer_kind == 1 ? trace_picture
                                                                                       : programmer_picture;
  }
}

ShortText original_version_text() {
  if (firmware_request().update_link_kind != usb_link || !decision.windriver_interface) return ShortText();
  get_rom_firmware_version(interface_hardware::original_version_address);
  const FirmwareUpdateLink& link = firmware_update_link();
  return long_to_str(link.rom_major) + "." + long_to_str(link.rom_minor);
}

ShortText update_version_text() {
  if (decision.build == EngineBuild::programmer) {
    const ShortText& name = decision.update_file_name;
    return name.substr(name.size() - 3, 1) + "." + name.substr(name.size() - 2);
  }
  const std::uint16_t version = decision.update_file_version;
  return long_to_str(version / 100) + "." + left_pad_char(long_to_str(version % 100), '0', 2);
}

bool ask_retry() {
  const std::string question = decision.steps->last_update_status().str() + " Firmware update failed. Retry?";
  return safe_message_dlg(0, question, platform::DialogKind::warning, platform::button_yes | platform::button_no,
                          0) == platform::result_yes;
}

}  // namespace

UpdateDecision& update_decision() { return decision; }

bool windriver_family_open() {
  if (decision.build == EngineBuild::updater) {
    return updater::updater_usb_ports().usb_device_family == updater::UpdaterUsbPorts::family_windriver;
  }
  return usb_routing().usb_driver_family == windriver_family;
}

void reset_update_decision(EngineBuild build) {
  decision = UpdateDecision{};
  reset_firmware_request();
  decision.build = build;
  decision.reset_interface = build == EngineBuild::updater ? &updater::RESET_CABLE : &vx::RESET_CABLE;
}

bool find_update_firmware_file() {
  const FirmwareRequest& request = firmware_request();
  decision.update_file_name = decision.ens_file_name = decision.en2_file_name = ShortText();
  decision.update_file_version = decision.ens_file_version = decision.en2_file_version = 0;
  if (decision.build == EngineBuild::updater && request.use_explicit_file) {
    if (trim(request.explicit_firmware_file).empty() || !valid_file_exists(request.explicit_firmware_file)) {
      return false;
    }
    decision.update_file_name = request.explicit_firmware_file;
    decision.update_file_version = explicit_file_version;
    return true;
  }
  if (pattern_absent(request.update_search_pattern) && pattern_absent(request.en2_search_pattern)) return false;
  Found chosen;
  if (request.update_link_kind == programmer_link) {
    const Found ens = newest_file(request.ens_search_pattern);
    const Found en2 = newest_file(request.en2_search_pattern);
    decision.ens_file_name = ens.name;
    decision.ens_file_version = ens.version;
    decision.en2_file_name = en2.name;
    decision.en2_file_version = en2.version;
    // A staged update of any version beats every plain image.
    chosen = en2.version != 0 ? en2 : ens;
  } else {
    chosen = newest_file(request.update_search_pattern);
  }
  decision.update_file_name = chosen.name;
  decision.update_file_version = chosen.version;
  return chosen.version != 0;
}

bool update_firmware_if_newer(const ShortText& version_text) {
  if (decision.steps == nullptr || decision.update_failed || firmware_request().update_link_kind >= no_update_link) {
    return false;
  }
  decision.picture = picture_for_link();
  if (!find_update_firmware_file() || decision.update_file_version <= interface_version()) return false;
  decision.original_version_text = original_version_text();
  decision.current_version_text = version_text;
  decision.update_version_text = update_version_text();
  bool updated = decision.steps->update_cable_firmware();
  while (!updated && !decision.update_failed) {
    if (ask_retry()) {
      updated = decision.steps->update_cable_firmware();
    } else {
      decision.update_failed = true;
    }
  }
  if (updated) decision.update_done = true;
  return updated;
}

void ask_update_firmware(const ShortText& version_text) {
  FirmwareUpdateLink& link = firmware_update_link();
  if (link.busy) return;
  link.busy = true;
  // Released whichever way the update ends, an exception included.
  struct Release {
    ~Release() { firmware_update_link().busy = false; }
  } release;
  decision.update_done = false;
  update_firmware_if_newer(version_text);
}

void ask_update_firmware_after_reset(const ShortText& version_text) {
  // A reset inside an update leaves the update's inputs alone.
  if (firmware_update_link().busy) return;
  decision.windriver_interface = firmware_request().update_link_kind == usb_link && windriver_family_open();
  fwupdate::ask_update_firmware(version_text);
}

}  // namespace vx::fwupdate

#include "fwupdate/osbdm_update.h"

#include <algorithm>
#include <optional>

#include "foundation/kstring.h"
#include "foundation/system_helpers.h"
#include "fwupdate/osbdm_binding.h"
#include "fwupdate/update_decision.h"
#include "fwupdate/update_progress.h"
#include "fwupdate/updater_usb_ports.h"
#include "interface/firmware_request.h"
#include "interface/link_state.h"
#include "loaders/object_image.h"

namespace vx::fwupdate {
namespace {

constexpr std::uint32_t first_area_last = 0x11FF;
constexpr std::uint32_t first_paired_page = 0x12, last_paired_page = 0xFA, area_size = 0x200;

const char* const bootloader_question =
    "The embedded firmware needs to be in bootloader mode to update. Please unplug the USB cable, insert a jumper "
    "on the 2-pin bootloader header (connecting JM60 IRQ to ground), and reconnect the USB cable.";
const char* const run_mode_question =
    "The embedded OSJTAG/OSBDM needs to enter run mode to start the debug/programming session. Please unplug the "
    "USB cable, remove the jumper from the 2-pin bootloader header, and reconnect the USB cable.";
const char* const link_lost = "Error. Check Port, Power, and Connections.";
const char* const no_file = "Cant find Update file.";

const char* const another_board_waits =
    "Another OSBDM/OSJTAG board is already in bootloader mode. Unplug it, then update this board again.";

// The link-good word: 0 tells the rest of the program the board is no longer usable.
bool link_failed() { return link_state().link_status == 0; }
void drop_link() { link_state().link_status = 0; }
// The board answers again: an ending's reset, which cannot reach a board in its bootloader, dropped the word.
void reach_link() { link_state().link_status = LinkState::reload_start; }

bool confirmed(const char* question) {
  return safe_message_dlg(0, question, platform::DialogKind::confirmation,
                          platform::button_ok | platform::button_cancel, 0) == platform::result_ok;
}

void close_and_drop_link() {
  osbdm_close_device();
  drop_link();
}

enum class BootloaderOpen : std::uint8_t { chosen_board, none_waiting, ambiguous };

// The bootloader open reaches the first board waiting in bootloader mode, whichever it is: it
// reaches the chosen board only when that one waits alone.
BootloaderOpen open_in_bootloader(bool chosen_runs_debug_firmware) {
  const std::int32_t waiting = osbdm_bootloader_devices_waiting();
  if (waiting > 1 || (waiting == 1 && chosen_runs_debug_firmware)) return BootloaderOpen::ambiguous;
  if (waiting == 0 || !osbdm_bootloader_open_device_in_bootloader_mode()) return BootloaderOpen::none_waiting;
  return BootloaderOpen::chosen_board;
}

// The chosen board in bootloader mode, the user asked to fit the jumper until it is; false after
// the failure ending (a cancelled question, or another board that the open could reach instead).
bool open_chosen_board(UpdateEnding& ending) {
  const bool runs_debug_firmware = osbdm_binding().osbdm_device_open;
  const ShortText chosen = osbdm_binding().last_osbdm_device_name;
  BootloaderOpen opened = open_in_bootloader(runs_debug_firmware);
  while (opened == BootloaderOpen::none_waiting) {
    if (!confirmed(bootloader_question)) {
      close_and_drop_link();
      return ending.fail(link_lost);
    }
    opened = open_in_bootloader(false);
  }
  if (opened == BootloaderOpen::ambiguous) {
    osbdm_bootloader_close_device();
    // The chosen board is left as the user chose it, so that a retry checks again; one that does
    // not open again could not be told from the other board, so no retry is offered.
    if (runs_debug_firmware && !osbdm_open_device(chosen)) update_decision().update_failed = true;
    return ending.fail(another_board_waits);
  }
  reach_link();
  return true;
}

// Asks until the board runs its debug firmware again; Cancel closes it and drops the link.
void return_to_run_mode() {
  for (;;) {
    if (!confirmed(run_mode_question)) {
      close_and_drop_link();
      return;
    }
    if (osbdm_bootloader_reopen_last_osbdm_device_in_debug_mode()) {
      reach_link();
      return;
    }
  }
}

// Frees the loaded records however the attempt ends.
struct LoadedRecords {
  ~LoadedRecords() { loaders::clear_object_image(); }
  FirmwareFile read(FirmwareFileForm form) { return read_firmware_file(update_decision().update_file_name, form); }
};

bool erase_area(std::uint32_t first, std::uint32_t last) {
  if (osbdm_bootloader_erase_flash_block(first, last)) return true;
  drop_link();
  return false;
}

bool erase_window(UpdateEnding& ending) {
  update_status("Erasing MCU Firmware \"update\" block ... ");
  if (!erase_area(osbdm_window_first, first_area_last)) return ending.fail("Flash Erase Failed.");
  for (std::uint32_t page = first_paired_page; page <= last_paired_page; page += 2) {
    const std::uint32_t first = page << 8;
    update_status("Erasing Address $" + hex_long(first));
    if (!erase_area(first, first + area_size - 1)) return ending.fail("Flash Erase Failed.");
  }
  update_status("Flash Erase Success.");
  return true;
}

// Programs or verifies each record with its own line; the first refusal fails the update.
bool each_record(UpdateEnding& ending, const std::vector<FirmwareRecord>& records, const char* what,
                 bool (*call)(std::uint32_t, std::span<const std::uint8_t>)) {
  for (const FirmwareRecord& record : records) {
    const ShortText line = what + hex_long(record.address);
    if (!call(record.address, record.bytes)) return ending.fail(line + " : ERROR!!!!");
    update_status(line + " : Success.");
  }
  return true;
}

}  // namespace

bool osbdm_update_due() {
  return update_decision().build == EngineBuild::updater && firmware_request().update_link_kind == usb_link &&
         updater::updater_usb_ports().usb_device_family == updater::UpdaterUsbPorts::family_osbdm;
}

std::vector<FirmwareRecord> osbdm_window_records(std::span<const FirmwareRecord> records) {
  std::vector<FirmwareRecord> inside;
  for (const FirmwareRecord& record : records) {
    // 64-bit ends: a record near the top of the address space does not wrap.
    const std::uint64_t first = std::max<std::uint64_t>(record.address, osbdm_window_first);
    const std::uint64_t end =
        std::min<std::uint64_t>(std::uint64_t{record.address} + record.bytes.size(), osbdm_window_last + 1ull);
    if (first >= end) continue;
    const auto from = record.bytes.begin() + static_cast<std::ptrdiff_t>(first - record.address);
    inside.push_back({static_cast<std::uint32_t>(first), {from, from + static_cast<std::ptrdiff_t>(end - first)}});
  }
  return inside;
}

bool update_osbdm_firmware(UpdateEnding& ending) {
  if (!open_chosen_board(ending)) return false;

  show_update_window();
  update_status("");
  update_status("Booting OSBDM to bootloader (please wait) ... ");
  update_status("");
  update_status("Loading new Firmware data ...");
  LoadedRecords file;
  // A plain file read scrambled is damaged text: like a scrambled file without
  // a record in the window, it is read again plain, and that reading decides.
  const FirmwareFile scrambled = file.read(FirmwareFileForm::scrambled);
  if (scrambled.fault == FirmwareFileFault::unreadable) return ending.fail(no_file);
  update_status("Success.");
  std::vector<FirmwareRecord> inside = osbdm_window_records(scrambled.records);
  if (inside.empty()) {
    const FirmwareFile plain = file.read(FirmwareFileForm::plain);
    if (plain.fault) return ending.fail(no_file);
    update_status("Success.");
    inside = osbdm_window_records(plain.records);
  }
  if (inside.empty()) {
    update_status("ERROR - No data to program!");
    drop_link();
    ending.end_failure_once();
    return false;
  }

  if (!erase_window(ending)) return false;
  if (!each_record(ending, inside, "Programming MCU flash bytes at Address $", osbdm_bootloader_program_flash_block)) {
    return false;
  }
  update_status("Programming MCU Flash ... Success.");
  update_status("");
  if (!each_record(ending, inside, "Verifying MCU flash bytes at Address $", osbdm_bootloader_verify_flash_block)) {
    return false;
  }
  update_status("Verifying MCU Flash ... ");
  update_status("Success.");
  if (link_failed()) return ending.fail(link_lost);
  ending.complete();
  return_to_run_mode();
  return true;
}

}  // namespace vx::fwupdate

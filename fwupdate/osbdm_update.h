#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "fwupdate/flash_update.h"
#include "fwupdate/update_ending.h"

// The firmware update of an OSBDM/OSJTAG circuit on an evaluation board,
// through the board's own bootloader: the user fits the bootloader jumper,
// the firmware area is erased, programmed and verified record by record, and
// the user removes the jumper again. The updater's build only.
namespace vx::fwupdate {

inline constexpr std::uint32_t osbdm_window_first = 0x10B0, osbdm_window_last = 0xFBFF;

// The updater's engine has an OSBDM board open on USB.
bool osbdm_update_due();

// The bytes of the records that lie inside the board's firmware window, a
// record reaching over an edge cut to its part inside; in the records' order.
std::vector<FirmwareRecord> osbdm_window_records(std::span<const FirmwareRecord> records);

// True when the update ran to its end (a cancelled run-mode question
// included); false after the failure ending. The engine has checked that a
// file was chosen.
bool update_osbdm_firmware(UpdateEnding& ending);

}  // namespace vx::fwupdate

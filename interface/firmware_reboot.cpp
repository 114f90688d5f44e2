#include <array>

#include "foundation/microsecond_timer.h"
#include "foundation/system_helpers.h"
#include "interface/byte_protocol.h"
#include "interface/drivers/wdusb_devices.h"
#include "interface/drivers/windows_version.h"
#include "interface/firmware_update_link.h"
#include "interface/interface_hardware.h"
#include "interface/interface_kind.h"
#include "interface/interface_reset.h"
#include "interface/link_state.h"
#include "interface/usb_routing.h"
#include "platform/clock.h"
#include "platform/ws/application.h"

// The two reboot steps the firmware update engine calls: back to the
// interface's original firmware, through a small loader written into
// interface memory on firmware 5.32 and older of the WinDriver family.
namespace vx {
namespace {

constexpr std::uint8_t interface_command = 7, run_code = 3;
constexpr std::uint8_t memory_block_sub_command = 10, boot_original_sub_command = 15;
constexpr std::uint16_t loader_flag_address = 0x1CB2;
constexpr std::uint16_t loader_address = 0x1B30;
constexpr std::array<std::uint16_t, 14> loader_words = {0x180B, 0x4003, 0x0018, 0x0B20, 0x0301, 0xCD00, 0x6604,
                                                        0x35FD, 0x0436, 0xFA18, 0x0301, 0x0000, 0x3C20, 0xFE00};
constexpr std::array<std::uint8_t, 8> memory_block_bytes = {0x00, 0x00, 0x02, 0x0F, 0xBF, 0xFE, 0x00, 0x00};
constexpr std::int32_t run_code_timeout_ms = 100;
constexpr std::uint32_t first_attach_delay_ms = 2000;
constexpr std::uint64_t restart_sleep_us = 500'000;
constexpr int restart_cycles = 4, sleeps_per_cycle = 4;
constexpr std::int64_t windriver_boot_wait_us = 2'000'000, boot_wait_us = 50'000;

std::uint8_t offset_sub_command(std::uint8_t sub_command) {
  return static_cast<std::uint8_t>(byte_protocol().command_offset + sub_command);
}

void prepare_memory_block() {
  SEND8(interface_command);
  SEND8(offset_sub_command(memory_block_sub_command));
  for (std::size_t i = 0; i + 1 < memory_block_bytes.size(); ++i) SEND8(memory_block_bytes[i]);
  SEND_CMD_LONG(memory_block_bytes.back());
  RECV16();
  read_interface_word(interface_hardware::upgrade_check_address);
}

void run_loader() {
  usb_routing().usb_expect_reply = false;
  set_attach_delay_1(first_attach_delay_ms);
  SEND8(run_code);
  SEND8(static_cast<std::uint8_t>(loader_address >> 8));
  SEND_CMD(static_cast<std::uint8_t>(loader_address), run_code_timeout_ms);
  usb_routing().usb_expect_reply = true;
}

// The interface restarts; its next attach is held back less and less.
void wait_for_restart() {
  for (int cycle = 0; cycle < restart_cycles; ++cycle) {
    for (int sleep = 1; sleep <= sleeps_per_cycle; ++sleep) {
      platform::clock().sleep_microseconds(restart_sleep_us);
      if (cycle == 0) {
        set_attach_delay_1(first_attach_delay_ms - static_cast<std::uint32_t>(sleep) * 500);
      } else if (sleep == sleeps_per_cycle) {
        set_attach_delay_1(0);
      }
    }
    ws::process_messages();
  }
}

}  // namespace

bool boot_original_firmware_v5() {
  if (!on_windriver_usb()) return false;
  get_rom_firmware_version(interface_hardware::original_version_address);
  const FirmwareUpdateLink& update = firmware_update_link();
  if (update.rom_major != 5 || update.rom_minor > 32) return false;
  get_running_firmware_version();
  if ((read_interface_word(loader_flag_address) & 0xFF) == 0 && update.rom_minor == 30) return false;
  prepare_memory_block();
  for (std::size_t i = 0; i < loader_words.size(); ++i) {
    write_interface_word(static_cast<std::uint16_t>(loader_address + 2 * i), loader_words[i]);
  }
  run_loader();
  wait_for_restart();
  const std::uint8_t windows = windows_version_code();
  if (windows == 2 || windows == 3) {
    safe_message_dlg(0,
                     "Press OK when the BLUE LED on the VLX interface turns on. This should take between 5-10 "
                     "seconds.",
                     platform::DialogKind::information, platform::button_ok, 0);
  }
  RESET_CABLE();
  return true;
}

void boot_original_firmware() {
  if (boot_original_firmware_v5()) return;
  SEND8(interface_command);
  SEND_CMD_LONG(offset_sub_command(boot_original_sub_command));
  delay_microseconds(on_windriver_usb() ? windriver_boot_wait_us : boot_wait_us);
}

}  // namespace vx

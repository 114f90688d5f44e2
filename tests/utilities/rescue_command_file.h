#pragma once

#include <string>

namespace vx::test {

// The command file fwrescue writes for the programmer, byte for byte, from the program
// directory (ending in "/") and the firmware file's full name.
inline std::string rescue_command_file(const std::string& program_dir, const std::string& firmware) {
  return "CM " + program_dir + "9S08JM60.S8p            ; Select 9S08JM60 device\r\n"
         "SS " + firmware + "            ; Choose firmware file as data source\r\n"
         "EM            ; Erase the entire device\r\n"
         "PM            ; Program the firmware to the device \r\n"
         "PT            ; Program accurate device trim \r\n"
         "VC            ; Verify that firmware programming occured properly\r\n"
         "RE            \r\n"
         "GO            ; Start OSBDM Firmware running\r\n"
         "QU\r\n";
}

}  // namespace vx::test

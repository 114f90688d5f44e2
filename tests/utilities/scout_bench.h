#pragma once

// Simulated benches for fwscout's tests.
namespace vx::test {

// A Universal whose model text gives the Kinetis configuration, two boards in
// debug mode (S08 Embedded, Kinetis of firmware type 2) and one in its bootloader.
inline constexpr const char* universal_and_three_boards = R"(
[interface u]
family = windriver
information = VLX,A: b - c - ARM (FS) Rev C,UQ100042
[osbdm 1]
version = 1,1,31,2,1,5,3,0
[osbdm 2]
version = 1,1,32,7,2,2,9,0
[osbdm 3]
mode = bootloader
)";

// What fwscout lists for that bench.
inline constexpr const char* universal_and_three_boards_lines[] = {
    "",
    "Device 0 : Quorvex Universal Rev C",
    "     Current Config :    Kinetis",
    "     Hardware Revision : C",
    "     Serial Number :     UQ100042",
    "",
    "Device 1 : Embedded S08 OSBDM/OSJTAG Device (Firmware Version 31.5)",
    "     Firmware Build :     31",
    "     Firmware Revision :  5",
    "     Firmware Target :    S08",
    "     Firmware Type :      Embedded",
    "     Hardware Board ID :  3",
    "",
    "Device 2 : Embedded Kinetis OSBDM/OSJTAG Device (Firmware Version 32.2)",
    "     Firmware Build :     32",
    "     Firmware Revision :  2",
    "     Firmware Target :    Kinetis",
    "     Firmware Type :      ",
    "     Hardware Board ID :  9",
    "",
    "Device 3 : Embedded OSBDM/OSJTAG Device - Bootloader Mode",
    "",
};

}  // namespace vx::test

#pragma once

// The update of a stand-alone programmer through its link: the plain image
// with its length and CRC trailer, or the staged update (kernels, the check
// of the manufacturing image, the upgrade image in sections with its table),
// then the FPGA design when the programmer holds a newer one.
namespace vx::fwupdate {

// From the identity check to the FPGA step. Every file is loaded and checked
// before the first erase. False after a failed step, whose lines stay shown;
// the caller runs the failure ending.
bool update_programmer_firmware();

}  // namespace vx::fwupdate

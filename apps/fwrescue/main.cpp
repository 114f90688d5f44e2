// fwrescue restores an OSBDM board's firmware by running the flash programmer
// beside it. It starts no simulated world: VX_SIM reaches the programmer
// through the environment.
#include "utilities/rescue_main_block.h"

int main() { return vx::utilities::rescue_main_block(); }

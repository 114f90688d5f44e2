#pragma once

#include "foundation/short_text.h"

namespace vx::programmer {

// Makes sure the desktop file suits the screen: when it is missing, was made
// for another screen type or is older than the default desktop that the
// index "CQLLVIDM.DEF" names for this screen, the default is merged into it.
// Ends with 99 without the index, 98 without the default desktop and 97 on
// an input/output error.
void install_default_desktop(const ShortText& desktop_file_name);

}  // namespace vx::programmer

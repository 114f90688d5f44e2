#pragma once

#include <string>
#include <string_view>
#include <vector>

// What the programs ask of the desktop around their windows.
namespace vx::ws {

// The system's default beep; every beep is counted, headless it is only counted.
void beep();
unsigned beep_count();

// The display's primary screen; fixed headless: 1280 by 1024 pixels at 96
// pixels per inch.
int screen_width();
int screen_height();
int screen_pixels_per_inch();

// The application's title (the program's name until set) and help file, as the desktop shows them.
void set_application_title(std::string_view title);
const std::string& application_title();
void set_help_file(std::string_view file);
const std::string& help_file();

// There is no help viewer: every request fails, and is remembered.
bool show_help(std::string_view topic);
const std::vector<std::string>& help_requests();

// Opens a web address with xdg-open, not waiting for it; headless the
// address is only remembered. Every address asked for is remembered.
bool open_url(std::string_view url);
const std::vector<std::string>& opened_urls();

void reset_shell();

}  // namespace vx::ws

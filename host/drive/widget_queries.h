// Finding the plug-in's widgets as a user finds them on screen: by a window's title and a
// button's text. The program, the end-to-end tests and the fuzz targets all look for the
// "Lucid" window and its buttons this way.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace host {

// The first window of the plug-in titled `title` (UTF-8), 0 when there is none. The host's
// main window is not the plug-in's and never matches.
int32_t FindWindowTitled(const std::string& title);
// The buttons showing `text` (UTF-8) inside `window`'s frames and the window itself, in
// the order the window shows them; none when `window` is 0 or gone.
std::vector<int32_t> FindButtons(int32_t window, const std::string& text);

}  // namespace host

// Where pellucid-host keeps the host's settings when it is not told.
#pragma once

#include <string>

namespace host {

// The default settings file: settings.xml in the user's configuration folder for
// Pellucid (APPDATA on Windows, else XDG_CONFIG_HOME or ~/.config; the current folder
// when none is set); the folder is made when missing, and `problem` says why it could
// not be ("" when it was, or was there).
std::string DefaultSettingsFile(std::string* problem);

}  // namespace host

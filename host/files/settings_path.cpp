#include "host/files/settings_path.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace host {

std::string DefaultSettingsFile(std::string* problem) {
    std::filesystem::path folder;
    if (const char* appdata = std::getenv("APPDATA"); appdata != nullptr && *appdata != '\0') {
        folder = std::filesystem::path(appdata) / "Pellucid";
    } else if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config != '\0') {
        folder = std::filesystem::path(config) / "pellucid";
    } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        folder = std::filesystem::path(home) / ".config" / "pellucid";
    } else {
        folder = ".";
    }
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    problem->clear();
    if (error) *problem = "cannot make the folder " + folder.string() + ": " + error.message();
    return (folder / "settings.xml").string();
}

}  // namespace host

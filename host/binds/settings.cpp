#include "host/binds/settings.h"

#include "host/files/file_io.h"
#include "host/files/xml_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

namespace host {
namespace {

constexpr const char* kRootName = "settings";
constexpr const char* kPluginSettingsName = "pluginsettings";

struct SettingsState {
    std::unique_ptr<XmlElement> root;
    XmlElement* plugin_settings = nullptr;
    bool offered = true;
    std::string file;
    bool writable = true;  // false when a damaged file could not be moved out of the way

    SettingsState() { Adopt(std::make_unique<XmlElement>(kRootName)); }

    // Takes `tree` as the settings, with a "pluginsettings" element under its root.
    void Adopt(std::unique_ptr<XmlElement> tree) {
        root = std::move(tree);
        plugin_settings = root->FindChild(kPluginSettingsName);
        if (plugin_settings == nullptr) plugin_settings = &root->AppendChild(kPluginSettingsName);
    }
};

SettingsState& State() {
    static SettingsState state;
    return state;
}

// "<file>.damaged", or the first "<file>.damaged-N" that does not exist yet, so that an
// earlier damaged file kept aside is never replaced.
std::string FreeAsideName(const std::string& file) {
    std::string candidate = file + ".damaged";
    std::error_code ignored;
    for (int n = 2; std::filesystem::exists(candidate, ignored); ++n) {
        candidate = file + ".damaged-" + std::to_string(n);
    }
    return candidate;
}

void Report(const std::string& line) { std::fprintf(stderr, "pellucid-host: %s\n", line.c_str()); }

}  // namespace

XmlElement& SettingsRoot() { return *State().root; }

XmlElement& PluginSettings() { return *State().plugin_settings; }

void OfferSettings(bool offer) { State().offered = offer; }

bool SettingsOffered() { return State().offered; }

const std::string& SettingsFile() { return State().file; }

void ResetSettings() {
    SettingsState& state = State();
    state.Adopt(std::make_unique<XmlElement>(kRootName));
    state.offered = true;
    state.file.clear();
    state.writable = true;
}

SettingsLoad LoadSettings(const std::string& file) {
    SettingsState& state = State();
    state.Adopt(std::make_unique<XmlElement>(kRootName));
    state.file = file;
    state.writable = true;

    SettingsLoad load;
    std::error_code status_error;
    if (!std::filesystem::exists(file, status_error) && !status_error) {
        load.outcome = SettingsLoad::kMissing;
        return load;
    }

    if (!std::filesystem::is_regular_file(file, status_error)) {
        // Something else sits where the file belongs; it is not the host's to move.
        state.writable = false;
        load.outcome = SettingsLoad::kDamaged;
        load.report = "the settings file " + file + " is not a readable file; started with empty settings, " +
                      "which will not be saved";
        Report(load.report);
        return load;
    }

    std::string content, error;
    std::unique_ptr<XmlElement> tree;
    if (ReadWholeFile(file, &content, &error)) tree = ParseXml(content, &error);
    if (tree) {
        state.Adopt(std::move(tree));
        load.outcome = SettingsLoad::kRead;
        return load;
    }

    load.outcome = SettingsLoad::kDamaged;
    std::string aside = FreeAsideName(file);
    std::error_code rename_error;
    std::filesystem::rename(file, aside, rename_error);
    if (!rename_error) {
        load.kept_as = aside;
        load.report = "the settings file " + file + " is damaged (" + error + "); kept it as " + aside +
                      " and started with empty settings";
    } else {
        state.writable = false;
        load.report = "the settings file " + file + " is damaged (" + error + ") and could not be moved aside (" +
                      rename_error.message() + "); started with empty settings, which will not be saved";
    }
    Report(load.report);
    return load;
}

bool SaveSettings(std::string* error) {
    SettingsState& state = State();
    auto fail = [&](const std::string& why) {
        if (error != nullptr) *error = why;
        return false;
    };
    if (state.file.empty()) return fail("no settings file in use");
    if (!state.writable) return fail("the damaged settings file " + state.file + " is still in the way");

    // Written whole or not at all: a file that other tools reject is not written.
    std::string why = WhyNotWritableXml(*state.root);
    if (!why.empty()) return fail("the settings hold what an XML file cannot carry: " + why);
    if (!WriteFileAtomically(state.file, WriteXml(*state.root), &why)) return fail(why);
    return true;
}

}  // namespace host

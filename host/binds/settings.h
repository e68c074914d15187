// The stand-in host's settings: one element tree for the whole host, with the element
// "pluginsettings" under which each plug-in keeps a section, read from a file at the
// host's start and written back at its exit.
#pragma once

#include <string>

#include "host/binds/xml.h"

namespace host {

// The root element of the settings ("settings"); message 505 hands it out as "root".
XmlElement& SettingsRoot();
// The element "pluginsettings" under the root; message 505 hands it out by that name.
XmlElement& PluginSettings();

// Whether message 505 hands out the settings elements. True at start; a test or a user
// turns it off to see how the plug-in does without settings.
void OfferSettings(bool offer);
bool SettingsOffered();

struct SettingsLoad {
    enum Outcome {
        kRead,     // the file was read
        kMissing,  // there was no file: empty settings, as at a first start
        kDamaged,  // the file could not be read or parsed, or is no file: empty settings
    };
    Outcome outcome = kMissing;
    // For kDamaged, one line that says what was wrong and where the file went; also
    // printed on stderr.
    std::string report;
    // For kDamaged, where the unreadable file was kept; "" when it could not be moved or
    // is not a file at all, in which case the settings will not be written over it.
    std::string kept_as;
};

// The host's start: replaces the settings in memory by those of `file` and remembers the
// file for SaveSettings. A damaged file is never overwritten: it is renamed to
// "<file>.damaged" (or "<file>.damaged-2", ...) and the host starts with empty settings.
SettingsLoad LoadSettings(const std::string& file);

// The host's exit: writes the settings to the file given to LoadSettings, atomically
// (into "<file>.tmp", then renamed over the file), so that the old file stays whole
// until the new one is complete. True when written; false with `error` set (and nothing
// changed on disk) when it could not be, or when no file is in use.
bool SaveSettings(std::string* error = nullptr);

// The file in use, "" when none.
const std::string& SettingsFile();

// Empty settings, offered, and no file: the state of a fresh start.
void ResetSettings();

}  // namespace host

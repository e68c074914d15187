// The plug-in's section of the host's plug-in settings, where it keeps flags and integers
// as the text of one element per key:
//
//   pluginsettings                   (the host's element, handed out by message 505)
//     Plugin-7C4B21D9-3E8A6F12       (the section: product and plug-in ID, %08X each)
//       PosX   "-15"                 (a key: integers in signed decimal, flags "1" / "0")
//
// Elements whose names are not the plug-in's keys are left alone. Every save goes to the
// host's settings at once; the host decides when they reach its settings file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/platform.h"
#include "abi/records.h"
#include "plugin/plugin_base.h"

// An open section. Made by OpenSettingsSection and owned by its caller; destroying it
// closes it and writes nothing. Keys are ANSI names; a null key loads the default and
// saves nothing.
class MQSetting {
public:
    MQSetting(MQXmlElement settingsRoot, std::string sectionName);
    virtual ~MQSetting();
    MQSetting(const MQSetting&) = delete;
    MQSetting& operator=(const MQSetting&) = delete;

    // True when the key's first element has text that reads as a non-zero integer.
    bool LoadBool(const char* key);
    // The key's first element's text read as an integer the way _wtoi reads it (" 7" is
    // 7, "12px" is 12, letters are 0); `defaultValue` when the element is missing or its
    // text is empty.
    int32_t LoadInt(const char* key, int32_t defaultValue);
    // Each save removes the key's first element, the one that a load reads, and adds a
    // new one at the end of the section.
    void SaveBool(const char* key, bool value);
    void SaveInt(const char* key, int32_t value);

    // A key and its text made ready for the host ahead of the write, so that several keys
    // can be written together without running out of memory between them: what can fail
    // happens in the making, and Write only calls the host.
    struct Entry {
        std::string key;   // UTF-8; empty for a null key, which Write skips
        std::string text;  // UTF-8
    };
    static Entry BoolEntry(const char* key, bool value);
    static Entry IntEntry(const char* key, int32_t value);
    // Saves the entry as SaveBool and SaveInt do. Allocates nothing.
    void Write(const Entry& entry);

    MQXmlElement settingsRoot;  // the host's "pluginsettings"; not owned
    MQXmlElement section;       // the plug-in's section under it; not owned
    std::string sectionName;

private:
    static Entry MakeEntry(const char* key, const platform::WideString& text);
};

// Opens the section of `plugin` (named by its GetPlugInID), adding it when it is not
// there yet; null when the host offers no settings.
std::unique_ptr<MQSetting> OpenSettingsSection(MQBasePlugin* plugin);

// A plug-in file loaded by the stand-in host, reached through its C exports alone, as the
// host modeller reaches it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "host/binds/xml.h"
#include "host/drive/option_list.h"
#include "abi/abi.h"

namespace host {

// The host version the stand-in host announces in the handshake.
constexpr uint32_t kHostVersion = 0x4700;

struct PluginIdentity {
    uint32_t product = 0;
    uint32_t id = 0;
    std::string name;
    int32_t type = 0;
    std::string menu;  // MQEnumString(0), "" when null
};

class PluginModule {
public:
    // Loads the file and resolves its fourteen exports; null with `error` set when the file
    // cannot be loaded or lacks one of them.
    static std::unique_ptr<PluginModule> Load(const std::string& file, std::string* error);
    ~PluginModule();  // unloads the file
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    // The host's start: MQCheckVersion with `version`, then, when the answer is non-zero,
    // MQInit with the stand-in host module's own file name. True when both succeeded.
    bool Handshake(uint32_t version = kHostVersion);
    uint32_t version_answer() const { return version_answer_; }

    PluginIdentity Identity() const;

    int32_t SendEvent(MQDocument document, int32_t event, void* argument);
    int32_t SendEvent(MQDocument document, int32_t event, OptionList& options);

    // The host's events as the host sends them, each answering what MQOnEvent answered;
    // what a host does at any moment, also while a message box is open
    // (WidgetModel::WhileNextBoxOpen).
    int32_t Initialize(MQDocument document);                 // the host's start
    int32_t Exit(MQDocument document);                       // the host's exit
    int32_t Activate(MQDocument document, int32_t flag);     // the menu entry: 1 show, 0 hide
    // A document loaded or saved, with `element` as the plug-in's element (none for null).
    int32_t LoadDocument(MQDocument document, XmlElement* element, const std::string& file);
    int32_t SaveDocument(MQDocument document, XmlElement* element, const std::string& file);

    // The raw exports, for tests that call them directly.
#define PELLUCID_EXPORT_FIELD(name) name##_Fn* name = nullptr;
    MQ_PLUGIN_EXPORTS(PELLUCID_EXPORT_FIELD)
#undef PELLUCID_EXPORT_FIELD

private:
    PluginModule() = default;
    void* module_ = nullptr;
    uint32_t version_answer_ = 0;
};

// The file name of the stand-in host module, as MQInit is given it.
std::string HostModuleFile();

// The plug-in file built beside the running program: pellucid.so or pellucid.dll.
std::string PluginFileBesideProgram();

}  // namespace host

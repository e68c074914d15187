#include "host/drive/plugin_module.h"

#include "platform/platform.h"

namespace host {
namespace {

template <typename Fn>
bool Resolve(void* module, const char* name, Fn*& slot, std::string* missing) {
    slot = reinterpret_cast<Fn*>(platform::SystemModuleLoader().find(module, name));
    if (slot == nullptr && missing->empty()) *missing = name;
    return slot != nullptr;
}

}  // namespace

std::unique_ptr<PluginModule> PluginModule::Load(const std::string& file, std::string* error) {
    const platform::ModuleLoader& loader = platform::SystemModuleLoader();
    // A file named without a folder is the one in the current folder, as the user means
    // it: the POSIX loader would look for such a name on the library path instead.
    std::string path = file;
#if !defined(_WIN32)
    if (path.find('/') == std::string::npos) path.insert(0, "./");
#endif
    void* module = loader.load(path.c_str());
    if (module == nullptr) {
        std::string why = platform::LastModuleError();
        if (error != nullptr) *error = "cannot load the plug-in file " + file + (why.empty() ? "" : " (" + why + ")");
        return nullptr;
    }
    std::unique_ptr<PluginModule> plugin(new PluginModule());
    plugin->module_ = module;
    std::string missing;
#define PELLUCID_RESOLVE(name) Resolve(module, #name, plugin->name, &missing);
    MQ_PLUGIN_EXPORTS(PELLUCID_RESOLVE)
#undef PELLUCID_RESOLVE
    if (!missing.empty()) {
        if (error != nullptr) *error = file + " is not a plug-in: it does not export " + missing;
        return nullptr;  // the destructor unloads the file
    }
    return plugin;
}

PluginModule::~PluginModule() {
    if (module_ != nullptr) platform::SystemModuleLoader().release(module_);
}

bool PluginModule::Handshake(uint32_t version) {
    version_answer_ = MQCheckVersion(version);
    if (version_answer_ == 0) return false;
    return MQInit(HostModuleFile().c_str()) != 0;
}

PluginIdentity PluginModule::Identity() const {
    PluginIdentity identity;
    MQGetPlugInID(&identity.product, &identity.id);
    const char* name = MQGetPlugInName();
    identity.name = name != nullptr ? name : "";
    identity.type = MQGetPlugInType();
    const char* menu = MQEnumString(0);
    identity.menu = menu != nullptr ? menu : "";
    return identity;
}

int32_t PluginModule::SendEvent(MQDocument document, int32_t event, void* argument) {
    return MQOnEvent(document, event, argument);
}

int32_t PluginModule::SendEvent(MQDocument document, int32_t event, OptionList& options) {
    return MQOnEvent(document, event, options.Array());
}

int32_t PluginModule::Initialize(MQDocument document) { return SendEvent(document, MQEVENT_INITIALIZE, nullptr); }

int32_t PluginModule::Exit(MQDocument document) { return SendEvent(document, MQEVENT_EXIT, nullptr); }

int32_t PluginModule::Activate(MQDocument document, int32_t flag) {
    return SendEvent(document, MQEVENT_ACTIVATE, &flag);
}

int32_t PluginModule::LoadDocument(MQDocument document, XmlElement* element, const std::string& file) {
    OptionList options;
    options.Pointer(MQEVENT_KEY_XML_ELEMENT, element).Text(MQEVENT_KEY_FILENAME, file);
    return SendEvent(document, MQEVENT_LOAD_DOCUMENT, options);
}

int32_t PluginModule::SaveDocument(MQDocument document, XmlElement* element, const std::string& file) {
    OptionList options;
    options.Pointer(MQEVENT_KEY_XML_ELEMENT, element).Text(MQEVENT_KEY_FILENAME, file).Int(MQEVENT_KEY_SAVE_UID, 0);
    return SendEvent(document, MQEVENT_SAVE_DOCUMENT, options);
}

std::string HostModuleFile() {
    return platform::ModuleFileOf(reinterpret_cast<const void*>(&HostModuleFile));
}

std::string PluginFileBesideProgram() {
    return platform::ProgramFolder() + "pellucid" + platform::ModuleSuffix();
}

}  // namespace host

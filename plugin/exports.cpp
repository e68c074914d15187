// The fourteen functions the host sees of the plug-in. Each forwards to the export layer
// with the library's one plug-in object; none lets an exception reach the host.
#include "platform/export.h"
#include "plugin/dispatch.h"
#include "plugin/guard.h"
#include "plugin/host_api.h"

extern "C" {

// Answers MQ_PLUGIN_VERSION when the host is at least MQ_MIN_HOST_VERSION, else 0.
MQ_EXPORT uint32_t MQCheckVersion(uint32_t host_version) { return CheckHostVersion(host_version); }

// Binds the 175 host functions from the named host module; 1 when all were bound.
MQ_EXPORT int32_t MQInit(const char* host_module_file) {
    return Guarded<int32_t>(0, [&] { return BindHostApi(host_module_file); });
}

MQ_EXPORT void MQGetPlugInID(uint32_t* product, uint32_t* id) {
    GetPluginIdentity(GetPluginClass(), product, id);
}

MQ_EXPORT const char* MQGetPlugInName(void) { return GetPluginName(GetPluginClass()); }

MQ_EXPORT int32_t MQGetPlugInType(void) { return GetPluginType(GetPluginClass()); }

MQ_EXPORT const char* MQEnumString(int32_t index) {
    return EnumPluginString(GetPluginClass(), index);
}

MQ_EXPORT const char* MQEnumFileType(int32_t index) {
    return EnumPluginFileType(GetPluginClass(), index);
}

MQ_EXPORT const char* MQEnumFileExt(int32_t index) {
    return EnumPluginFileExt(GetPluginClass(), index);
}

MQ_EXPORT int32_t MQImportFile(int32_t index, void* a, void* b) {
    return RunFileOperation(GetPluginClass(), index, a, b);
}

MQ_EXPORT int32_t MQExportFile(int32_t index, void* a, void* b) {
    return RunFileOperation(GetPluginClass(), index, a, b);
}

MQ_EXPORT int32_t MQCreate(int32_t index, void* a) {
    return RunObjectOperation(GetPluginClass(), index, a);
}

MQ_EXPORT int32_t MQModifyObject(int32_t index, void* a) {
    return RunObjectOperation(GetPluginClass(), index, a);
}

MQ_EXPORT int32_t MQModifySelect(int32_t index, void* a) {
    return RunObjectOperation(GetPluginClass(), index, a);
}

// Dispatches a numbered host event; see DispatchEvent.
MQ_EXPORT int32_t MQOnEvent(void* document, int32_t event, void* argument) {
    return DispatchEvent(GetPluginClass(), document, event, argument);
}

}  // extern "C"

// The functions a station plug-in exports, as the host looks them up by name, with their
// signatures and the version handshake.
#pragma once

#include <cstdint>

// The fourteen exports in the order the host resolves them.
#define MQ_PLUGIN_EXPORTS(X) \
    X(MQCheckVersion) X(MQInit) X(MQGetPlugInID) X(MQGetPlugInName) X(MQGetPlugInType) \
    X(MQEnumString) X(MQEnumFileType) X(MQEnumFileExt) X(MQImportFile) X(MQExportFile) \
    X(MQCreate) X(MQModifyObject) X(MQModifySelect) X(MQOnEvent)

extern "C" {

// Answers MQ_PLUGIN_VERSION when the plug-in accepts the host's version, else 0.
typedef uint32_t MQCheckVersion_Fn(uint32_t host_version);
// Binds the host functions from the named host module; 1 when all were bound.
typedef int32_t MQInit_Fn(const char* host_module_file);
typedef void MQGetPlugInID_Fn(uint32_t* product, uint32_t* id);
// A static string, valid while the plug-in is loaded.
typedef const char* MQGetPlugInName_Fn(void);
typedef int32_t MQGetPlugInType_Fn(void);
// The menu string of `index`, or null past the last.
typedef const char* MQEnumString_Fn(int32_t index);
typedef const char* MQEnumFileType_Fn(int32_t index);
typedef const char* MQEnumFileExt_Fn(int32_t index);
typedef int32_t MQImportFile_Fn(int32_t index, void* a, void* b);
typedef int32_t MQExportFile_Fn(int32_t index, void* a, void* b);
typedef int32_t MQCreate_Fn(int32_t index, void* a);
typedef int32_t MQModifyObject_Fn(int32_t index, void* a);
typedef int32_t MQModifySelect_Fn(int32_t index, void* a);
// A numbered host event (events.h); the answer depends on the event.
typedef int32_t MQOnEvent_Fn(void* document, int32_t event, void* argument);

}  // extern "C"

// The oldest host version that the plug-in accepts, and its answer to it.
constexpr uint32_t MQ_MIN_HOST_VERSION = 0x4101;
constexpr uint32_t MQ_PLUGIN_VERSION = 0x411;

// The answers of MQGetPlugInType that this boundary serves.
enum : int32_t {
    MQPLUGIN_TYPE_STATION = 6,  // a window of its own beside the host's tools
    MQPLUGIN_TYPE_COMMAND = 7   // a station that also takes the view's mouse and keys
};

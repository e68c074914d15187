// The binary boundary between the host modeller and a plug-in: records, codes and the C
// signatures of both sides. The plug-in and the stand-in host include this header set
// and nothing else of each other.
#pragma once

#include <cstddef>
#include <cstdint>

using MQDocument = void*;
using MQObject = void*;
using MQScene = void*;
using MQXmlElement = void*;

// One entry of an option array. The array ends with an entry whose name is null; that
// entry's value is not read. Numbers travel as pointers to them, strings and handles as
// the value pointer itself, outputs as pointers to the caller's preset variable.
struct MQOption {
    const char* name;
    void* value;
};
static_assert(sizeof(MQOption) == 2 * sizeof(void*), "option entries are two pointers");

// The record of MQ_SendMessage. `zero` is always 0 in this program; the gap after it is
// never written.
struct MQSendMessageInfo {
    uint32_t product;
    uint32_t id;
    int32_t zero;
    void* data;
};
static_assert(sizeof(void*) != 8 || sizeof(MQSendMessageInfo) == 24, "message record is 24 bytes");
static_assert(offsetof(MQSendMessageInfo, data) == 2 * sizeof(void*) || sizeof(void*) != 8,
              "data pointer at offset 16");

// Message codes of MQ_SendMessage.
enum : int32_t {
    MQ_MESSAGE_ACTIVATE = 100,        // data: pointer to a 32-bit flag; 0 = no longer active
    MQ_MESSAGE_PLUGIN_SETTINGS = 505  // data: option array "root", "pluginsettings" (null values)
};

// Host events sent through MQOnEvent that this program gives a meaning to; the dispatcher
// also knows 102, 110, 120 to 130, 140, 141, 201, 210 to 212, 220 to 222, 230, 231 and 240.
enum : int32_t {
    MQEVENT_INITIALIZE = 1,
    MQEVENT_EXIT = 2,
    MQEVENT_ACTIVATE = 100,
    MQEVENT_IS_ACTIVATED = 101,
    MQEVENT_MESSAGE = 103,
    MQEVENT_LOAD_DOCUMENT = 200,
    MQEVENT_SAVE_DOCUMENT = 202
};

// Operation codes of MQWidget_Value.
enum : int32_t {
    MQWIDGET_MESSAGEBOX = 0x001,
    MQWIDGET_GET_SYSTEM = 0x100,
    MQWIDGET_CREATE = 0x101,
    MQWIDGET_DELETE = 0x102,
    MQWIDGET_ADD_CHILD = 0x201,
    MQWIDGET_REMOVE_CHILD = 0x202,
    MQWIDGET_ADD_CHILD_WINDOW = 0x203,
    MQWIDGET_GET_VALUE = 0x301,
    MQWIDGET_SET_VALUE = 0x302,
    MQWIDGET_ADD_EVENT = 0x304
};

// Operation codes of MQXmlElem_Value. Each takes a record of pointer-sized fields;
// out-fields are preset to null and a null after the call means "none".
enum : int32_t {
    MQXML_ADD_CHILD = 0x101,     // {name, out element}
    MQXML_REMOVE_CHILD = 0x102,  // {child, pointer to int32 result preset 0}
    MQXML_FIRST_CHILD = 0x201,   // {name or null, out element}
    MQXML_NEXT_CHILD = 0x202,    // {name or null, current child, out element}; on the parent
    MQXML_GET_TEXT = 0x302,      // {out text}
    MQXML_GET_ATTRIBUTE = 0x303, // {name, out value}
    MQXML_SET_TEXT = 0x402,      // {text}
    MQXML_SET_ATTRIBUTE = 0x403  // {name, value}
};

// The value code that MQObj_GetIntValue is asked for by an appending store.
enum : int32_t { MQOBJ_ID_APPEND_FILTER = 262 };

// The show and hide values of MQObj_SetVisible.
enum : uint32_t { MQOBJ_VISIBLE = 0xFFFFFFFFu, MQOBJ_HIDDEN = 0u };

extern "C" {

// Host functions that the plug-in calls. The other bound names have no fixed signature.
typedef int32_t MQ_SendMessage_Fn(int32_t code, void* message);
typedef int32_t MQWidget_Value_Fn(int32_t widget, int32_t op, void* options);
typedef int32_t MQXmlElem_Value_Fn(void* element, int32_t op, void* record);
typedef int32_t MQDoc_GetObjectCount_Fn(void* document);
typedef void* MQDoc_GetObject_Fn(void* document, int32_t index);
typedef int32_t MQDoc_GetObjectIndex_Fn(void* document, void* object);
typedef void MQObj_GetName_Fn(void* object, char* buffer, int32_t size);
typedef uint32_t MQObj_GetVisible_Fn(void* object);
typedef void MQObj_SetVisible_Fn(void* object, uint32_t visible);
typedef int32_t MQObj_GetIntValue_Fn(void* object, int32_t code);

// The widget event procedure that the plug-in registers with "proc".
typedef int32_t MQWidgetEventProc_Fn(void* document, void* options, void* pointer);

// The plug-in's exports.
typedef uint32_t MQCheckVersion_Fn(uint32_t host_version);
typedef int32_t MQInit_Fn(const char* host_module_file);
typedef void MQGetPlugInID_Fn(uint32_t* product, uint32_t* id);
typedef const char* MQGetPlugInName_Fn(void);
typedef int32_t MQGetPlugInType_Fn(void);
typedef const char* MQEnumString_Fn(int32_t index);
typedef const char* MQEnumFileType_Fn(int32_t index);
typedef const char* MQEnumFileExt_Fn(int32_t index);
typedef int32_t MQImportFile_Fn(int32_t index, void* a, void* b);
typedef int32_t MQExportFile_Fn(int32_t index, void* a, void* b);
typedef int32_t MQCreate_Fn(int32_t index, void* a);
typedef int32_t MQModifyObject_Fn(int32_t index, void* a);
typedef int32_t MQModifySelect_Fn(int32_t index, void* a);
typedef int32_t MQOnEvent_Fn(void* document, int32_t event, void* argument);

}  // extern "C"

// The oldest host version that the plug-in accepts, and its answer to it.
constexpr uint32_t MQ_MIN_HOST_VERSION = 0x4101;
constexpr uint32_t MQ_PLUGIN_VERSION = 0x411;

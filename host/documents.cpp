// The document and object functions of the host.
#include <string>

#include "host/journal.h"
#include "platform/export.h"
#include "plugin/mq_boundary.h"

using host::PointerText;

extern "C" {

MQ_EXPORT int32_t MQDoc_GetObjectCount(void* document) {
    host::TheJournal().Record("MQDoc_GetObjectCount", {PointerText(document)});
    return 0;
}

MQ_EXPORT void* MQDoc_GetObject(void* document, int32_t index) {
    host::TheJournal().Record("MQDoc_GetObject", {PointerText(document), std::to_string(index)});
    return nullptr;
}

MQ_EXPORT int32_t MQDoc_GetObjectIndex(void* document, void* object) {
    host::TheJournal().Record("MQDoc_GetObjectIndex", {PointerText(document), PointerText(object)});
    return -1;
}

MQ_EXPORT void MQObj_GetName(void* object, char* buffer, int32_t size) {
    host::TheJournal().Record("MQObj_GetName", {PointerText(object), std::to_string(size)});
    if (buffer != nullptr && size > 0) buffer[0] = '\0';
}

MQ_EXPORT uint32_t MQObj_GetVisible(void* object) {
    host::TheJournal().Record("MQObj_GetVisible", {PointerText(object)});
    return 0;
}

MQ_EXPORT void MQObj_SetVisible(void* object, uint32_t visible) {
    host::TheJournal().Record("MQObj_SetVisible", {PointerText(object), std::to_string(visible)});
}

MQ_EXPORT int32_t MQObj_GetIntValue(void* object, int32_t code) {
    host::TheJournal().Record("MQObj_GetIntValue", {PointerText(object), std::to_string(code)});
    return 0;
}

}  // extern "C"

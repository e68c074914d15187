// Every host function that the plug-in binds, exported from the host module under its C
// name: the ten it calls, each answering from the model it serves, and the 165 it only
// looks up, which journal the call and answer 0.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "host/binds/documents.h"
#include "host/binds/settings.h"
#include "host/binds/widgets/widgets.h"
#include "host/binds/xml.h"
#include "host/records/breaches.h"
#include "host/records/journal.h"
#include "platform/export.h"
#include "platform/options.h"
#include "abi/abi.h"
#include "abi/host_functions.h"

// ---- Documents and objects ----------------------------------------------------------------

using host::Document;
using host::Object;

namespace {

// Journals a call of one of the functions below; its handles and numbers are put into
// words only if the journal still keeps the call when it is read.
template <typename... Args>
void Journalled(const char* function, const Args&... args) {
    host::TheJournal().RecordValues(function, args...);
}

template <typename... Args>
std::string CallText(const char* function, const Args&... args) {
    return host::HostCall{function, {host::CallValue(args).Text()...}}.Text();
}

// The document behind a handle the plug-in passed; null for null, and for a closed
// document, which is a breach of the call.
template <typename... Args>
Document* UsableDocument(void* handle, const char* function, const Args&... args) {
    Document* document = Document::FromHandle(handle);
    if (document == nullptr || !document->closed()) return document;
    host::TheBreaches().Report(host::Rule::kDocumentClosed, CallText(function, args...),
                               "document " + host::PointerText(handle) + " was closed");
    return nullptr;
}

// The object behind a handle the plug-in passed; null for null, and for an object of a
// closed document, which is a breach of the call.
template <typename... Args>
Object* UsableObject(void* handle, const char* function, const Args&... args) {
    Object* object = Object::FromHandle(handle);
    if (object == nullptr || !object->document().closed()) return object;
    host::TheBreaches().Report(host::Rule::kObjectClosedDocument, CallText(function, args...),
                               "object " + host::PointerText(handle) + " belongs to a closed document");
    return nullptr;
}

}  // namespace

// The host functions below trust a non-null handle to be one they handed out, as the host
// modeller does; a null handle gets the answer for "nothing there", and so does the
// handle of a closed document or of one of its objects, after the breach is registered.
// Each call is journalled before it is answered.

extern "C" {

// The number of object places of the document, empty places included.
MQ_EXPORT int32_t MQDoc_GetObjectCount(void* document) {
    Journalled("MQDoc_GetObjectCount", document);
    Document* open = UsableDocument(document, "MQDoc_GetObjectCount", document);
    return open != nullptr ? open->PlaceCount() : 0;
}

// The object at place `index`; null for an empty place or an index out of range.
MQ_EXPORT void* MQDoc_GetObject(void* document, int32_t index) {
    Journalled("MQDoc_GetObject", document, index);
    Document* open = UsableDocument(document, "MQDoc_GetObject", document, index);
    if (open == nullptr) return nullptr;
    Object* object = open->ObjectAt(index);
    return object != nullptr ? object->handle() : nullptr;
}

// The object's place when the document counts it as its own; -1 otherwise.
MQ_EXPORT int32_t MQDoc_GetObjectIndex(void* document, void* object) {
    Journalled("MQDoc_GetObjectIndex", document, object);
    Document* open = UsableDocument(document, "MQDoc_GetObjectIndex", document, object);
    if (open == nullptr || UsableObject(object, "MQDoc_GetObjectIndex", document, object) == nullptr) return -1;
    return open->IndexOf(Object::FromHandle(object));
}

// Writes the name into `buffer`, at most `size` bytes with the terminating zero, cutting a
// longer name; writes nothing when `size` is not positive.
MQ_EXPORT void MQObj_GetName(void* object, char* buffer, int32_t size) {
    Journalled("MQObj_GetName", object, size);
    Object* usable = UsableObject(object, "MQObj_GetName", object, size);
    if (buffer == nullptr || size <= 0) return;
    size_t length = 0;
    if (usable != nullptr) {
        const std::string& name = usable->name();
        length = std::min(name.size(), static_cast<size_t>(size) - 1);
        std::memcpy(buffer, name.data(), length);
    }
    buffer[length] = '\0';
}

MQ_EXPORT uint32_t MQObj_GetVisible(void* object) {
    Journalled("MQObj_GetVisible", object);
    Object* usable = UsableObject(object, "MQObj_GetVisible", object);
    return usable != nullptr ? usable->visible_value() : 0;
}

// Keeps the value as written; 0 hides, anything else shows.
MQ_EXPORT void MQObj_SetVisible(void* object, uint32_t visible) {
    Journalled("MQObj_SetVisible", object, visible);
    if (Object* usable = UsableObject(object, "MQObj_SetVisible", object, visible)) usable->SetVisibleValue(visible);
}

MQ_EXPORT int32_t MQObj_GetIntValue(void* object, int32_t code) {
    Journalled("MQObj_GetIntValue", object, code);
    Object* usable = UsableObject(object, "MQObj_GetIntValue", object, code);
    return usable != nullptr ? usable->IntValue(code) : 0;
}

}  // extern "C"

// ---- Messages -----------------------------------------------------------------------------


namespace {

// Message 505: the data is an option array; the host puts its element handles into the
// entries "root" and "pluginsettings" whose value pointers are null, and leaves every
// entry as it is when it offers no settings.
void HandOutSettings(MQOption* options) {
    if (!host::SettingsOffered()) return;
    if (MQOption* root = const_cast<MQOption*>(platform::FindOption(options, MQMSG_KEY_ROOT))) {
        if (root->value == nullptr) root->value = &host::SettingsRoot();
    }
    if (MQOption* settings = const_cast<MQOption*>(platform::FindOption(options, MQMSG_KEY_PLUGIN_SETTINGS))) {
        if (settings->value == nullptr) settings->value = &host::PluginSettings();
    }
}

void Refuse(int32_t code, host::Rule rule, std::string detail) {
    host::TheBreaches().Report(rule, "MQ_SendMessage(" + std::to_string(code) + ")", std::move(detail));
}

}  // namespace

// `message` points to the 24-byte message record: the sender's product and plug-in IDs,
// a 32-bit zero and the data pointer, whose form the code fixes. The journal shows the
// code and the sender's IDs, and for message 100 the flag the data points to ("null"
// when there is none), which is what the message says. A message without a record or
// without the data its code needs, and a code the host does not know, are breaches. The
// result is always 0 and means nothing.
extern "C" MQ_EXPORT int32_t MQ_SendMessage(int32_t code, void* message) {
    auto* info = static_cast<MQSendMessageInfo*>(message);
    if (info == nullptr) {
        host::TheJournal().Record("MQ_SendMessage", {std::to_string(code), "null"});
        Refuse(code, host::Rule::kMessageNoRecord, "a message needs its record");
        return 0;
    }
    host::TheJournal().Record("MQ_SendMessage", [&] {
        host::CallArgs args{std::to_string(code), host::HexText(info->product, 8), host::HexText(info->id, 8)};
        if (code == MQ_MESSAGE_ACTIVATE) {
            const auto* flag = static_cast<const int32_t*>(info->data);
            args.push_back(flag != nullptr ? std::to_string(*flag) : "null");
        }
        return args;
    });
    switch (code) {
    case MQ_MESSAGE_ACTIVATE:
        if (info->data == nullptr) Refuse(code, host::Rule::kMessageNoData, "message 100 needs the flag it reports");
        break;
    case MQ_MESSAGE_PLUGIN_SETTINGS:
        if (info->data == nullptr) return Refuse(code, host::Rule::kMessageNoData, "message 505 needs its option array"), 0;
        HandOutSettings(static_cast<MQOption*>(info->data));
        break;
    default:
        Refuse(code, host::Rule::kMessageUnknownCode, "the host has no message " + std::to_string(code));
        break;
    }
    return 0;
}

// ---- Widgets ------------------------------------------------------------------------------


// The plug-in's widget requests. Every answer goes into the option array; the return
// value is not read. An exception stays on this side.
extern "C" MQ_EXPORT int32_t MQWidget_Value(int32_t widget, int32_t op, void* options) {
    try {
        host::TheWidgets().Handle(widget, op, static_cast<MQOption*>(options));
    } catch (...) {
    }
    return 0;
}

// ---- XML elements -------------------------------------------------------------------------

// Performs one element operation. `record` is an array of pointer-sized fields in the
// order that the operation fixes (see MQXML_* in abi/xml_ops.h); inputs are UTF-8 strings
// or element handles, out-fields are preset to null by the caller and stay null when
// there is nothing to hand out. A string handed out stays valid until the next call into
// the host. Handles that are not live elements, children of another parent, names that
// an XML file cannot hold and unknown operations are breaches (records/breaches.h): the
// host registers them and leaves everything as it was. The result is always 0 and means
// nothing.
extern "C" MQ_EXPORT int32_t MQXmlElem_Value(void* element, int32_t op, void* record) {
    host::PerformXmlCall(element, op, record);
    return 0;
}

// ---- The functions the plug-in only looks up ----------------------------------------------

#define HOST_CALLED_ELSEWHERE(name)
#define HOST_UNUSED_FUNCTION(name)                  \
    extern "C" MQ_EXPORT intptr_t name() {          \
        host::TheJournal().Record(#name);           \
        return 0;                                   \
    }

MQ_HOST_FUNCTIONS(HOST_CALLED_ELSEWHERE, HOST_UNUSED_FUNCTION)

// The host's documents and the document and object functions that the plug-in calls.
#include "host/documents.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "host/breaches.h"
#include "host/journal.h"
#include "platform/export.h"

namespace host {

Object::Object(Document& document, int32_t place, std::string name, bool visible)
    : document_(&document), place_(place), name_(std::move(name)),
      visible_(visible ? MQOBJ_VISIBLE : MQOBJ_HIDDEN) {}

Document::Document() = default;
Document::~Document() = default;

Object& Document::AddObject(std::string name, bool visible) {
    // Object's constructor is private to this class, hence no make_unique.
    places_.push_back(std::unique_ptr<Object>(new Object(*this, PlaceCount(), std::move(name), visible)));
    return *places_.back();
}

void Document::AddEmptyPlace() { places_.push_back(nullptr); }

bool Document::RemoveObject(int32_t place) {
    if (ObjectAt(place) == nullptr) return false;
    places_[static_cast<size_t>(place)].reset();
    return true;
}

Object* Document::ObjectAt(int32_t place) const {
    if (place < 0 || place >= PlaceCount()) return nullptr;
    return places_[static_cast<size_t>(place)].get();
}

Object* Document::FindObject(std::string_view name) const {
    for (const std::unique_ptr<Object>& object : places_) {
        if (object != nullptr && object->name() == name) return object.get();
    }
    return nullptr;
}

int32_t Document::IndexOf(const Object* object) const {
    if (object == nullptr || &object->document() != this || !object->counted()) return -1;
    return object->place();
}

std::string Document::VisibilityPicture() const {
    std::string picture;
    picture.reserve(places_.size());
    for (const std::unique_ptr<Object>& object : places_) {
        picture += object == nullptr ? '.' : object->visible() ? '1' : '0';
    }
    return picture;
}

namespace {

struct OpenDocuments {
    std::vector<std::unique_ptr<Document>> documents;  // in the order they were opened
    std::vector<std::unique_ptr<Document>> closed;
    Document* current = nullptr;
};

OpenDocuments& TheOpenDocuments() {
    static OpenDocuments open;
    return open;
}

}  // namespace

Document& OpenDocument() {
    OpenDocuments& open = TheOpenDocuments();
    open.documents.push_back(std::make_unique<Document>());
    open.current = open.documents.back().get();
    return *open.current;
}

void CloseDocument(Document& document) {
    OpenDocuments& open = TheOpenDocuments();
    auto found = std::find_if(open.documents.begin(), open.documents.end(),
                              [&](const std::unique_ptr<Document>& d) { return d.get() == &document; });
    if (found == open.documents.end()) return;
    document.closed_ = true;
    open.closed.push_back(std::move(*found));
    open.documents.erase(found);
    if (open.current == &document) {
        open.current = open.documents.empty() ? nullptr : open.documents.back().get();
    }
}

Document* CurrentDocument() { return TheOpenDocuments().current; }

void SetCurrentDocument(Document& document) {
    OpenDocuments& open = TheOpenDocuments();
    for (const std::unique_ptr<Document>& d : open.documents) {
        if (d.get() == &document) open.current = d.get();
    }
}

void ResetDocuments() {
    OpenDocuments& open = TheOpenDocuments();
    open.current = nullptr;
    open.documents.clear();
    open.closed.clear();
}

}  // namespace host

using host::Document;
using host::Object;

namespace {

std::string ArgText(const void* handle) { return host::PointerText(handle); }
std::string ArgText(int32_t number) { return std::to_string(number); }
std::string ArgText(uint32_t number) { return std::to_string(number); }

// Journals a call of one of the functions below, its arguments formatted only while
// the journal records.
template <typename... Args>
void Journalled(const char* function, const Args&... args) {
    host::TheJournal().Record(function, [&] { return host::CallArgs{ArgText(args)...}; });
}

template <typename... Args>
std::string CallText(const char* function, const Args&... args) {
    return host::HostCall{function, {ArgText(args)...}}.Text();
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

// The host's documents: object places, and which document is open and current.
#include "host/binds/documents.h"

#include <algorithm>
#include <string>

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

// The stand-in host's documents: each a row of object places, and each place either an
// object or empty, as the host modeller keeps them. The plug-in reaches them only through
// the document and object host functions (MQDoc_*, MQObj_*); tests and programs build and
// inspect them through the classes here.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "abi/abi.h"

namespace host {

class Document;

// One object of a document. Its address is the handle the plug-in gets from
// MQDoc_GetObject, valid until the object is removed or its document is destroyed.
class Object {
public:
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    MQObject handle() { return this; }
    Document& document() const { return *document_; }
    // The object's place in its document, whether or not the document counts it.
    int32_t place() const { return place_; }

    // Bytes in the narrow encoding of the host; any bytes, the empty name included.
    const std::string& name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }

    // MQObj_GetVisible answers the value last written, so any non-zero value is possible;
    // the host itself writes 0xFFFFFFFF for shown.
    bool visible() const { return visible_ != 0; }
    uint32_t visible_value() const { return visible_; }
    void SetVisible(bool visible) { visible_ = visible ? MQOBJ_VISIBLE : MQOBJ_HIDDEN; }
    void SetVisibleValue(uint32_t value) { visible_ = value; }

    // The answer of MQObj_GetIntValue for the code MQOBJ_ID_APPEND_FILTER (262); 0 at first.
    // What the value means is the host's business; other codes answer 0.
    int32_t append_filter() const { return append_filter_; }
    void SetAppendFilter(int32_t answer) { append_filter_ = answer; }
    int32_t IntValue(int32_t code) const { return code == MQOBJ_ID_APPEND_FILTER ? append_filter_ : 0; }

    // An object that the document holds but does not count as one of its own (the host
    // keeps such objects for its own purposes): MQDoc_GetObjectIndex answers -1 for it.
    bool counted() const { return counted_; }
    void SetCounted(bool counted) { counted_ = counted; }

    // The object behind a handle the plug-in passed; null for null.
    static Object* FromHandle(MQObject handle) { return static_cast<Object*>(handle); }

private:
    friend class Document;
    Object(Document& document, int32_t place, std::string name, bool visible);

    Document* document_;
    int32_t place_;
    std::string name_;
    uint32_t visible_;
    int32_t append_filter_ = 0;
    bool counted_ = true;
};

// A document: object places numbered from 0. Its address is the document handle that the
// host passes to the plug-in. A document is neither copied nor moved, so the handles of
// it and of its objects stay put.
class Document {
public:
    Document();
    ~Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    MQDocument handle() { return this; }
    static Document* FromHandle(MQDocument handle) { return static_cast<Document*>(handle); }

    // Appends a place holding a new object, shown or hidden, counted.
    Object& AddObject(std::string name, bool visible = true);
    // Appends an empty place, as the host leaves one where an object was deleted.
    void AddEmptyPlace();
    // Deletes the object at `place`, leaving the place empty so that the places after it
    // keep their numbers. False when there was no object there.
    bool RemoveObject(int32_t place);

    // The number of places, empty ones included: MQDoc_GetObjectCount's answer.
    int32_t PlaceCount() const { return static_cast<int32_t>(places_.size()); }
    // The object at `place`; null for an empty place or a place out of range.
    Object* ObjectAt(int32_t place) const;
    // The first object named `name`, in place order; null when there is none.
    Object* FindObject(std::string_view name) const;
    // MQDoc_GetObjectIndex's answer: the object's place when it is an object of this
    // document that the document counts, else -1.
    int32_t IndexOf(const Object* object) const;

    // Every place's visibility in place order, one character each: '1' shown, '0' hidden,
    // '.' an empty place. Lets a test compare a whole document at a glance.
    std::string VisibilityPicture() const;

    // Room for `places` places, for programs that build large documents.
    void Reserve(size_t places) { places_.reserve(places); }

    // Whether CloseDocument closed it. A closed document keeps its objects until the host
    // is reset, so that neither its handle nor theirs is handed out again meanwhile, and
    // every call the plug-in makes with one of them is a breach ("document.closed",
    // "object.closed-document") answered as for null.
    bool closed() const { return closed_; }

private:
    friend void CloseDocument(Document& document);

    std::vector<std::unique_ptr<Object>> places_;
    bool closed_ = false;
};

// The documents the host holds open, and the current one among them: the document the
// host's window shows and that it passes with events.
// Opens a new empty document, which becomes the current one.
Document& OpenDocument();
// Closes `document`, which stays in memory, closed, until ResetDocuments; when it was the
// current one, the last-opened document still open becomes current, or none. A document
// that is not open is left as it is.
void CloseDocument(Document& document);
// Null when no document is open.
Document* CurrentDocument();
// `document` must be one of the open documents; another is ignored.
void SetCurrentDocument(Document& document);
// Closes every document and destroys them, the closed ones too.
void ResetDocuments();

}  // namespace host

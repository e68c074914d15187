// The host's XML element trees, which the plug-in settings and the plug-in elements of
// documents are held in.
#include "host/binds/xml.h"

#include <unordered_set>

namespace host {
namespace {

std::unordered_set<const void*>& LiveElements() {
    static std::unordered_set<const void*> live;
    return live;
}

}  // namespace

// ---- XmlElement -------------------------------------------------------------------------

XmlElement::XmlElement(std::string name) : name_(std::move(name)) { LiveElements().insert(this); }

XmlElement::~XmlElement() {
    // The sibling links of the elements still to free serve as the work list: an element's
    // children are spliced in front of the rest before it is deleted, so every delete
    // below meets an element without children.
    XmlElement* pending = first_child_;
    first_child_ = last_child_ = nullptr;
    while (pending != nullptr) {
        XmlElement* element = pending;
        pending = element->next_;
        if (element->first_child_ != nullptr) {
            element->last_child_->next_ = pending;
            pending = element->first_child_;
            element->first_child_ = element->last_child_ = nullptr;
        }
        delete element;
    }
    LiveElements().erase(this);
}

const std::string* XmlElement::FindAttribute(std::string_view name) const {
    for (const Attribute& attribute : attributes_) {
        if (attribute.first == name) return &attribute.second;
    }
    return nullptr;
}

void XmlElement::SetAttribute(std::string_view name, std::string value) {
    for (Attribute& attribute : attributes_) {
        if (attribute.first == name) {
            attribute.second = std::move(value);
            return;
        }
    }
    attributes_.emplace_back(std::string(name), std::move(value));
}

XmlElement* XmlElement::FindChild(std::string_view name) const {
    for (XmlElement* child = first_child_; child != nullptr; child = child->next_) {
        if (child->name_ == name) return child;
    }
    return nullptr;
}

XmlElement* XmlElement::FindNextSibling(std::string_view name) const {
    for (XmlElement* sibling = next_; sibling != nullptr; sibling = sibling->next_) {
        if (sibling->name_ == name) return sibling;
    }
    return nullptr;
}

XmlElement& XmlElement::AppendChild(std::string name) {
    return AppendChild(std::make_unique<XmlElement>(std::move(name)));
}

XmlElement& XmlElement::AppendChild(std::unique_ptr<XmlElement> child) {
    XmlElement* added = child.release();
    added->parent_ = this;
    added->previous_ = last_child_;
    added->next_ = nullptr;
    if (last_child_ != nullptr) {
        last_child_->next_ = added;
    } else {
        first_child_ = added;
    }
    last_child_ = added;
    ++child_count_;
    return *added;
}

std::unique_ptr<XmlElement> XmlElement::DetachChild(XmlElement* child) {
    if (child == nullptr || child->parent_ != this) return nullptr;
    if (child->previous_ != nullptr) {
        child->previous_->next_ = child->next_;
    } else {
        first_child_ = child->next_;
    }
    if (child->next_ != nullptr) {
        child->next_->previous_ = child->previous_;
    } else {
        last_child_ = child->previous_;
    }
    child->parent_ = child->next_ = child->previous_ = nullptr;
    --child_count_;
    return std::unique_ptr<XmlElement>(child);
}

bool XmlElement::RemoveChild(XmlElement* child) { return DetachChild(child) != nullptr; }

void XmlElement::RemoveAllChildren() {
    while (first_child_ != nullptr) RemoveChild(first_child_);
}

bool XmlElement::IsLive(const void* handle) {
    return handle != nullptr && LiveElements().count(handle) != 0;
}

bool XmlElement::IsValidName(std::string_view name) {
    if (name.empty()) return false;
    auto starts = [](unsigned char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || c >= 0x80;
    };
    auto continues = [&](unsigned char c) {
        return starts(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
    };
    if (!starts(static_cast<unsigned char>(name[0]))) return false;
    for (char c : name.substr(1)) {
        if (!continues(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

}  // namespace host

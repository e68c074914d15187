// The host's XML element trees, their file form through pugixml, and MQXmlElem_Value.
#include "host/xml.h"

#include <pugixml.hpp>

#include <cstdint>
#include <sstream>
#include <unordered_set>

#include "host/breaches.h"
#include "host/journal.h"
#include "platform/export.h"
#include "abi/abi.h"

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

// ---- The file form ------------------------------------------------------------------------

namespace {

bool IsWhitespaceOnly(const std::string& text) {
    return text.find_first_not_of(" \t\r\n") == std::string::npos;
}

// pugixml keeps a carriage return in text only when it does not normalise line ends, and
// keeps a text of blanks only when it is an element's one child.
constexpr unsigned kParseOptions =
    (pugi::parse_default & ~pugi::parse_eol) | pugi::parse_ws_pcdata_single;

}  // namespace

std::string WriteXml(const XmlElement& root) {
    pugi::xml_document document;
    std::vector<std::pair<const XmlElement*, pugi::xml_node>> work;
    work.emplace_back(&root, document.append_child(root.Name().c_str()));
    while (!work.empty()) {
        auto [element, node] = work.back();
        work.pop_back();
        for (const XmlElement::Attribute& attribute : element->Attributes()) {
            node.append_attribute(attribute.first.c_str()).set_value(attribute.second.c_str());
        }
        if (!element->Text().empty()) {
            bool blank = IsWhitespaceOnly(element->Text());
            node.append_child(blank ? pugi::node_cdata : pugi::node_pcdata).set_value(element->Text().c_str());
        }
        for (const XmlElement* child = element->FirstChild(); child != nullptr; child = child->NextSibling()) {
            work.emplace_back(child, node.append_child(child->Name().c_str()));
        }
    }
    std::ostringstream out;
    document.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
    return out.str();
}

std::unique_ptr<XmlElement> ParseXml(std::string_view text, std::string* error) {
    pugi::xml_document document;
    pugi::xml_parse_result parsed =
        document.load_buffer(text.data(), text.size(), kParseOptions, pugi::encoding_utf8);
    if (!parsed) {
        if (error != nullptr) {
            // Lines and columns count from 1, columns in bytes.
            size_t line = 1, column = 1;
            for (size_t i = 0; i < static_cast<size_t>(parsed.offset) && i < text.size(); ++i) {
                column = text[i] == '\n' ? 1 : column + 1;
                line += text[i] == '\n' ? 1 : 0;
            }
            *error = std::string(parsed.description()) + " at line " + std::to_string(line) + ", column " +
                     std::to_string(column);
        }
        return nullptr;
    }
    pugi::xml_node top = document.document_element();
    auto root = std::make_unique<XmlElement>(top.name());
    std::vector<std::pair<pugi::xml_node, XmlElement*>> work{{top, root.get()}};
    while (!work.empty()) {
        auto [node, element] = work.back();
        work.pop_back();
        for (pugi::xml_attribute attribute : node.attributes()) {
            element->SetAttribute(attribute.name(), attribute.value());
        }
        std::string element_text;
        for (pugi::xml_node child : node.children()) {
            if (child.type() == pugi::node_element) {
                work.emplace_back(child, &element->AppendChild(child.name()));
            } else if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) {
                element_text += child.value();
            }
        }
        element->SetText(std::move(element_text));
    }
    return root;
}

// ---- MQXmlElem_Value ----------------------------------------------------------------------

namespace {

// The last string handed to the plug-in. A copy, so that it stays valid until the next
// call even if the element it came from changes or goes.
std::string g_handout;

const char* HandOut(const std::string& text) {
    g_handout = text;
    return g_handout.c_str();
}

std::string OpText(int32_t op) { return HexText(static_cast<uint32_t>(op)); }

// The plug-in broke a rule of the call: the host registers the breach and does nothing.
void Refuse(const void* element, int32_t op, Rule rule, std::string detail) {
    TheBreaches().Report(rule, "MQXmlElem_Value(" + PointerText(element) + ", " + OpText(op) + ")", std::move(detail));
}

const char* StringField(void* field) { return static_cast<const char*>(field); }

// The child handle in `field` when it is a live child of `parent`; null after a refusal.
XmlElement* ChildField(XmlElement* parent, int32_t op, void* field) {
    if (!XmlElement::IsLive(field)) {
        Refuse(parent, op, Rule::kXmlUnknownElement, "the child " + PointerText(field) + " is not an element of the host");
        return nullptr;
    }
    auto* child = static_cast<XmlElement*>(field);
    if (child->Parent() != parent) {
        Refuse(parent, op, Rule::kXmlNotAChild, "the element " + PointerText(field) + " is not a child of " + PointerText(parent));
        return nullptr;
    }
    return child;
}

// The record's inputs as the journal shows them.
CallArgs JournalArgs(void* element, int32_t op, void** fields) {
    CallArgs args{PointerText(element), OpText(op)};
    if (fields == nullptr) {
        args.push_back("null");
        return args;
    }
    switch (op) {
        case MQXML_ADD_CHILD:
        case MQXML_FIRST_CHILD:
        case MQXML_GET_ATTRIBUTE:
        case MQXML_SET_TEXT:
            args.push_back(QuotedText(StringField(fields[0])));
            break;
        case MQXML_REMOVE_CHILD:
            args.push_back(PointerText(fields[0]));
            break;
        case MQXML_NEXT_CHILD:
            args.push_back(QuotedText(StringField(fields[0])));
            args.push_back(PointerText(fields[1]));
            break;
        case MQXML_SET_ATTRIBUTE:
            args.push_back(QuotedText(StringField(fields[0])));
            args.push_back(QuotedText(StringField(fields[1])));
            break;
        default:
            break;
    }
    return args;
}

void Perform(XmlElement* element, int32_t op, void** fields) {
    switch (op) {
        case MQXML_ADD_CHILD: {
            const char* name = StringField(fields[0]);
            if (name == nullptr || !XmlElement::IsValidName(name)) {
                Refuse(element, op, Rule::kXmlBadName, QuotedText(name) + " is not an element name");
                return;
            }
            fields[1] = &element->AppendChild(name);
            return;
        }
        case MQXML_REMOVE_CHILD: {
            XmlElement* child = ChildField(element, op, fields[0]);
            if (child == nullptr) return;
            element->RemoveChild(child);
            if (auto* result = static_cast<int32_t*>(fields[1]); result != nullptr) *result = 1;
            return;
        }
        case MQXML_FIRST_CHILD: {
            const char* name = StringField(fields[0]);
            XmlElement* found = name != nullptr ? element->FindChild(name) : element->FirstChild();
            if (found != nullptr) fields[1] = found;
            return;
        }
        case MQXML_NEXT_CHILD: {
            const char* name = StringField(fields[0]);
            XmlElement* current = ChildField(element, op, fields[1]);
            if (current == nullptr) return;
            XmlElement* found = name != nullptr ? current->FindNextSibling(name) : current->NextSibling();
            if (found != nullptr) fields[2] = found;
            return;
        }
        case MQXML_GET_TEXT:
            if (!element->Text().empty()) fields[0] = const_cast<char*>(HandOut(element->Text()));
            return;
        case MQXML_GET_ATTRIBUTE: {
            const char* name = StringField(fields[0]);
            if (name == nullptr) {
                Refuse(element, op, Rule::kXmlMissingField, "no attribute name");
                return;
            }
            if (const std::string* value = element->FindAttribute(name); value != nullptr) {
                fields[1] = const_cast<char*>(HandOut(*value));
            }
            return;
        }
        case MQXML_SET_TEXT: {
            const char* text = StringField(fields[0]);
            element->SetText(text != nullptr ? text : "");
            return;
        }
        case MQXML_SET_ATTRIBUTE: {
            const char* name = StringField(fields[0]);
            const char* value = StringField(fields[1]);
            if (name == nullptr || !XmlElement::IsValidName(name)) {
                Refuse(element, op, Rule::kXmlBadName, QuotedText(name) + " is not an attribute name");
                return;
            }
            if (value == nullptr) {
                Refuse(element, op, Rule::kXmlMissingField, "no value for the attribute " + QuotedText(name));
                return;
            }
            element->SetAttribute(name, value);
            return;
        }
        default:
            Refuse(element, op, Rule::kXmlUnknownOp, "not an operation of the host");
            return;
    }
}

}  // namespace

void ResetXmlHandouts() { std::string().swap(g_handout); }

}  // namespace host

// Performs one element operation. `record` is an array of pointer-sized fields in the
// order that the operation fixes (see MQXML_* in abi/xml_ops.h); inputs are UTF-8 strings
// or element handles, out-fields are preset to null by the caller and stay null when
// there is nothing to hand out. A string handed out stays valid until the next call into
// the host. Handles that are not live elements, children of another parent, names that
// an XML file cannot hold and unknown operations are breaches (breaches.h): the host
// registers them and leaves everything as it was. The result is always 0 and means nothing.
extern "C" MQ_EXPORT int32_t MQXmlElem_Value(void* element, int32_t op, void* record) {
    auto** fields = static_cast<void**>(record);
    host::TheJournal().Record("MQXmlElem_Value", [&] { return host::JournalArgs(element, op, fields); });
    if (!host::XmlElement::IsLive(element)) {
        host::Refuse(element, op, host::Rule::kXmlUnknownElement,
                     "the element " + host::PointerText(element) + " is not an element of the host");
        return 0;
    }
    if (fields == nullptr) {
        host::Refuse(element, op, host::Rule::kXmlNoRecord, "no record");
        return 0;
    }
    host::Perform(static_cast<host::XmlElement*>(element), op, fields);
    return 0;
}

// The element operations of MQXmlElem_Value on the host's trees: what each does, the
// strings handed out, and the breaches of a call.
#include <cstdint>
#include <string>

#include "host/binds/xml.h"
#include "host/records/breaches.h"
#include "host/records/journal.h"
#include "abi/abi.h"

namespace host {

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
void Refuse(const void* element, int32_t op, const char* rule_id, std::string detail) {
    TheBreaches().Report(rule_id, "MQXmlElem_Value(" + PointerText(element) + ", " + OpText(op) + ")", std::move(detail));
}

const char* StringField(void* field) { return static_cast<const char*>(field); }

// The child handle in `field` when it is a live child of `parent`; null after a refusal.
XmlElement* ChildField(XmlElement* parent, int32_t op, void* field) {
    if (!XmlElement::IsLive(field)) {
        Refuse(parent, op, "xml.unknown-element", "the child " + PointerText(field) + " is not an element of the host");
        return nullptr;
    }
    auto* child = static_cast<XmlElement*>(field);
    if (child->Parent() != parent) {
        Refuse(parent, op, "xml.not-a-child", "the element " + PointerText(field) + " is not a child of " + PointerText(parent));
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
                Refuse(element, op, "xml.bad-name", QuotedText(name) + " is not an element name");
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
                Refuse(element, op, "xml.missing-field", "no attribute name");
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
                Refuse(element, op, "xml.bad-name", QuotedText(name) + " is not an attribute name");
                return;
            }
            if (value == nullptr) {
                Refuse(element, op, "xml.missing-field", "no value for the attribute " + QuotedText(name));
                return;
            }
            element->SetAttribute(name, value);
            return;
        }
        default:
            Refuse(element, op, "xml.unknown-op", "not an operation of the host");
            return;
    }
}

}  // namespace

void ResetXmlHandouts() { std::string().swap(g_handout); }

void PerformXmlCall(void* element, int32_t op, void* record) {
    auto** fields = static_cast<void**>(record);
    TheJournal().Record("MQXmlElem_Value", [&] { return JournalArgs(element, op, fields); });
    if (!XmlElement::IsLive(element)) {
        return Refuse(element, op, "xml.unknown-element",
                      "the element " + PointerText(element) + " is not an element of the host");
    }
    if (fields == nullptr) return Refuse(element, op, "xml.no-record", "no record");
    Perform(static_cast<XmlElement*>(element), op, fields);
}

}  // namespace host

// How the widget requests read in the journal: the operation by name and code, and each
// option with its value as the key says it is typed.
#include <cstdio>
#include <cstring>

#include "host/binds/widgets/widget_request.h"
#include "host/records/journal.h"

namespace host {
namespace {

// The kind of any key the plug-in sends; an unknown key shows as a pointer.
ValueKind KindOf(const char* key) {
    if (const Property* property = FindProperty(key)) return property->kind;
    for (const char* keyword : {MQWIDGET_KEY_TYPE, MQBOX_KEY_MESSAGE_TYPE, MQWIDGET_KEY_SYSTEM}) {
        if (std::strcmp(key, keyword) == 0) return ValueKind::Keyword;
    }
    if (std::strcmp(key, MQBOX_KEY_MESSAGE) == 0) return ValueKind::Wide;
    for (const char* integer : {MQWIDGET_KEY_ID, MQWIDGET_KEY_RESULT, MQWIDGET_KEY_CHILD, MQWIDGET_KEY_PARENT}) {
        if (std::strcmp(key, integer) == 0) return ValueKind::Int;
    }
    if (std::strcmp(key, MQWIDGET_KEY_PRIOR) == 0) return ValueKind::Bool;
    return ValueKind::Pointer;
}

std::string FormatValue(ValueKind kind, const void* value) {
    if (value == nullptr) return "null";
    switch (kind) {
    case ValueKind::Int:
        return std::to_string(*static_cast<const int32_t*>(value));
    case ValueKind::Bool: {
        unsigned byte = *static_cast<const unsigned char*>(value);
        return byte == 0 ? "false" : byte == 1 ? "true" : std::to_string(byte);
    }
    case ValueKind::Double: {
        char text[32];
        std::snprintf(text, sizeof text, "%g", *static_cast<const double*>(value));
        return text;
    }
    case ValueKind::Keyword:
        return QuotedText(static_cast<const char*>(value));
    case ValueKind::Wide:
        return QuotedText(Utf8(static_cast<const platform::WideChar*>(value)));
    case ValueKind::Size: {
        const int32_t* size = static_cast<const int32_t*>(value);
        std::string text(1, '[');
        for (int i = 0; i < 4; ++i) {
            if (i > 0) text += ", ";
            text += std::to_string(size[i]);
        }
        text += ']';
        return text;
    }
    case ValueKind::Pointer:
        break;
    }
    return PointerText(value);
}

// The storage the caller preset and the host writes.
bool IsOutput(int32_t op, const char* key) {
    if (op == MQWIDGET_GET_VALUE) return true;
    if (op == MQWIDGET_CREATE) return std::strcmp(key, MQWIDGET_KEY_ID) == 0;
    return std::strcmp(key, MQWIDGET_KEY_RESULT) == 0;
}

}  // namespace

const char* OpName(int32_t op) {
    switch (op) {
    case MQWIDGET_MESSAGEBOX: return "MessageBox";
    case MQWIDGET_GET_SYSTEM: return "GetSystem";
    case MQWIDGET_CREATE: return "Create";
    case MQWIDGET_DELETE: return "Delete";
    case MQWIDGET_ADD_CHILD: return "AddChild";
    case MQWIDGET_REMOVE_CHILD: return "RemoveChild";
    case MQWIDGET_ADD_CHILD_WINDOW: return "AddChildWindow";
    case MQWIDGET_GET_VALUE: return "GetValue";
    case MQWIDGET_SET_VALUE: return "SetValue";
    case MQWIDGET_ADD_EVENT: return "AddEvent";
    default: return "unknown";
    }
}

std::string OpText(int32_t op) { return OpName(op) + std::string(" ") + HexText(static_cast<uint32_t>(op), 3); }

// Outputs show the caller's preset, marked "out=".
std::string OptionsText(int32_t op, const MQOption* options) {
    if (options == nullptr) return "null";
    std::string text = "{";
    for (const MQOption* entry = options; entry->name != nullptr; ++entry) {
        if (entry != options) text += ", ";
        text += std::string(entry->name) + ": ";
        if (IsOutput(op, entry->name) && entry->value != nullptr) text += "out=";
        text += FormatValue(KindOf(entry->name), entry->value);
    }
    return text + "}";
}

}  // namespace host

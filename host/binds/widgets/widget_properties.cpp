// The widgets' properties as GetValue and SetValue read and write them, the widget
// events a plug-in registers, and the host's system values.
#include <cstring>

#include "host/binds/widgets/widget_request.h"

namespace host {
namespace {

constexpr Property kProperties[] = {
    {MQKEY_VISIBLE, ValueKind::Bool, true, true, kAnyTypeBit},
    {MQKEY_INSPACE, ValueKind::Double, true, true, kAnyTypeBit},
    {MQKEY_OUTSPACE, ValueKind::Double, true, true, kAnyTypeBit},
    {MQKEY_JUSTSIZE, ValueKind::Size, true, false, kAnyTypeBit},
    {MQKEY_ALIGNMENT, ValueKind::Keyword, false, true, kFrameBit},
    {MQKEY_MATRIXCOLUMN, ValueKind::Int, true, true, kFrameBit},
    {MQKEY_TEXT, ValueKind::Wide, false, true, kButtonBit},
    {MQKEY_DOWN, ValueKind::Bool, true, true, kButtonBit},
    {MQKEY_TITLE, ValueKind::Wide, false, true, kWindowBit},
    {MQKEY_CLOSEBUTTON, ValueKind::Bool, true, true, kWindowBit},
    {MQKEY_CANRESIZE, ValueKind::Bool, true, true, kWindowBit},
    {MQKEY_POS_X, ValueKind::Int, true, true, kWindowBit},
    {MQKEY_POS_Y, ValueKind::Int, true, true, kWindowBit},
    {MQKEY_WIDTH, ValueKind::Int, true, true, kWindowBit},
    {MQKEY_HEIGHT, ValueKind::Int, true, true, kWindowBit},
};

}  // namespace

const Property* FindProperty(const char* key) {
    for (const Property& property : kProperties) {
        if (std::strcmp(property.key, key) == 0) return &property;
    }
    return nullptr;
}

unsigned TypeBit(const std::string& type) {
    if (type == MQWIDGET_TYPE_WINDOW) return kWindowBit;
    if (type == MQWIDGET_TYPE_FRAME) return kFrameBit;
    return kButtonBit;
}

// The one property entry of a GetValue or SetValue, or null, the breach reported, when the
// request names no property of the widget that can be read (or set) with it.
const MQOption* WidgetModel::PropertyEntry(const Request& request, const Widget& widget, bool set) {
    const char* op = set ? "SetValue" : "GetValue";
    if (request.Count() != 1) {
        return Report(request, "widget.not-one-key", std::string(op) + " takes exactly one property key"), nullptr;
    }
    const MQOption& entry = request.options[0];
    std::string key = QuotedText(entry.name);
    const Property* property = FindProperty(entry.name);
    if (property == nullptr) return Report(request, "widget.unknown-property", "there is no property " + key), nullptr;
    if ((property->types & TypeBit(widget.type)) == 0) {
        return Report(request, "widget.property-of-other-type", key + " is not a property of " + Article(widget.type)),
               nullptr;
    }
    if (!(set ? property->writable : property->readable)) {
        return Report(request, set ? "widget.read-only" : "widget.write-only",
                      key + (set ? " cannot be set" : " cannot be read")),
               nullptr;
    }
    if (entry.value == nullptr) {
        return Report(request, "widget.no-value", key + (set ? " has no value" : " has no storage to write to")),
               nullptr;
    }
    return &entry;
}

void WidgetModel::GetValue(Request& request) {
    const Widget& widget = *Find(request.widget);
    const MQOption* found = PropertyEntry(request, widget, false);
    if (found == nullptr) return;
    const MQOption& entry = *found;

    std::string key = entry.name;
    auto write_bool = [&](bool value) { *static_cast<unsigned char*>(entry.value) = value ? 1 : 0; };
    auto write_int = [&](int32_t value) { *static_cast<int32_t*>(entry.value) = value; };
    if (key == MQKEY_VISIBLE) write_bool(widget.visible);
    else if (key == MQKEY_INSPACE) *static_cast<double*>(entry.value) = widget.inspace;
    else if (key == MQKEY_OUTSPACE) *static_cast<double*>(entry.value) = widget.outspace;
    else if (key == MQKEY_JUSTSIZE) {
        std::array<int32_t, 4> size = JustSize(widget.id);
        std::memcpy(entry.value, size.data(), sizeof size);
    }
    else if (key == MQKEY_MATRIXCOLUMN) write_int(widget.matrixcolumn);
    else if (key == MQKEY_DOWN) write_bool(widget.down);
    else if (key == MQKEY_CLOSEBUTTON) write_bool(widget.closebutton);
    else if (key == MQKEY_CANRESIZE) write_bool(widget.canresize);
    else if (key == MQKEY_POS_X) write_int(widget.pos_x);
    else if (key == MQKEY_POS_Y) write_int(widget.pos_y);
    else if (key == MQKEY_WIDTH) write_int(widget.width);
    else if (key == MQKEY_HEIGHT) write_int(widget.height);
}

void WidgetModel::SetValue(Request& request) {
    Widget& widget = *FindMutable(request.widget);
    const MQOption* found = PropertyEntry(request, widget, true);
    if (found == nullptr) return;
    const MQOption& entry = *found;

    std::string key = entry.name;
    auto read_bool = [&] {
        unsigned byte = *static_cast<const unsigned char*>(entry.value);
        if (byte > 1) {
            Report(request, "widget.bool-not-0-or-1",
                   QuotedText(key) + " is a one-byte boolean, 0 or 1, not " + std::to_string(byte));
        }
        return byte != 0;
    };
    auto read_int = [&] { return *static_cast<const int32_t*>(entry.value); };
    auto read_wide = [&] { return platform::WideString(static_cast<const platform::WideChar*>(entry.value)); };
    bool hidden_now = false;
    if (key == MQKEY_VISIBLE) {
        bool visible = read_bool();
        hidden_now = widget.type == MQWIDGET_TYPE_WINDOW && widget.visible && !visible;
        widget.visible = visible;
    }
    else if (key == MQKEY_INSPACE) widget.inspace = *static_cast<const double*>(entry.value);
    else if (key == MQKEY_OUTSPACE) widget.outspace = *static_cast<const double*>(entry.value);
    else if (key == MQKEY_ALIGNMENT) {
        std::string alignment = static_cast<const char*>(entry.value);
        if (alignment != MQKEY_HORZ && alignment != MQKEY_VERT) {
            return Report(request, "widget.bad-value", "\"alignment\" is \"horz\" or \"vert\", not " + QuotedText(alignment));
        }
        widget.alignment = alignment;
    }
    else if (key == MQKEY_MATRIXCOLUMN) {
        if (read_int() < 0) return Report(request, "widget.bad-value", "\"matrixcolumn\" cannot be negative");
        widget.matrixcolumn = read_int();
    }
    else if (key == MQKEY_TEXT) widget.text = read_wide();
    else if (key == MQKEY_DOWN) widget.down = read_bool();
    else if (key == MQKEY_TITLE) widget.title = read_wide();
    else if (key == MQKEY_CLOSEBUTTON) widget.closebutton = read_bool();
    else if (key == MQKEY_CANRESIZE) widget.canresize = read_bool();
    else if (key == MQKEY_POS_X) widget.pos_x = read_int();
    else if (key == MQKEY_POS_Y) widget.pos_y = read_int();
    else if (key == MQKEY_WIDTH) widget.width = read_int();
    else if (key == MQKEY_HEIGHT) widget.height = read_int();

    // A shown window that the plug-in hides is hidden as if closed: the host raises "hide".
    if (hidden_now) {
        OptionList options;
        AddEventOptions(options, MQEVT_HIDE, request.widget);
        Deliver(request.widget, MQEVT_HIDE, options, event_document_);
    }
}

void WidgetModel::AddEvent(Request& request) {
    Widget& widget = *FindMutable(request.widget);
    const char* type = request.Keyword(MQWIDGET_KEY_TYPE);
    void* proc = request.Value(MQWIDGET_KEY_PROC);
    if (type == nullptr) return Report(request, "widget.missing-option", "AddEvent needs a \"type\"");
    if (proc == nullptr) return Report(request, "widget.missing-option", "AddEvent needs a \"proc\"");
    WidgetEventRegistration registration;
    registration.type = type;
    registration.proc = reinterpret_cast<MQWidgetEventProc_Fn*>(proc);
    registration.pointer = request.Value(MQWIDGET_KEY_POINTER);
    if (const auto* prior = static_cast<const unsigned char*>(request.Value(MQWIDGET_KEY_PRIOR))) {
        registration.prior = *prior != 0;
    }
    widget.events.push_back(std::move(registration));
}

void WidgetModel::GetSystem(Request& request) {
    const char* system = request.Keyword(MQWIDGET_KEY_SYSTEM);
    int32_t* result = request.Int(MQWIDGET_KEY_RESULT);
    if (system == nullptr) return Report(request, "widget.missing-option", "GetSystem needs a \"system\"");
    if (std::strcmp(system, MQWIDGET_SYSTEM_MAIN_WINDOW) != 0) {
        return Report(request, "widget.unknown-system-value", "the host has no system value " + QuotedText(system));
    }
    if (result == nullptr) return Report(request, "widget.missing-option", "GetSystem needs a \"result\" out-value");
    if (answers_main_window_) *result = main_window_;
}

}  // namespace host

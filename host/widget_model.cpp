// MQWidget_Value: the host's widgets, what each request asks of them, and the rules a
// request must keep.
#include <algorithm>
#include <cstring>

#include "host/breaches.h"
#include "host/journal.h"
#include "host/widget_request.h"
#include "platform/export.h"

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

// Where the host places a new window.
constexpr int32_t kNewWindowX = 100;
constexpr int32_t kNewWindowY = 80;

void Erase(std::vector<int32_t>& ids, int32_t id) { ids.erase(std::remove(ids.begin(), ids.end(), id), ids.end()); }

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

std::string Widget::TextUtf8() const { return Utf8(text.c_str()); }

std::string Widget::TitleUtf8() const { return Utf8(title.c_str()); }

// ---- The model ------------------------------------------------------------------------

WidgetModel::WidgetModel() { Reset(); }

void WidgetModel::Reset() {
    widgets_.clear();
    deleted_.clear();
    free_ids_.clear();
    next_id_ = 1;
    reuse_ids_ = false;
    refused_creates_ = 0;
    answers_main_window_ = true;
    event_document_ = nullptr;
    answers_.clear();
    answerer_ = nullptr;
    boxes_.clear();
    box_actions_.clear();
    inside_events_.clear();

    Widget main;
    main.id = main_window_ = next_id_++;
    main.type = MQWIDGET_TYPE_WINDOW;
    main.main = true;
    main.title = platform::ToWide(platform::CodePage::Utf8, "Stand-in host");
    main.width = 1280;
    main.height = 800;
    widgets_[main.id] = main;
}

const Widget* WidgetModel::Find(int32_t id) const {
    auto found = widgets_.find(id);
    return found != widgets_.end() ? &found->second : nullptr;
}

Widget* WidgetModel::FindMutable(int32_t id) {
    auto found = widgets_.find(id);
    return found != widgets_.end() ? &found->second : nullptr;
}

std::vector<int32_t> WidgetModel::Ids() const {
    std::vector<int32_t> ids;
    for (const auto& [id, widget] : widgets_) ids.push_back(id);
    return ids;
}

bool WidgetModel::IsShowing(int32_t id) const {
    for (const Widget* widget = Find(id); widget != nullptr; widget = Find(widget->parent)) {
        if (!widget->visible) return false;
        if (widget->type == MQWIDGET_TYPE_WINDOW) return true;
    }
    return false;
}

int32_t WidgetModel::NewId() {
    if (reuse_ids_ && !free_ids_.empty()) {
        int32_t id = *free_ids_.begin();
        free_ids_.erase(free_ids_.begin());
        return id;
    }
    return next_id_++;
}

void WidgetModel::Report(const Request& request, Rule rule, std::string detail) {
    TheBreaches().Report(rule, request.Call(), std::move(detail));
}

// Why `id` names no widget, for a request that needs one; `role` is "" for the widget the
// request is made on, "child: " for the one it names as a child.
void WidgetModel::ReportAbsent(const Request& request, int32_t id, const char* role) {
    std::string widget = "widget " + std::to_string(id);
    auto deleted = deleted_.find(id);
    if (id == 0) return Report(request, Rule::kWidgetIdZero, role + std::string("widget id 0 names no widget"));
    if (deleted == deleted_.end()) return Report(request, Rule::kWidgetUnknownId, role + widget + " does not exist");
    if (deleted->second != 0) {
        return Report(request, Rule::kWidgetDeletedWithParent,
                      role + widget + " was deleted with widget " + std::to_string(deleted->second));
    }
    Rule rule = request.op == MQWIDGET_DELETE && *role == 0 ? Rule::kWidgetDeletedTwice : Rule::kWidgetDeleted;
    Report(request, rule, role + widget + " was deleted before");
}

// ---- Requests -------------------------------------------------------------------------

void WidgetModel::Handle(int32_t widget, int32_t op, MQOption* options) {
    TheJournal().Record("MQWidget_Value", [&] {
        return CallArgs{std::to_string(widget), OpText(op), OptionsText(op, options)};
    });
    Request request{widget, op, options};
    size_t breaches = TheBreaches().All().size();
    Dispatch(request);
    if (!inside_events_.empty() && TheBreaches().All().size() == breaches) RaiseArmedEvent(request);
}

void WidgetModel::Dispatch(Request& request) {
    const int32_t widget = request.widget, op = request.op;
    switch (op) {
    case MQWIDGET_MESSAGEBOX:
    case MQWIDGET_GET_SYSTEM:
    case MQWIDGET_CREATE:
        if (widget != 0) Report(request, Rule::kWidgetNotOnIdZero, std::string(OpName(op)) + " is sent with widget id 0");
        break;
    case MQWIDGET_DELETE:
        if (TakeLateDelete(widget)) return;
        [[fallthrough]];
    case MQWIDGET_ADD_CHILD:
    case MQWIDGET_REMOVE_CHILD:
    case MQWIDGET_ADD_CHILD_WINDOW:
    case MQWIDGET_GET_VALUE:
    case MQWIDGET_SET_VALUE:
    case MQWIDGET_ADD_EVENT:
        if (!Exists(widget)) return ReportAbsent(request, widget, "");
        break;
    default:
        return Report(request, Rule::kWidgetUnknownOp, "unknown operation code");
    }
    switch (op) {
    case MQWIDGET_MESSAGEBOX: return MessageBox(request);
    case MQWIDGET_GET_SYSTEM: return GetSystem(request);
    case MQWIDGET_CREATE: return Create(request);
    case MQWIDGET_DELETE: return Delete(request);
    case MQWIDGET_ADD_CHILD: return AddChild(request);
    case MQWIDGET_REMOVE_CHILD: return RemoveChild(request);
    case MQWIDGET_ADD_CHILD_WINDOW: return AddChildWindow(request);
    case MQWIDGET_GET_VALUE: return GetValue(request);
    case MQWIDGET_SET_VALUE: return SetValue(request);
    case MQWIDGET_ADD_EVENT: return AddEvent(request);
    }
}

void WidgetModel::RaiseArmedEvent(const Request& request) {
    const char* key = request.Count() > 0 ? request.options[0].name : "";
    bool keyed = request.op == MQWIDGET_GET_VALUE || request.op == MQWIDGET_SET_VALUE;
    auto armed = std::find_if(inside_events_.begin(), inside_events_.end(), [&](const InsideEvent& event) {
        return event.op == request.op && (event.widget == 0 || event.widget == request.widget) &&
               (!keyed || event.key.empty() || event.key == key);
    });
    if (armed == inside_events_.end()) return;
    InsideEvent event = std::move(*armed);
    inside_events_.erase(armed);
    int32_t target = event.target != 0 ? event.target : request.widget;
    OptionList options;
    AddEventOptions(options, event.event.c_str(), target);
    Deliver(target, event.event, options, event_document_);
}

void WidgetModel::Create(Request& request) {
    const char* type = request.Keyword(MQWIDGET_KEY_TYPE);
    int32_t* id = request.Int(MQWIDGET_KEY_ID);
    if (type == nullptr) return Report(request, Rule::kWidgetMissingOption, "Create needs a \"type\"");
    std::string kind = type;
    if (kind != MQWIDGET_TYPE_WINDOW && kind != MQWIDGET_TYPE_FRAME && kind != MQWIDGET_TYPE_BUTTON) {
        return Report(request, Rule::kWidgetUnknownType, "there is no widget type " + QuotedText(kind));
    }
    if (id == nullptr) return Report(request, Rule::kWidgetMissingOption, "Create needs an \"id\" out-value");
    if (refused_creates_ > 0) {
        --refused_creates_;
        return;
    }
    Widget widget;
    widget.id = NewId();
    widget.type = kind;
    if (kind == MQWIDGET_TYPE_WINDOW) {
        widget.visible = false;
        widget.pos_x = kNewWindowX;
        widget.pos_y = kNewWindowY;
    }
    deleted_.erase(widget.id);
    *id = widget.id;
    widgets_[widget.id] = std::move(widget);
}

void WidgetModel::Delete(Request& request) {
    if (request.widget == main_window_) {
        return Report(request, Rule::kWidgetMainWindowDeleted, "the main window is the host's own; a plug-in never deletes it");
    }
    if (request.Count() != 0) Report(request, Rule::kWidgetDeleteWithOptions, "Delete takes no options");
    DeleteTree(request.widget, 0);
}

// Deletes a widget with everything placed in it and its child windows, and takes it out
// of whatever held it.
void WidgetModel::DeleteTree(int32_t id, int32_t with) {
    Widget* widget = FindMutable(id);
    if (widget == nullptr) return;
    if (Widget* parent = FindMutable(widget->parent)) Erase(parent->children, id);
    if (Widget* owner = FindMutable(widget->owner)) Erase(owner->child_windows, id);
    std::vector<int32_t> inside = widget->children;
    inside.insert(inside.end(), widget->child_windows.begin(), widget->child_windows.end());
    for (int32_t child : inside) DeleteTree(child, id);
    widgets_.erase(id);
    deleted_[id] = with;
    free_ids_.insert(id);
}

// A widget that went with its container has not been named by a Delete yet; its own
// Delete comes from a plug-in that deletes each widget it made, in whatever order, and
// finds nothing left to do. Once named, the id is deleted like any other.
bool WidgetModel::TakeLateDelete(int32_t id) {
    auto deleted = deleted_.find(id);
    if (deleted == deleted_.end() || deleted->second == 0) return false;
    deleted->second = 0;
    return true;
}

void WidgetModel::AddChild(Request& request) {
    Widget& parent = *FindMutable(request.widget);
    const int32_t* child_id = request.Int(MQWIDGET_KEY_CHILD);
    int32_t* result = request.Int(MQWIDGET_KEY_RESULT);
    if (child_id == nullptr) return Report(request, Rule::kWidgetMissingOption, "AddChild needs a \"child\"");
    Widget* child = FindMutable(*child_id);
    if (child == nullptr) return ReportAbsent(request, *child_id, "child: ");
    if (parent.type == MQWIDGET_TYPE_BUTTON) return Report(request, Rule::kWidgetNotAContainer, "a button holds no children");
    if (child->type == MQWIDGET_TYPE_WINDOW) {
        return Report(request, Rule::kWidgetWindowAsChild,
                      "widget " + std::to_string(child->id) + " is a window: windows go in windows through AddChildWindow");
    }
    for (const Widget* around = &parent; around != nullptr; around = Find(around->parent)) {
        if (around->id == child->id) {
            return Report(request, Rule::kWidgetInsideItself,
                          "placing widget " + std::to_string(child->id) + " in widget " + std::to_string(parent.id) +
                              " would place it inside itself");
        }
    }
    if (child->parent != 0) {
        return Report(request, Rule::kWidgetAlreadyPlaced,
                      "widget " + std::to_string(child->id) + " is already placed in widget " +
                          std::to_string(child->parent));
    }
    parent.children.push_back(child->id);
    child->parent = parent.id;
    if (result != nullptr) *result = static_cast<int32_t>(parent.children.size() - 1);
}

void WidgetModel::RemoveChild(Request& request) {
    Widget& parent = *FindMutable(request.widget);
    const int32_t* child_id = request.Int(MQWIDGET_KEY_CHILD);
    if (child_id == nullptr) return Report(request, Rule::kWidgetMissingOption, "RemoveChild needs a \"child\"");
    Widget* child = FindMutable(*child_id);
    if (child == nullptr) return ReportAbsent(request, *child_id, "child: ");
    if (child->parent != parent.id) {
        return Report(request, Rule::kWidgetNotPlacedThere,
                      "widget " + std::to_string(child->id) + " is not placed in widget " + std::to_string(parent.id));
    }
    Erase(parent.children, child->id);
    child->parent = 0;
}

void WidgetModel::AddChildWindow(Request& request) {
    Widget& parent = *FindMutable(request.widget);
    const int32_t* child_id = request.Int(MQWIDGET_KEY_CHILD);
    int32_t* result = request.Int(MQWIDGET_KEY_RESULT);
    if (parent.type != MQWIDGET_TYPE_WINDOW) {
        return Report(request, Rule::kWidgetNotAWindow,
                      "widget " + std::to_string(parent.id) + " is " + Article(parent.type) + ", not a window");
    }
    if (child_id == nullptr) return Report(request, Rule::kWidgetMissingOption, "AddChildWindow needs a \"child\"");
    Widget* child = FindMutable(*child_id);
    if (child == nullptr) return ReportAbsent(request, *child_id, "child: ");
    if (child->type != MQWIDGET_TYPE_WINDOW || child->main) {
        return Report(request, Rule::kWidgetNotAChildWindow,
                      "widget " + std::to_string(child->id) + " cannot be a child window");
    }
    for (const Widget* above = &parent; above != nullptr; above = Find(above->owner)) {
        if (above->id == child->id) {
            return Report(request, Rule::kWidgetInsideItself, "a window cannot be a child window of itself");
        }
    }
    if (child->owner != 0) {
        return Report(request, Rule::kWidgetAlreadyPlaced,
                      "window " + std::to_string(child->id) + " is already a child window of window " +
                          std::to_string(child->owner));
    }
    parent.child_windows.push_back(child->id);
    child->owner = parent.id;
    if (result != nullptr) *result = static_cast<int32_t>(parent.child_windows.size() - 1);
}

// The one property entry of a GetValue or SetValue, or null, the breach reported, when the
// request names no property of the widget that can be read (or set) with it.
const MQOption* WidgetModel::PropertyEntry(const Request& request, const Widget& widget, bool set) {
    const char* op = set ? "SetValue" : "GetValue";
    if (request.Count() != 1) {
        return Report(request, Rule::kWidgetNotOneKey, std::string(op) + " takes exactly one property key"), nullptr;
    }
    const MQOption& entry = request.options[0];
    std::string key = QuotedText(entry.name);
    const Property* property = FindProperty(entry.name);
    if (property == nullptr) return Report(request, Rule::kWidgetUnknownProperty, "there is no property " + key), nullptr;
    if ((property->types & TypeBit(widget.type)) == 0) {
        return Report(request, Rule::kWidgetPropertyOfOtherType, key + " is not a property of " + Article(widget.type)),
               nullptr;
    }
    if (!(set ? property->writable : property->readable)) {
        return Report(request, set ? Rule::kWidgetReadOnly : Rule::kWidgetWriteOnly,
                      key + (set ? " cannot be set" : " cannot be read")),
               nullptr;
    }
    if (entry.value == nullptr) {
        return Report(request, Rule::kWidgetNoValue, key + (set ? " has no value" : " has no storage to write to")),
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
            Report(request, Rule::kWidgetBoolNot0Or1,
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
            return Report(request, Rule::kWidgetBadValue, "\"alignment\" is \"horz\" or \"vert\", not " + QuotedText(alignment));
        }
        widget.alignment = alignment;
    }
    else if (key == MQKEY_MATRIXCOLUMN) {
        if (read_int() < 0) return Report(request, Rule::kWidgetBadValue, "\"matrixcolumn\" cannot be negative");
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
    if (type == nullptr) return Report(request, Rule::kWidgetMissingOption, "AddEvent needs a \"type\"");
    if (proc == nullptr) return Report(request, Rule::kWidgetMissingOption, "AddEvent needs a \"proc\"");
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
    if (system == nullptr) return Report(request, Rule::kWidgetMissingOption, "GetSystem needs a \"system\"");
    if (std::strcmp(system, MQWIDGET_SYSTEM_MAIN_WINDOW) != 0) {
        return Report(request, Rule::kWidgetUnknownSystemValue, "the host has no system value " + QuotedText(system));
    }
    if (result == nullptr) return Report(request, Rule::kWidgetMissingOption, "GetSystem needs a \"result\" out-value");
    if (answers_main_window_) *result = main_window_;
}

WidgetModel& TheWidgets() {
    static WidgetModel widgets;
    return widgets;
}

}  // namespace host

// The plug-in's widget requests. Every answer goes into the option array; the return
// value is not read. An exception stays on this side.
extern "C" MQ_EXPORT int32_t MQWidget_Value(int32_t widget, int32_t op, void* options) {
    try {
        host::TheWidgets().Handle(widget, op, static_cast<MQOption*>(options));
    } catch (...) {
    }
    return 0;
}

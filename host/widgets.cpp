// MQWidget_Value: the host's widgets.
#include "host/widgets.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "host/journal.h"
#include "platform/export.h"

namespace host {
namespace {

// ---- What the keys hold -------------------------------------------------------------

enum class Kind { Int, Bool, Double, Keyword, Wide, Pointer, Size };

enum TypeBits : unsigned { kWindow = 1, kFrame = 2, kButton = 4, kAny = 7 };

struct Property {
    const char* key;
    Kind kind;
    bool readable;
    bool writable;
    unsigned types;
};

constexpr Property kProperties[] = {
    {"visible", Kind::Bool, true, true, kAny},
    {"inspace", Kind::Double, true, true, kAny},
    {"outspace", Kind::Double, true, true, kAny},
    {"justsize", Kind::Size, true, false, kAny},
    {"alignment", Kind::Keyword, false, true, kFrame},
    {"matrixcolumn", Kind::Int, true, true, kFrame},
    {"text", Kind::Wide, false, true, kButton},
    {"down", Kind::Bool, true, true, kButton},
    {"title", Kind::Wide, false, true, kWindow},
    {"closebutton", Kind::Bool, true, true, kWindow},
    {"canresize", Kind::Bool, true, true, kWindow},
    {"pos_x", Kind::Int, true, true, kWindow},
    {"pos_y", Kind::Int, true, true, kWindow},
    {"width", Kind::Int, true, true, kWindow},
    {"height", Kind::Int, true, true, kWindow},
};

const Property* FindProperty(const char* key) {
    for (const Property& property : kProperties) {
        if (std::strcmp(property.key, key) == 0) return &property;
    }
    return nullptr;
}

// The kind of any key the plug-in sends, for the journal; an unknown key shows as a pointer.
Kind KindOf(const char* key) {
    if (const Property* property = FindProperty(key)) return property->kind;
    for (const char* keyword : {"type", "messagetype", "system"}) {
        if (std::strcmp(key, keyword) == 0) return Kind::Keyword;
    }
    if (std::strcmp(key, "message") == 0) return Kind::Wide;
    for (const char* integer : {"id", "result", "child", "parent"}) {
        if (std::strcmp(key, integer) == 0) return Kind::Int;
    }
    if (std::strcmp(key, "prior") == 0) return Kind::Bool;
    return Kind::Pointer;
}

unsigned TypeBit(const std::string& type) {
    if (type == "window") return kWindow;
    if (type == "frame") return kFrame;
    return kButton;
}

std::string Utf8(const platform::WideChar* text) { return platform::FromWide(platform::CodePage::Utf8, text); }

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string FormatValue(Kind kind, const void* value) {
    if (value == nullptr) return "null";
    switch (kind) {
    case Kind::Int:
        return std::to_string(*static_cast<const int32_t*>(value));
    case Kind::Bool: {
        unsigned byte = *static_cast<const unsigned char*>(value);
        return byte == 0 ? "false" : byte == 1 ? "true" : std::to_string(byte);
    }
    case Kind::Double: {
        char text[32];
        std::snprintf(text, sizeof text, "%g", *static_cast<const double*>(value));
        return text;
    }
    case Kind::Keyword:
        return Quoted(static_cast<const char*>(value));
    case Kind::Wide:
        return Quoted(Utf8(static_cast<const platform::WideChar*>(value)));
    case Kind::Size: {
        const int32_t* size = static_cast<const int32_t*>(value);
        return "[" + std::to_string(size[0]) + ", " + std::to_string(size[1]) + ", " + std::to_string(size[2]) +
               ", " + std::to_string(size[3]) + "]";
    }
    case Kind::Pointer:
        break;
    }
    return PointerText(value);
}

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

// "SetValue 0x302"
std::string OpText(int32_t op) {
    char code[16];
    std::snprintf(code, sizeof code, " 0x%03X", static_cast<unsigned>(op));
    return OpName(op) + std::string(code);
}

// The storage the caller preset and the host writes.
bool IsOutput(int32_t op, const char* key) {
    if (op == MQWIDGET_GET_VALUE) return true;
    if (op == MQWIDGET_CREATE) return std::strcmp(key, "id") == 0;
    return std::strcmp(key, "result") == 0;
}

// "{type: "button", id: out=0}"; outputs show the caller's preset.
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

std::string Article(const std::string& type) { return "a " + type; }

void Erase(std::vector<int32_t>& ids, int32_t id) { ids.erase(std::remove(ids.begin(), ids.end(), id), ids.end()); }

// The host's measures of a widget, in pixels.
constexpr double kButtonHeight = 22;
constexpr double kButtonPadding = 16;
constexpr double kCharacterWidth = 8;
constexpr double kButtonMinimumWidth = 24;
constexpr double kWindowBorder = 8;
constexpr double kTitleBar = 24;
constexpr int32_t kNewWindowX = 100;
constexpr int32_t kNewWindowY = 80;

// The number of characters of a UTF-16 text (a surrogate pair is one).
size_t Characters(const platform::WideString& text) {
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](platform::WideChar unit) {
        return static_cast<uint32_t>(unit) < 0xDC00 || static_cast<uint32_t>(unit) > 0xDFFF;
    }));
}

// The number of characters of a UTF-8 text.
size_t Columns(const std::string& text) {
    return static_cast<size_t>(
        std::count_if(text.begin(), text.end(), [](char byte) { return (static_cast<unsigned char>(byte) & 0xC0) != 0x80; }));
}

// ---- Text pictures --------------------------------------------------------------------

struct Block {
    std::vector<std::string> lines;
    size_t width = 0;
};

Block Line(std::string text) {
    Block block;
    block.width = Columns(text);
    block.lines.push_back(std::move(text));
    return block;
}

std::string Padded(const std::string& text, size_t width) {
    size_t columns = Columns(text);
    return columns >= width ? text : text + std::string(width - columns, ' ');
}

// Children side by side with one space between them, or one above the other; a grid of
// `columns` columns, filled row by row, when `columns` > 0.
Block Arrange(const std::vector<Block>& cells, bool side_by_side, size_t columns) {
    if (cells.empty()) return Block{};
    if (columns == 0) columns = side_by_side ? cells.size() : 1;
    std::vector<size_t> widths(columns, 0);
    for (size_t i = 0; i < cells.size(); ++i) widths[i % columns] = std::max(widths[i % columns], cells[i].width);
    Block block;
    for (size_t row = 0; row * columns < cells.size(); ++row) {
        size_t first = row * columns;
        size_t last = std::min(first + columns, cells.size());
        size_t height = 0;
        for (size_t i = first; i < last; ++i) height = std::max(height, cells[i].lines.size());
        for (size_t line = 0; line < height; ++line) {
            std::string text;
            for (size_t i = first; i < last; ++i) {
                const Block& cell = cells[i];
                if (i > first) text += ' ';
                text += Padded(line < cell.lines.size() ? cell.lines[line] : "", widths[i - first]);
            }
            text.erase(text.find_last_not_of(' ') + 1);
            block.width = std::max(block.width, Columns(text));
            block.lines.push_back(std::move(text));
        }
    }
    return block;
}

}  // namespace

std::string Widget::TextUtf8() const { return Utf8(text.c_str()); }

std::string Widget::TitleUtf8() const { return Utf8(title.c_str()); }

// ---- One request ----------------------------------------------------------------------

struct WidgetModel::Request {
    int32_t widget;
    int32_t op;
    MQOption* options;

    std::string Call() const { return "MQWidget_Value(" + std::to_string(widget) + ", " + OpText(op) + ")"; }

    size_t Count() const {
        size_t count = 0;
        if (options != nullptr) {
            for (const MQOption* entry = options; entry->name != nullptr; ++entry) ++count;
        }
        return count;
    }
    // The value of the first entry named `name`; null when missing or null.
    void* Value(const char* name) const {
        if (options == nullptr) return nullptr;
        for (const MQOption* entry = options; entry->name != nullptr; ++entry) {
            if (std::strcmp(entry->name, name) == 0) return entry->value;
        }
        return nullptr;
    }
    int32_t* Int(const char* name) const { return static_cast<int32_t*>(Value(name)); }
    const char* Keyword(const char* name) const { return static_cast<const char*>(Value(name)); }
    const platform::WideChar* Wide(const char* name) const {
        return static_cast<const platform::WideChar*>(Value(name));
    }
};

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
    violations_.clear();

    Widget main;
    main.id = main_window_ = next_id_++;
    main.type = "window";
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
        if (widget->type == "window") return true;
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

std::string WidgetModel::Absence(int32_t id) const {
    if (id == 0) return "widget id 0 names no widget";
    auto deleted = deleted_.find(id);
    if (deleted == deleted_.end()) return "widget " + std::to_string(id) + " does not exist";
    if (deleted->second == 0) return "widget " + std::to_string(id) + " was deleted before";
    return "widget " + std::to_string(id) + " was deleted with widget " + std::to_string(deleted->second);
}

void WidgetModel::Report(const Request& request, std::string rule) {
    violations_.push_back(Violation{request.Call(), std::move(rule)});
}

std::string WidgetModel::ViolationsText() const {
    std::string text;
    for (const Violation& violation : violations_) text += violation.Text() + "\n";
    return text;
}

// ---- Requests -------------------------------------------------------------------------

void WidgetModel::Handle(int32_t widget, int32_t op, MQOption* options) {
    if (TheJournal().Recording()) {
        TheJournal().Record("MQWidget_Value", {std::to_string(widget), OpText(op), OptionsText(op, options)});
    }
    Request request{widget, op, options};
    switch (op) {
    case MQWIDGET_MESSAGEBOX:
    case MQWIDGET_GET_SYSTEM:
    case MQWIDGET_CREATE:
        if (widget != 0) Report(request, std::string(OpName(op)) + " is sent with widget id 0");
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
        if (!Exists(widget)) return Report(request, Absence(widget));
        break;
    default:
        return Report(request, "unknown operation code");
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

void WidgetModel::Create(Request& request) {
    const char* type = request.Keyword("type");
    int32_t* id = request.Int("id");
    if (type == nullptr) return Report(request, "Create needs a \"type\"");
    std::string kind = type;
    if (kind != "window" && kind != "frame" && kind != "button") {
        return Report(request, "there is no widget type " + Quoted(kind));
    }
    if (id == nullptr) return Report(request, "Create needs an \"id\" out-value");
    if (refused_creates_ > 0) {
        --refused_creates_;
        return;
    }
    Widget widget;
    widget.id = NewId();
    widget.type = kind;
    if (kind == "window") {
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
        return Report(request, "the main window is the host's own; a plug-in never deletes it");
    }
    if (request.Count() != 0) Report(request, "Delete takes no options");
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
    const int32_t* child_id = request.Int("child");
    int32_t* result = request.Int("result");
    if (child_id == nullptr) return Report(request, "AddChild needs a \"child\"");
    Widget* child = FindMutable(*child_id);
    if (child == nullptr) return Report(request, "child: " + Absence(*child_id));
    if (parent.type == "button") return Report(request, "a button holds no children");
    if (child->type == "window") {
        return Report(request, "widget " + std::to_string(child->id) + " is a window: windows go in windows through AddChildWindow");
    }
    for (const Widget* around = &parent; around != nullptr; around = Find(around->parent)) {
        if (around->id == child->id) {
            return Report(request, "placing widget " + std::to_string(child->id) + " in widget " +
                                       std::to_string(parent.id) + " would place it inside itself");
        }
    }
    if (child->parent != 0) {
        return Report(request, "widget " + std::to_string(child->id) + " is already placed in widget " +
                                   std::to_string(child->parent));
    }
    parent.children.push_back(child->id);
    child->parent = parent.id;
    if (result != nullptr) *result = static_cast<int32_t>(parent.children.size() - 1);
}

void WidgetModel::RemoveChild(Request& request) {
    Widget& parent = *FindMutable(request.widget);
    const int32_t* child_id = request.Int("child");
    if (child_id == nullptr) return Report(request, "RemoveChild needs a \"child\"");
    Widget* child = FindMutable(*child_id);
    if (child == nullptr) return Report(request, "child: " + Absence(*child_id));
    if (child->parent != parent.id) {
        return Report(request, "widget " + std::to_string(child->id) + " is not placed in widget " +
                                   std::to_string(parent.id));
    }
    Erase(parent.children, child->id);
    child->parent = 0;
}

void WidgetModel::AddChildWindow(Request& request) {
    Widget& parent = *FindMutable(request.widget);
    const int32_t* child_id = request.Int("child");
    int32_t* result = request.Int("result");
    if (parent.type != "window") {
        return Report(request, "widget " + std::to_string(parent.id) + " is " + Article(parent.type) + ", not a window");
    }
    if (child_id == nullptr) return Report(request, "AddChildWindow needs a \"child\"");
    Widget* child = FindMutable(*child_id);
    if (child == nullptr) return Report(request, "child: " + Absence(*child_id));
    if (child->type != "window" || child->main) {
        return Report(request, "widget " + std::to_string(child->id) + " cannot be a child window");
    }
    for (const Widget* above = &parent; above != nullptr; above = Find(above->owner)) {
        if (above->id == child->id) return Report(request, "a window cannot be a child window of itself");
    }
    if (child->owner != 0) {
        return Report(request, "window " + std::to_string(child->id) + " is already a child window of window " +
                                   std::to_string(child->owner));
    }
    parent.child_windows.push_back(child->id);
    child->owner = parent.id;
    if (result != nullptr) *result = static_cast<int32_t>(parent.child_windows.size() - 1);
}

// The one property entry of a GetValue or SetValue, or null, the broken rule reported,
// when the request names no property of the widget that can be read (or set) with it.
const MQOption* WidgetModel::PropertyEntry(const Request& request, const Widget& widget, bool set) {
    const char* op = set ? "SetValue" : "GetValue";
    if (request.Count() != 1) return Report(request, std::string(op) + " takes exactly one property key"), nullptr;
    const MQOption& entry = request.options[0];
    const Property* property = FindProperty(entry.name);
    if (property == nullptr) return Report(request, "there is no property " + Quoted(entry.name)), nullptr;
    if ((property->types & TypeBit(widget.type)) == 0) {
        return Report(request, Quoted(entry.name) + " is not a property of " + Article(widget.type)), nullptr;
    }
    if (!(set ? property->writable : property->readable)) {
        return Report(request, Quoted(entry.name) + (set ? " cannot be set" : " cannot be read")), nullptr;
    }
    if (entry.value == nullptr) {
        return Report(request, Quoted(entry.name) + (set ? " has no value" : " has no storage to write to")), nullptr;
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
    if (key == "visible") write_bool(widget.visible);
    else if (key == "inspace") *static_cast<double*>(entry.value) = widget.inspace;
    else if (key == "outspace") *static_cast<double*>(entry.value) = widget.outspace;
    else if (key == "justsize") {
        std::array<int32_t, 4> size = JustSize(widget.id);
        std::memcpy(entry.value, size.data(), sizeof size);
    }
    else if (key == "matrixcolumn") write_int(widget.matrixcolumn);
    else if (key == "down") write_bool(widget.down);
    else if (key == "closebutton") write_bool(widget.closebutton);
    else if (key == "canresize") write_bool(widget.canresize);
    else if (key == "pos_x") write_int(widget.pos_x);
    else if (key == "pos_y") write_int(widget.pos_y);
    else if (key == "width") write_int(widget.width);
    else if (key == "height") write_int(widget.height);
}

void WidgetModel::SetValue(Request& request) {
    Widget& widget = *FindMutable(request.widget);
    const MQOption* found = PropertyEntry(request, widget, true);
    if (found == nullptr) return;
    const MQOption& entry = *found;

    std::string key = entry.name;
    auto read_bool = [&] {
        unsigned byte = *static_cast<const unsigned char*>(entry.value);
        if (byte > 1) Report(request, Quoted(key) + " is a one-byte boolean, 0 or 1, not " + std::to_string(byte));
        return byte != 0;
    };
    auto read_int = [&] { return *static_cast<const int32_t*>(entry.value); };
    auto read_wide = [&] { return platform::WideString(static_cast<const platform::WideChar*>(entry.value)); };
    bool hidden_now = false;
    if (key == "visible") {
        bool visible = read_bool();
        hidden_now = widget.type == "window" && widget.visible && !visible;
        widget.visible = visible;
    }
    else if (key == "inspace") widget.inspace = *static_cast<const double*>(entry.value);
    else if (key == "outspace") widget.outspace = *static_cast<const double*>(entry.value);
    else if (key == "alignment") {
        std::string alignment = static_cast<const char*>(entry.value);
        if (alignment != "horz" && alignment != "vert") {
            return Report(request, "\"alignment\" is \"horz\" or \"vert\", not " + Quoted(alignment));
        }
        widget.alignment = alignment;
    }
    else if (key == "matrixcolumn") {
        if (read_int() < 0) return Report(request, "\"matrixcolumn\" cannot be negative");
        widget.matrixcolumn = read_int();
    }
    else if (key == "text") widget.text = read_wide();
    else if (key == "down") widget.down = read_bool();
    else if (key == "title") widget.title = read_wide();
    else if (key == "closebutton") widget.closebutton = read_bool();
    else if (key == "canresize") widget.canresize = read_bool();
    else if (key == "pos_x") widget.pos_x = read_int();
    else if (key == "pos_y") widget.pos_y = read_int();
    else if (key == "width") widget.width = read_int();
    else if (key == "height") widget.height = read_int();

    // A shown window that the plug-in hides is hidden as if closed: the host raises "hide".
    if (hidden_now) {
        OptionList options;
        options.Text("type", "hide").Int("target_id", request.widget).Int("sender_id", request.widget);
        Deliver(request.widget, "hide", options, event_document_);
    }
}

void WidgetModel::AddEvent(Request& request) {
    Widget& widget = *FindMutable(request.widget);
    const char* type = request.Keyword("type");
    void* proc = request.Value("proc");
    if (type == nullptr) return Report(request, "AddEvent needs a \"type\"");
    if (proc == nullptr) return Report(request, "AddEvent needs a \"proc\"");
    WidgetEventRegistration registration;
    registration.type = type;
    registration.proc = reinterpret_cast<MQWidgetEventProc_Fn*>(proc);
    registration.pointer = request.Value("pointer");
    if (const auto* prior = static_cast<const unsigned char*>(request.Value("prior"))) registration.prior = *prior != 0;
    widget.events.push_back(std::move(registration));
}

void WidgetModel::GetSystem(Request& request) {
    const char* system = request.Keyword("system");
    int32_t* result = request.Int("result");
    if (system == nullptr) return Report(request, "GetSystem needs a \"system\"");
    if (std::strcmp(system, "main_window") != 0) return Report(request, "the host has no system value " + Quoted(system));
    if (result == nullptr) return Report(request, "GetSystem needs a \"result\" out-value");
    if (answers_main_window_) *result = main_window_;
}

void WidgetModel::MessageBox(Request& request) {
    MessageBoxRequest box;
    const char* type = request.Keyword("type");
    const char* messagetype = request.Keyword("messagetype");
    const int32_t* parent = request.Int("parent");
    const platform::WideChar* message = request.Wide("message");
    const platform::WideChar* title = request.Wide("title");
    int32_t* result = request.Int("result");
    box.type = type != nullptr ? type : "";
    box.messagetype = messagetype != nullptr ? messagetype : "";
    box.parent = parent != nullptr ? *parent : 0;
    box.message = message != nullptr ? Utf8(message) : "";
    box.title = title != nullptr ? Utf8(title) : "";
    if (box.type != "messagebox") Report(request, "\"type\" of a message box is \"messagebox\"");
    if (box.messagetype != "okcancel") Report(request, "the host has no message box " + Quoted(box.messagetype));
    const Widget* owner = Find(box.parent);
    if (owner == nullptr || owner->type != "window") {
        Report(request, "the parent of a message box is a window; " + std::to_string(box.parent) + " is not");
    }
    if (message == nullptr) Report(request, "a message box needs a \"message\"");
    if (result == nullptr) {
        Report(request, "a message box needs a \"result\" out-value");
        boxes_.push_back(box);
        return;
    }
    if (!answers_.empty()) {
        box.answer = answers_.front();
        answers_.pop_front();
    } else if (answerer_) {
        box.answer = answerer_(box);
    }
    if (box.answer) *result = *box.answer;
    boxes_.push_back(box);
}

// ---- Events ---------------------------------------------------------------------------

EventOutcome WidgetModel::Deliver(int32_t id, const std::string& type, OptionList& options, MQDocument document) {
    EventOutcome outcome;
    const Widget* widget = Find(id);
    if (widget == nullptr) return outcome;
    std::vector<WidgetEventRegistration> targets;
    for (const WidgetEventRegistration& registration : widget->events) {
        if (registration.type == type) targets.push_back(registration);
    }
    for (const WidgetEventRegistration& target : targets) {
        // A handler may have deleted the widget, and its registrations went with it.
        widget = Find(id);
        if (widget == nullptr) break;
        bool still_registered = std::any_of(widget->events.begin(), widget->events.end(), [&](const auto& r) {
            return r.type == target.type && r.proc == target.proc && r.pointer == target.pointer;
        });
        if (!still_registered) continue;
        outcome.result = target.proc(document, options.Array(), target.pointer);
        ++outcome.deliveries;
    }
    return outcome;
}

EventOutcome WidgetModel::MouseDown(int32_t id, MouseButton button, Modifiers modifiers, MQDocument document) {
    EventOutcome outcome;
    if (!Exists(id)) return outcome.refused = "there is no widget " + std::to_string(id), outcome;
    if (!IsShowing(id)) return outcome.refused = "widget " + std::to_string(id) + " is not shown", outcome;
    const char* type = "leftdown";
    int32_t state = 0x01;
    if (button == MouseButton::Middle) type = "middledown", state = 0x10;
    if (button == MouseButton::Right) type = "rightdown", state = 0x02;
    if (modifiers.shift) state |= 0x04;
    if (modifiers.ctrl) state |= 0x08;
    OptionList options;
    options.Text("type", type).Int("target_id", id).Int("sender_id", id).Int("button_state", state);
    return Deliver(id, type, options, document);
}

EventOutcome WidgetModel::Press(int32_t id, MQDocument document) {
    EventOutcome outcome;
    const Widget* widget = Find(id);
    if (widget == nullptr) return outcome.refused = "there is no widget " + std::to_string(id), outcome;
    if (widget->type != "button") {
        return outcome.refused = "widget " + std::to_string(id) + " is " + Article(widget->type) + ", not a button", outcome;
    }
    if (!IsShowing(id)) return outcome.refused = "widget " + std::to_string(id) + " is not shown", outcome;
    OptionList options;
    options.Text("type", "execute").Int("target_id", id).Int("sender_id", id);
    return Deliver(id, "execute", options, document);
}

EventOutcome WidgetModel::CloseWindow(int32_t id, MQDocument document) {
    EventOutcome outcome;
    Widget* widget = FindMutable(id);
    if (widget == nullptr) return outcome.refused = "there is no widget " + std::to_string(id), outcome;
    if (widget->type != "window") {
        return outcome.refused = "widget " + std::to_string(id) + " is " + Article(widget->type) + ", not a window", outcome;
    }
    if (widget->main) return outcome.refused = "the main window stays open", outcome;
    if (!widget->visible) return outcome.refused = "window " + std::to_string(id) + " is not shown", outcome;
    widget->visible = false;
    OptionList options;
    options.Text("type", "hide").Int("target_id", id).Int("sender_id", id);
    return Deliver(id, "hide", options, document);
}

std::string WidgetModel::MoveWindow(int32_t id, int32_t x, int32_t y) {
    Widget* widget = FindMutable(id);
    if (widget == nullptr) return "there is no widget " + std::to_string(id);
    if (widget->type != "window") return "widget " + std::to_string(id) + " is " + Article(widget->type) + ", not a window";
    if (widget->main) return "the main window is the host's own";
    widget->pos_x = x;
    widget->pos_y = y;
    return {};
}

EventOutcome WidgetModel::SendEvent(int32_t id, const std::string& type, OptionList& options, MQDocument document) {
    return Deliver(id, type, options, document);
}

// ---- Sizes and pictures ---------------------------------------------------------------

namespace {

struct Extent {
    double width = 0;
    double height = 0;
};

// Children's extents arranged as a frame arranges them, with `gap` between neighbours.
Extent ArrangeExtents(const std::vector<Extent>& cells, bool side_by_side, size_t columns, double gap) {
    if (cells.empty()) return Extent{};
    if (columns == 0) columns = side_by_side ? cells.size() : 1;
    size_t rows = (cells.size() + columns - 1) / columns;
    std::vector<double> widths(std::min(columns, cells.size()), 0), heights(rows, 0);
    for (size_t i = 0; i < cells.size(); ++i) {
        widths[i % columns] = std::max(widths[i % columns], cells[i].width);
        heights[i / columns] = std::max(heights[i / columns], cells[i].height);
    }
    Extent extent;
    for (double width : widths) extent.width += width;
    for (double height : heights) extent.height += height;
    extent.width += gap * static_cast<double>(widths.size() - 1);
    extent.height += gap * static_cast<double>(rows - 1);
    return extent;
}

Extent Measure(const WidgetModel& model, const Widget& widget) {
    Extent extent;
    if (widget.type == "button") {
        extent.width = std::max(kButtonMinimumWidth, kButtonPadding + kCharacterWidth * static_cast<double>(Characters(widget.text)));
        extent.height = kButtonHeight;
    } else {
        std::vector<Extent> cells;
        for (int32_t id : widget.children) {
            const Widget* child = model.Find(id);
            if (child != nullptr && child->visible) cells.push_back(Measure(model, *child));
        }
        bool frame = widget.type == "frame";
        extent = ArrangeExtents(cells, frame && widget.alignment == "horz",
                                frame ? static_cast<size_t>(widget.matrixcolumn) : 0, widget.inspace);
    }
    extent.width += 2 * widget.outspace;
    extent.height += 2 * widget.outspace;
    return extent;
}

int32_t Pixels(double value) { return static_cast<int32_t>(std::lround(value)); }

Block Render(const WidgetModel& model, const Widget& widget) {
    if (widget.type == "button") return Line("[" + widget.TextUtf8() + (widget.down ? "*" : "") + "]");
    std::vector<Block> cells;
    for (int32_t id : widget.children) {
        const Widget* child = model.Find(id);
        if (child == nullptr || !child->visible) continue;
        Block cell = Render(model, *child);
        if (!cell.lines.empty()) cells.push_back(std::move(cell));
    }
    bool frame = widget.type == "frame";
    return Arrange(cells, frame && widget.alignment == "horz", frame ? static_cast<size_t>(widget.matrixcolumn) : 0);
}

}  // namespace

std::array<int32_t, 4> WidgetModel::JustSize(int32_t id) const {
    const Widget* widget = Find(id);
    if (widget == nullptr) return {0, 0, -1, -1};
    Extent content = Measure(*this, *widget);
    if (widget->type != "window") {
        return {Pixels(content.width), Pixels(content.height), Pixels(content.width), Pixels(content.height)};
    }
    return {Pixels(content.width + 2 * kWindowBorder), Pixels(content.height + kTitleBar + 2 * kWindowBorder),
            Pixels(content.width), Pixels(content.height)};
}

std::string WidgetModel::Picture(int32_t id) const {
    const Widget* window = Find(id);
    if (window == nullptr) return "(no widget " + std::to_string(id) + ")\n";
    if (window->type != "window") return "(widget " + std::to_string(id) + " is " + Article(window->type) + ")\n";
    std::string label = window->title.empty() ? "window " + std::to_string(id) : window->TitleUtf8();
    if (!window->visible) label += " (hidden)";
    Block content = Render(*this, *window);
    size_t inner = std::max(content.width + 2, Columns(label) + 4);
    std::string picture = "+- " + label + " " + std::string(inner - Columns(label) - 3, '-') + "+\n";
    for (const std::string& line : content.lines) picture += "| " + Padded(line, inner - 2) + " |\n";
    return picture + "+" + std::string(inner, '-') + "+\n";
}

std::string WidgetModel::Pictures() const {
    std::string pictures;
    for (const auto& [id, widget] : widgets_) {
        if (widget.type == "window" && !widget.main) pictures += Picture(id);
    }
    return pictures;
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

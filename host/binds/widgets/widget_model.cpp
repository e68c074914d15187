// The host's widgets: the model's state, and how the requests of MQWidget_Value reach
// the handler of each.
#include <algorithm>

#include "host/binds/widgets/widget_request.h"
#include "host/records/breaches.h"
#include "host/records/journal.h"

namespace host {

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

void WidgetModel::Report(const Request& request, const char* rule_id, std::string detail) {
    TheBreaches().Report(rule_id, request.Call(), std::move(detail));
}

// Why `id` names no widget, for a request that needs one; `role` is "" for the widget the
// request is made on, "child: " for the one it names as a child.
void WidgetModel::ReportAbsent(const Request& request, int32_t id, const char* role) {
    std::string widget = "widget " + std::to_string(id);
    auto deleted = deleted_.find(id);
    if (id == 0) return Report(request, "widget.id-zero", role + std::string("widget id 0 names no widget"));
    if (deleted == deleted_.end()) return Report(request, "widget.unknown-id", role + widget + " does not exist");
    if (deleted->second != 0) {
        return Report(request, "widget.deleted-with-parent",
                      role + widget + " was deleted with widget " + std::to_string(deleted->second));
    }
    const char* rule_id = request.op == MQWIDGET_DELETE && *role == 0 ? "widget.deleted-twice" : "widget.deleted";
    Report(request, rule_id, role + widget + " was deleted before");
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
        if (widget != 0) Report(request, "widget.not-on-id-zero", std::string(OpName(op)) + " is sent with widget id 0");
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
        return Report(request, "widget.unknown-op", "unknown operation code");
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

WidgetModel& TheWidgets() {
    static WidgetModel widgets;
    return widgets;
}

}  // namespace host

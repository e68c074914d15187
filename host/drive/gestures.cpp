// A user's gestures on the host's widgets, and the widget events they raise: each event
// goes to every procedure the plug-in registered for it on the widget, in registration
// order.
#include <algorithm>

#include "host/binds/widgets/widget_request.h"

namespace host {
namespace {

std::string NoWidget(int32_t id) { return "there is no widget " + std::to_string(id); }

std::string NotShown(int32_t id) { return "widget " + std::to_string(id) + " is not shown"; }

std::string NotA(const Widget& widget, const char* type) {
    return "widget " + std::to_string(widget.id) + " is " + Article(widget.type) + ", not " + Article(type);
}


}  // namespace

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
    if (!Exists(id)) return outcome.refused = NoWidget(id), outcome;
    if (!IsShowing(id)) return outcome.refused = NotShown(id), outcome;
    const char* type = MQEVT_LEFTDOWN;
    int32_t state = MQMOUSE_LEFT;
    if (button == MouseButton::Middle) type = MQEVT_MIDDLEDOWN, state = MQMOUSE_MIDDLE;
    if (button == MouseButton::Right) type = MQEVT_RIGHTDOWN, state = MQMOUSE_RIGHT;
    if (modifiers.shift) state |= MQMOUSE_SHIFT;
    if (modifiers.ctrl) state |= MQMOUSE_CTRL;
    OptionList options;
    AddEventOptions(options, type, id).Int(MQMOUSE_KEY_BUTTON_STATE, state);
    return Deliver(id, type, options, document);
}

EventOutcome WidgetModel::Press(int32_t id, MQDocument document) {
    EventOutcome outcome;
    const Widget* widget = Find(id);
    if (widget == nullptr) return outcome.refused = NoWidget(id), outcome;
    if (widget->type != MQWIDGET_TYPE_BUTTON) return outcome.refused = NotA(*widget, MQWIDGET_TYPE_BUTTON), outcome;
    if (!IsShowing(id)) return outcome.refused = NotShown(id), outcome;
    OptionList options;
    AddEventOptions(options, MQEVT_EXECUTE, id);
    return Deliver(id, MQEVT_EXECUTE, options, document);
}

EventOutcome WidgetModel::CloseWindow(int32_t id, MQDocument document) {
    EventOutcome outcome;
    Widget* widget = FindMutable(id);
    if (widget == nullptr) return outcome.refused = NoWidget(id), outcome;
    if (widget->type != MQWIDGET_TYPE_WINDOW) return outcome.refused = NotA(*widget, MQWIDGET_TYPE_WINDOW), outcome;
    if (widget->main) return outcome.refused = "the main window stays open", outcome;
    if (!widget->visible) return outcome.refused = "window " + std::to_string(id) + " is not shown", outcome;
    widget->visible = false;
    OptionList options;
    AddEventOptions(options, MQEVT_HIDE, id);
    return Deliver(id, MQEVT_HIDE, options, document);
}

std::string WidgetModel::MoveWindow(int32_t id, int32_t x, int32_t y) {
    Widget* widget = FindMutable(id);
    if (widget == nullptr) return NoWidget(id);
    if (widget->type != MQWIDGET_TYPE_WINDOW) return NotA(*widget, MQWIDGET_TYPE_WINDOW);
    if (widget->main) return "the main window is the host's own";
    widget->pos_x = x;
    widget->pos_y = y;
    return {};
}

EventOutcome WidgetModel::SendEvent(int32_t id, const std::string& type, OptionList& options, MQDocument document) {
    return Deliver(id, type, options, document);
}

}  // namespace host

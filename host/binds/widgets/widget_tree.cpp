// Widgets made, deleted and placed: windows, frames and buttons, their children and the
// child windows a window owns.
#include <algorithm>

#include "host/binds/widgets/widget_request.h"

namespace host {
namespace {

// Where the host places a new window.
constexpr int32_t kNewWindowX = 100;
constexpr int32_t kNewWindowY = 80;

void Erase(std::vector<int32_t>& ids, int32_t id) { ids.erase(std::remove(ids.begin(), ids.end(), id), ids.end()); }

}  // namespace

void WidgetModel::Create(Request& request) {
    const char* type = request.Keyword(MQWIDGET_KEY_TYPE);
    int32_t* id = request.Int(MQWIDGET_KEY_ID);
    if (type == nullptr) return Report(request, "widget.missing-option", "Create needs a \"type\"");
    std::string kind = type;
    if (kind != MQWIDGET_TYPE_WINDOW && kind != MQWIDGET_TYPE_FRAME && kind != MQWIDGET_TYPE_BUTTON) {
        return Report(request, "widget.unknown-type", "there is no widget type " + QuotedText(kind));
    }
    if (id == nullptr) return Report(request, "widget.missing-option", "Create needs an \"id\" out-value");
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
        return Report(request, "widget.main-window-deleted", "the main window is the host's own; a plug-in never deletes it");
    }
    if (request.Count() != 0) Report(request, "widget.delete-with-options", "Delete takes no options");
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
    if (child_id == nullptr) return Report(request, "widget.missing-option", "AddChild needs a \"child\"");
    Widget* child = FindMutable(*child_id);
    if (child == nullptr) return ReportAbsent(request, *child_id, "child: ");
    if (parent.type == MQWIDGET_TYPE_BUTTON) return Report(request, "widget.not-a-container", "a button holds no children");
    if (child->type == MQWIDGET_TYPE_WINDOW) {
        return Report(request, "widget.window-as-child",
                      "widget " + std::to_string(child->id) + " is a window: windows go in windows through AddChildWindow");
    }
    for (const Widget* around = &parent; around != nullptr; around = Find(around->parent)) {
        if (around->id == child->id) {
            return Report(request, "widget.inside-itself",
                          "placing widget " + std::to_string(child->id) + " in widget " + std::to_string(parent.id) +
                              " would place it inside itself");
        }
    }
    if (child->parent != 0) {
        return Report(request, "widget.already-placed",
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
    if (child_id == nullptr) return Report(request, "widget.missing-option", "RemoveChild needs a \"child\"");
    Widget* child = FindMutable(*child_id);
    if (child == nullptr) return ReportAbsent(request, *child_id, "child: ");
    if (child->parent != parent.id) {
        return Report(request, "widget.not-placed-there",
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
        return Report(request, "widget.not-a-window",
                      "widget " + std::to_string(parent.id) + " is " + Article(parent.type) + ", not a window");
    }
    if (child_id == nullptr) return Report(request, "widget.missing-option", "AddChildWindow needs a \"child\"");
    Widget* child = FindMutable(*child_id);
    if (child == nullptr) return ReportAbsent(request, *child_id, "child: ");
    if (child->type != MQWIDGET_TYPE_WINDOW || child->main) {
        return Report(request, "widget.not-a-child-window",
                      "widget " + std::to_string(child->id) + " cannot be a child window");
    }
    for (const Widget* above = &parent; above != nullptr; above = Find(above->owner)) {
        if (above->id == child->id) {
            return Report(request, "widget.inside-itself", "a window cannot be a child window of itself");
        }
    }
    if (child->owner != 0) {
        return Report(request, "widget.already-placed",
                      "window " + std::to_string(child->id) + " is already a child window of window " +
                          std::to_string(child->owner));
    }
    parent.child_windows.push_back(child->id);
    child->owner = parent.id;
    if (result != nullptr) *result = static_cast<int32_t>(parent.child_windows.size() - 1);
}

}  // namespace host

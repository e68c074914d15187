// The message boxes the plug-in asks (MQWidget_Value with MQWIDGET_MESSAGEBOX), what
// happens while one is open, and who answers them.
#include "host/binds/widgets/widget_request.h"

namespace host {

void WidgetModel::MessageBox(Request& request) {
    MessageBoxRequest box;
    const char* type = request.Keyword(MQWIDGET_KEY_TYPE);
    const char* messagetype = request.Keyword(MQBOX_KEY_MESSAGE_TYPE);
    const int32_t* parent = request.Int(MQWIDGET_KEY_PARENT);
    const platform::WideChar* message = request.Wide(MQBOX_KEY_MESSAGE);
    const platform::WideChar* title = request.Wide(MQBOX_KEY_TITLE);
    int32_t* result = request.Int(MQWIDGET_KEY_RESULT);
    box.type = type != nullptr ? type : "";
    box.messagetype = messagetype != nullptr ? messagetype : "";
    box.parent = parent != nullptr ? *parent : 0;
    box.message = message != nullptr ? Utf8(message) : "";
    box.title = title != nullptr ? Utf8(title) : "";
    if (box.type != MQBOX_TYPE) {
        Report(request, "box.bad-type", "\"type\" of a message box is " + QuotedText(MQBOX_TYPE));
    }
    if (box.messagetype != MQBOX_OKCANCEL) {
        Report(request, "box.unknown-kind", "the host has no message box " + QuotedText(box.messagetype));
    }
    const Widget* owner = Find(box.parent);
    if (owner == nullptr || owner->type != MQWIDGET_TYPE_WINDOW) {
        Report(request, "box.parent-not-window",
               "the parent of a message box is a window; " + std::to_string(box.parent) + " is not");
    }
    if (message == nullptr) Report(request, "box.missing-option", "a message box needs a \"message\"");
    if (result == nullptr) {
        Report(request, "box.missing-option", "a message box needs a \"result\" out-value");
        boxes_.push_back(box);
        return;
    }
    size_t index = boxes_.size();
    boxes_.push_back(box);
    // The nested loop: what happens while the box is open.
    std::vector<std::function<void()>> actions;
    actions.swap(box_actions_);
    for (const std::function<void()>& action : actions) action();

    std::optional<int32_t> answer;
    if (!answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
    } else if (answerer_) {
        answer = answerer_(box);
    }
    if (answer) *result = *answer;
    // An action may have reset the host, and the record went with it.
    if (index < boxes_.size()) boxes_[index].answer = answer;
}

}  // namespace host

#include "host/drive/widget_queries.h"

#include "host/binds/widgets/widgets.h"

namespace host {

int32_t FindWindowTitled(const std::string& title) {
    for (int32_t id : TheWidgets().Ids()) {
        const Widget* widget = TheWidgets().Find(id);
        if (widget->type == "window" && !widget->main && widget->TitleUtf8() == title) return id;
    }
    return 0;
}

// Depth first with the children pushed in reverse, so a frame's buttons come out in the
// order the frame lays them out.
std::vector<int32_t> FindButtons(int32_t window, const std::string& text) {
    std::vector<int32_t> found;
    if (window == 0) return found;
    std::vector<int32_t> stack{window};
    while (!stack.empty()) {
        const Widget* widget = TheWidgets().Find(stack.back());
        stack.pop_back();
        if (widget == nullptr) continue;
        if (widget->type == "button" && widget->TextUtf8() == text) found.push_back(widget->id);
        for (auto child = widget->children.rbegin(); child != widget->children.rend(); ++child) stack.push_back(*child);
    }
    return found;
}

}  // namespace host

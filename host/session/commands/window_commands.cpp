// The commands of pellucid-host on the Lucid window, as a user's gestures: clicks on a
// row's S and R, the Add button, closing, opening and moving the window, and its picture.
#include <vector>

#include "abi/message_box.h"
#include "host/binds/widgets/widgets.h"
#include "host/drive/widget_queries.h"
#include "host/session/session.h"
#include "host/session/words.h"

namespace host {

void Session::Store(const Command& command, const Words& args) { ClickRow(command, args, "S"); }

void Session::Recall(const Command& command, const Words& args) { ClickRow(command, args, "R"); }

// A left button down on the row's `button`, with the keys the arguments name held.
void Session::ClickRow(const Command& command, const Words& args, const char* button) {
    int32_t row = 0;
    if (args.empty() || !ParseInt(args[0], &row)) {
        SayUsage(command);
        return;
    }
    Modifiers modifiers;
    for (size_t i = 1; i < args.size(); ++i) {
        std::string key = Lower(args[i]);
        if (key == "ctrl") {
            modifiers.ctrl = true;
        } else if (key == "shift") {
            modifiers.shift = true;
        } else {
            SayUsage(command, " (" + Quoted(args[i]) + " is not a modifier key)");
            return;
        }
    }
    int32_t window = LucidWindow();
    if (window != 0 && !TheWidgets().IsShowing(window)) {
        Refuse("the Lucid window is closed; type open to open it");
        return;
    }
    std::vector<int32_t> buttons = FindButtons(window, button);
    if (buttons.empty()) {
        Refuse("the Lucid window has no rows");
        return;
    }
    if (row < 1 || static_cast<size_t>(row) > buttons.size()) {
        Refuse("there is no row " + args[0] + ": the window has rows 1 to " + std::to_string(buttons.size()));
        return;
    }
    SceneSnapshot before = TakeSnapshot(*document_);
    size_t boxes = TheWidgets().MessageBoxes().size();
    EventOutcome outcome =
        TheWidgets().MouseDown(buttons[static_cast<size_t>(row - 1)], MouseButton::Left, modifiers, document_->handle());
    if (!outcome.refused.empty()) {
        Refuse("cannot click: " + outcome.refused);
        return;
    }
    ReportBoxes(boxes);
    // A store changes the row unless its question was turned down; a recall changes the
    // scene when any object changed.
    const std::vector<MessageBoxRequest>& asked = TheWidgets().MessageBoxes();
    bool declined = asked.size() > boxes && (!asked.back().answer || *asked.back().answer != MQBOX_OK);
    bool changed = Report(before);
    if (changed || (*button == 'S' && !declined)) unsaved_ = true;
}

void Session::PressAdd(const Command&, const Words&) {
    int32_t window = LucidWindow();
    if (window != 0 && !TheWidgets().IsShowing(window)) {
        Refuse("the Lucid window is closed; type open to open it");
        return;
    }
    std::vector<int32_t> adds = FindButtons(window, "Add");
    if (adds.empty()) {
        Refuse("the plug-in shows no Add button");
        return;
    }
    SceneSnapshot before = TakeSnapshot(*document_);
    EventOutcome outcome = TheWidgets().Press(adds.front(), document_->handle());
    if (!outcome.refused.empty()) {
        Refuse("cannot press Add: " + outcome.refused);
        return;
    }
    unsaved_ = true;
    Report(before);
}

void Session::CloseWindow(const Command&, const Words&) {
    int32_t window = LucidWindow();
    if (window == 0) {
        Refuse("the plug-in has no window");
        return;
    }
    if (!TheWidgets().IsShowing(window)) {
        Refuse("the Lucid window is closed already; type open to open it");
        return;
    }
    SceneSnapshot before = TakeSnapshot(*document_);
    EventOutcome outcome = TheWidgets().CloseWindow(window, document_->handle());
    if (!outcome.refused.empty()) {
        Refuse("cannot close: " + outcome.refused);
        return;
    }
    Report(before);
}

void Session::OpenWindow(const Command&, const Words&) {
    SceneSnapshot before = TakeSnapshot(*document_);
    int32_t flag = 1;
    int32_t shown = plugin_->SendEvent(document_->handle(), MQEVENT_ACTIVATE, &flag);
    if (shown == 0) Refuse("the plug-in did not activate");
    Report(before);
}

void Session::MoveWindow(const Command& command, const Words& args) {
    int32_t x = 0, y = 0;
    if (args.size() != 2 || !ParseInt(args[0], &x) || !ParseInt(args[1], &y)) {
        SayUsage(command);
        return;
    }
    int32_t window = LucidWindow();
    std::string refused = window == 0 ? "the plug-in has no window" : TheWidgets().MoveWindow(window, x, y);
    if (refused.empty()) {
        Say("moved the Lucid window to " + args[0] + ", " + args[1]);
    } else {
        Refuse("cannot move: " + refused);
    }
}

void Session::Window(const Command&, const Words&) { ShowPicture(true); }

}  // namespace host

// The commands of pellucid-host: the table that dispatch, help and the usage lines share,
// and a handler for each.
#include <algorithm>

#include "abi/message_box.h"
#include "host/cli/session.h"
#include "host/cli/words.h"
#include "host/widget_queries.h"
#include "host/widgets.h"

namespace host {
namespace {

// The synopsis help lists and the usage lines quote: the name and what follows it.
std::string Synopsis(const char* name, const char* arguments) {
    std::string synopsis = name;
    if (*arguments != '\0') synopsis += std::string(" ") + arguments;
    return synopsis;
}

}  // namespace

std::span<const Session::Command> Session::Commands() {
    static const Command kCommands[] = {
        {"help", "?", "", "this list", &Session::Help},
        {"list", nullptr, "", "the scene's objects and whether each is shown", &Session::List},
        {"show", nullptr, "NAME...", "show objects", &Session::Show},
        {"hide", nullptr, "NAME...", "hide objects", &Session::Hide},
        {"rename", nullptr, "NAME NEW", "rename an object", &Session::Rename},
        {"delete", nullptr, "NAME", "delete an object (its place stays empty)", &Session::Remove},
        {"s", "store", "ROW [ctrl] [shift]", "click the row's S button: store, append with ctrl, clear with shift",
         &Session::Store},
        {"r", "recall", "ROW [ctrl] [shift]", "click the row's R button: recall the row's slot, whatever keys are held",
         &Session::Recall},
        {"add", nullptr, "", "press the window's Add button", &Session::PressAdd},
        {"answer", nullptr, "ok|cancel", "answer the next confirmation the window asks", &Session::Answer},
        {"close", nullptr, "", "close the Lucid window as a user would", &Session::CloseWindow},
        {"open", nullptr, "", "activate the Lucid window again", &Session::OpenWindow},
        {"move", nullptr, "X Y", "drag the Lucid window to X, Y", &Session::MoveWindow},
        {"save", nullptr, "[FILE]", "save the scene, to its own file by default", &Session::SaveScene},
        {"load", nullptr, "FILE", "open a scene file", &Session::LoadScene},
        {"window", nullptr, "", "show the Lucid window", &Session::Window},
        {"meanwhile", nullptr, "COMMAND...",
         "run COMMAND while the window's next question is open, before it is answered", &Session::Meanwhile},
        {"stop", nullptr, "", "the host stops the plug-in, as at its own exit", &Session::Stop},
        {"start", nullptr, "", "the host starts the plug-in again", &Session::Start},
        {"quit", "exit", "", "end the session: the plug-in stops and the settings are written", &Session::Quit},
    };
    return kCommands;
}

const Session::Command* Session::FindCommand(const std::string& word) {
    std::string name = Lower(word);
    for (const Command& command : Commands()) {
        if (name == command.name || (command.alias != nullptr && name == command.alias)) return &command;
    }
    return nullptr;
}

void Session::SayUsage(const Command& command, const std::string& detail) {
    Say("usage: " + Synopsis(command.name, command.arguments) + detail);
}

void Session::Help(const Command&, const Words&) {
    size_t width = 0;
    for (const Command& command : Commands()) width = std::max(width, Synopsis(command.name, command.arguments).size());
    Say("commands (ROW counts from 1; NAME is an object's name, in quotes when it has spaces, or #N for place N):");
    for (const Command& command : Commands()) {
        std::string line = "  " + Synopsis(command.name, command.arguments);
        line.resize(2 + width + 2, ' ');
        line += command.summary;
        if (command.alias != nullptr) line += std::string(" (or ") + command.alias + ")";
        Say(line);
    }
}

void Session::List(const Command&, const Words&) {
    for (int32_t place = 0; place < document_->PlaceCount(); ++place) {
        const Object* object = document_->ObjectAt(place);
        std::string line = "  #" + std::to_string(place) + "  ";
        if (object == nullptr) {
            Say(line + "(empty)");
            continue;
        }
        line += Quoted(Utf8FromHostText(object->name())) + (object->visible() ? "  shown" : "  hidden");
        if (object->append_filter() != 0) line += "  value262=" + std::to_string(object->append_filter());
        if (!object->counted()) line += "  not counted";
        Say(line);
    }
    if (document_->PlaceCount() == 0) Say("  (no objects)");
}

void Session::Show(const Command& command, const Words& args) { SetVisibility(command, args, true); }

void Session::Hide(const Command& command, const Words& args) { SetVisibility(command, args, false); }

void Session::SetVisibility(const Command& command, const Words& args, bool visible) {
    if (args.empty()) {
        SayUsage(command);
        return;
    }
    // Every name is looked up before anything changes: a mistyped name is the one line
    // that says so, and leaves the scene as it was rather than half done.
    std::vector<Object*> objects;
    for (const std::string& word : args) {
        std::vector<Object*> named = Named(word);
        if (named.empty()) return;
        objects.insert(objects.end(), named.begin(), named.end());
    }
    SceneSnapshot before = TakeSnapshot(*document_);
    for (Object* object : objects) object->SetVisible(visible);
    Report(before);
}

void Session::Rename(const Command& command, const Words& args) {
    if (args.size() != 2) {
        SayUsage(command);
        return;
    }
    std::vector<Object*> objects = Named(args[0]);
    if (objects.empty()) return;
    objects.front()->SetName(HostTextFromUtf8(args[1]));
    Say("renamed " + args[0] + " to " + Quoted(args[1]));
}

void Session::Remove(const Command& command, const Words& args) {
    if (args.size() != 1) {
        SayUsage(command);
        return;
    }
    std::vector<Object*> objects = Named(args[0]);
    if (objects.empty()) return;
    int32_t place = objects.front()->place();
    document_->RemoveObject(place);
    Say("deleted the object at #" + std::to_string(place));
}

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
    std::vector<int32_t> buttons = FindButtons(LucidWindow(), button);
    if (buttons.empty()) {
        Say("the Lucid window has no rows");
        return;
    }
    if (row < 1 || static_cast<size_t>(row) > buttons.size()) {
        Say("there is no row " + args[0] + ": the window has rows 1 to " + std::to_string(buttons.size()));
        return;
    }
    SceneSnapshot before = TakeSnapshot(*document_);
    size_t boxes = TheWidgets().MessageBoxes().size();
    EventOutcome outcome =
        TheWidgets().MouseDown(buttons[static_cast<size_t>(row - 1)], MouseButton::Left, modifiers, document_->handle());
    if (!outcome.refused.empty()) {
        Say("cannot click: " + outcome.refused);
        return;
    }
    ReportBoxes(boxes);
    Report(before);
}

void Session::PressAdd(const Command&, const Words&) {
    std::vector<int32_t> adds = FindButtons(LucidWindow(), "Add");
    if (adds.empty()) {
        Say("the plug-in shows no Add button");
        return;
    }
    SceneSnapshot before = TakeSnapshot(*document_);
    EventOutcome outcome = TheWidgets().Press(adds.front(), document_->handle());
    if (!outcome.refused.empty()) {
        Say("cannot press Add: " + outcome.refused);
        return;
    }
    Report(before);
}

void Session::Answer(const Command& command, const Words& args) {
    std::string answer = args.size() == 1 ? Lower(args[0]) : "";
    if (answer != "ok" && answer != "cancel") {
        SayUsage(command);
        return;
    }
    TheWidgets().QueueAnswer(answer == "ok" ? MQBOX_OK : MQBOX_CANCEL);
}

// A host runs a nested loop while a message box is open; the command runs there, after
// the box has been asked and before its answer is taken.
void Session::Meanwhile(const Command& command, const Words& args) {
    if (args.empty()) {
        SayUsage(command);
        return;
    }
    std::string line;
    for (const std::string& word : args) {
        bool plain = !word.empty() && word.find_first_of(" \t") == std::string::npos;
        line += (line.empty() ? "" : " ") + (plain ? word : Quoted(word));
    }
    TheWidgets().WhileNextBoxOpen([this, line] {
        Say("meanwhile> " + line);
        Execute(line);
    });
}

void Session::Stop(const Command&, const Words&) {
    plugin_->SendEvent(document_->handle(), MQEVENT_EXIT, nullptr);
    Say("the plug-in stopped");
}

void Session::Start(const Command&, const Words&) {
    plugin_->SendEvent(document_->handle(), MQEVENT_INITIALIZE, nullptr);
    ShowPicture();
}

void Session::CloseWindow(const Command&, const Words&) {
    int32_t window = LucidWindow();
    if (window == 0) {
        Say("the plug-in has no window");
        return;
    }
    SceneSnapshot before = TakeSnapshot(*document_);
    EventOutcome outcome = TheWidgets().CloseWindow(window, document_->handle());
    if (!outcome.refused.empty()) {
        Say("cannot close: " + outcome.refused);
        return;
    }
    Report(before);
}

void Session::OpenWindow(const Command&, const Words&) {
    SceneSnapshot before = TakeSnapshot(*document_);
    int32_t flag = 1;
    int32_t shown = plugin_->SendEvent(document_->handle(), MQEVENT_ACTIVATE, &flag);
    if (shown == 0) Say("the plug-in did not activate");
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
    Say(refused.empty() ? "moved the Lucid window to " + args[0] + ", " + args[1] : "cannot move: " + refused);
}

// The plug-in writes its element first (event 202), then the file is written whole.
void Session::SaveScene(const Command& command, const Words& args) {
    if (args.size() > 1) {
        SayUsage(command);
        return;
    }
    std::string file = args.empty() ? scene_file_ : args[0];
    if (file.empty()) {
        Say("usage: save FILE (this scene has no file yet)");
        return;
    }
    XmlElement& element = PluginData();
    element.RemoveAllChildren();
    OptionList options;
    options.Pointer("xml_elem", &element).Text("filename", file).Int("save_uid", 0);
    plugin_->SendEvent(document_->handle(), MQEVENT_SAVE_DOCUMENT, options);
    std::string error;
    if (!WriteScene(file, *document_, *plugins_, &error)) {
        Say("not saved: " + error);
        return;
    }
    scene_file_ = file;
    Say("saved " + file);
}

void Session::LoadScene(const Command& command, const Words& args) {
    if (args.size() != 1) {
        SayUsage(command);
        return;
    }
    if (OpenScene(args[0])) ShowPicture();
}

void Session::Window(const Command&, const Words&) { ShowPicture(); }

void Session::Quit(const Command&, const Words&) { Finish(); }

}  // namespace host

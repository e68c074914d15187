// The commands of pellucid-host: the table that dispatch, help and the usage lines share,
// and a handler for each.
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "abi/message_box.h"
#include "host/cli/session.h"
#include "host/cli/words.h"
#include "host/journal.h"
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
        {"s", "store", "ROW [ctrl] [shift]", "click the row's S: store, append with ctrl, clear with shift",
         &Session::Store},
        {"r", "recall", "ROW [ctrl] [shift]", "click the row's R: recall the row's view, whatever keys are held",
         &Session::Recall},
        {"add", nullptr, "", "press the window's Add button", &Session::PressAdd},
        {"answer", nullptr, "ok|cancel", "answer the confirmation that the next command asks", &Session::Answer},
        {"close", nullptr, "", "close the Lucid window as a user would", &Session::CloseWindow},
        {"open", nullptr, "", "activate the Lucid window again", &Session::OpenWindow},
        {"move", nullptr, "X Y", "drag the Lucid window to X, Y", &Session::MoveWindow},
        {"save", nullptr, "[FILE]", "save the scene, to its own file by default", &Session::SaveScene},
        {"load", nullptr, "FILE", "open a scene file", &Session::LoadScene},
        {"window", nullptr, "", "show the Lucid window", &Session::Window},
        {"meanwhile", nullptr, "COMMAND...",
         "run COMMAND while the next question is open, before it is answered", &Session::Meanwhile},
        {"stop", nullptr, "", "the host stops the plug-in, as at its own exit", &Session::Stop},
        {"start", nullptr, "", "the host starts the plug-in again", &Session::Start},
        {"journal", nullptr, "[COUNT]", "the last COUNT host calls of the plug-in (20), kept with --journal",
         &Session::ShowJournal},
        {"quit", "exit", "", "end the session: the plug-in stops, the settings are written", &Session::Quit},
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
    Refuse("usage: " + Synopsis(command.name, command.arguments) + detail);
}

// Two columns, the synopsis and what the command does; a summary longer than the line
// goes on under itself.
void Session::Help(const Command&, const Words&) {
    constexpr size_t kLineWidth = 100;
    size_t width = 0;
    for (const Command& command : Commands()) width = std::max(width, Synopsis(command.name, command.arguments).size());
    Say("commands (ROW counts from 1; NAME is an object's name, or #N for the object at place N):");
    for (const Command& command : Commands()) {
        std::string summary = command.summary;
        if (command.alias != nullptr) summary += std::string(" (or ") + command.alias + ")";
        std::string line = "  " + Synopsis(command.name, command.arguments);
        size_t column = 2 + width + 2;
        while (!summary.empty()) {
            line.resize(column, ' ');
            size_t room = kLineWidth - column;
            size_t cut = summary.size() <= room ? summary.size() : summary.rfind(' ', room);
            if (cut == std::string::npos || cut == 0) cut = std::min(room, summary.size());
            line += summary.substr(0, cut);
            summary.erase(0, cut);
            if (!summary.empty() && summary[0] == ' ') summary.erase(0, 1);
            Say(line);
            line.clear();
        }
    }
    Say("Put a NAME in double quotes when it has spaces or begins with #; inside quotes, \\\" is a quote.");
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
    for (const Word& word : args) {
        std::vector<Object*> named = Named(word);
        if (named.empty()) return;
        objects.insert(objects.end(), named.begin(), named.end());
    }
    SceneSnapshot before = TakeSnapshot(*document_);
    for (Object* object : objects) object->SetVisible(visible);
    if (Report(before)) unsaved_ = true;
}

void Session::Rename(const Command& command, const Words& args) {
    if (args.size() != 2) {
        SayUsage(command);
        return;
    }
    std::vector<Object*> objects = Named(args[0]);
    if (objects.empty()) return;
    // The scene holds names in the host's code page: a name it cannot hold is refused
    // rather than saved as something else.
    std::string name = HostTextFromUtf8(args[1]);
    if (args[1].empty() || Utf8FromHostText(name) != args[1]) {
        Refuse(args[1].empty() ? std::string("cannot rename: a name cannot be empty")
                               : "cannot rename: the scene's code page cannot hold the name " + Quoted(args[1]));
        return;
    }
    Object* object = objects.front();
    std::string old_name = Utf8FromHostText(object->name());
    bool taken = false;
    for (int32_t place = 0; place < document_->PlaceCount(); ++place) {
        const Object* other = document_->ObjectAt(place);
        taken = taken || (other != nullptr && other != object && other->name() == name);
    }
    object->SetName(name);
    unsaved_ = true;
    std::string line = "renamed " + Quoted(old_name) + " to " + Quoted(args[1]);
    if (taken) line += "; warning: another object is named " + Quoted(args[1]) + " too, and the name now reaches both";
    Say(line);
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
    unsaved_ = true;
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

// Held for the command typed next (Execute hands it on), which must ask.
void Session::Answer(const Command& command, const Words& args) {
    std::string answer = args.size() == 1 ? Lower(args[0]) : "";
    if (answer != "ok" && answer != "cancel") {
        SayUsage(command);
        return;
    }
    int32_t code = answer == "ok" ? MQBOX_OK : MQBOX_CANCEL;
    if (depth_ > 1) {
        TheWidgets().QueueAnswer(code);  // inside a meanwhile: for the questions still to come
    } else {
        answers_ahead_.push_back(code);
    }
}

// A host runs a nested loop while a message box is open; the command runs there, after
// the box has been asked and before its answer is taken.
void Session::Meanwhile(const Command& command, const Words& args) {
    if (args.empty()) {
        SayUsage(command);
        return;
    }
    std::string line;
    for (const Word& word : args) {
        bool plain = !word.quoted && !word.empty() && word.find_first_of(" \t\"") == std::string::npos;
        if (!line.empty()) line += ' ';
        line += plain ? std::string(word) : Quoted(word);
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
    ShowPicture(false);
}

void Session::ShowJournal(const Command& command, const Words& args) {
    int32_t count = 20;
    if (args.size() > 1 || (args.size() == 1 && (!ParseInt(args[0], &count) || count < 1))) {
        SayUsage(command);
        return;
    }
    const Journal& journal = TheJournal();
    if (!journal.Recording()) {
        Refuse("the journal is off: start pellucid-host with --journal to keep the host calls");
        return;
    }
    const std::vector<HostCall>& calls = journal.Calls();
    size_t first = calls.size() > static_cast<size_t>(count) ? calls.size() - static_cast<size_t>(count) : 0;
    Say("journal: " + std::to_string(journal.Dropped() + calls.size()) + " calls, the last " +
        std::to_string(calls.size() - first) + ":");
    for (size_t i = first; i < calls.size(); ++i) Say("  " + calls[i].Text());
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

// The plug-in writes its element first (event 202), then the file is written whole.
void Session::SaveScene(const Command& command, const Words& args) {
    if (args.size() > 1) {
        SayUsage(command);
        return;
    }
    std::string file = args.empty() ? scene_file_ : std::string(args[0]);
    if (args.empty() && IsSample(file)) {
        // The sample stays as it was shipped: the user names a file of their own.
        file = AskLine("the bundled sample is kept as it is; save to which file? ");
        if (file.empty()) {
            Refuse("not saved: the bundled sample is kept as it is; save FILE saves to a file of your own");
            return;
        }
    }
    if (file.empty()) {
        Refuse("usage: save FILE (this scene has no file yet)");
        return;
    }
    namespace fs = std::filesystem;
    std::error_code error_code;
    fs::path parent = fs::path(file).parent_path();
    if (IsSample(file)) {
        Refuse("not saved: " + file + " is the bundled sample, which is kept as it is; name another file");
        return;
    }
    if (fs::is_directory(file, error_code)) {
        Refuse("not saved: " + file + " is a folder; name a file, like " + (fs::path(file) / "my.scene").generic_string());
        return;
    }
    if (!parent.empty() && !fs::is_directory(parent, error_code)) {
        Refuse("not saved: there is no folder " + parent.string());
        return;
    }
    XmlElement& element = PluginData();
    element.RemoveAllChildren();
    OptionList options;
    options.Pointer("xml_elem", &element).Text("filename", file).Int("save_uid", 0);
    plugin_->SendEvent(document_->handle(), MQEVENT_SAVE_DOCUMENT, options);
    std::string error;
    if (!WriteScene(file, *document_, *plugins_, &error)) {
        Refuse("not saved: " + error);
        return;
    }
    scene_file_ = file;
    sample_file_.clear();
    unsaved_ = false;
    Say("saved " + file);
}

void Session::LoadScene(const Command& command, const Words& args) {
    if (args.size() != 1) {
        SayUsage(command);
        return;
    }
    if (!MayDropChanges("loading " + args[0])) return;
    if (OpenScene(args[0])) ShowPicture(false);
}

void Session::Window(const Command&, const Words&) { ShowPicture(true); }

void Session::Quit(const Command&, const Words&) {
    if (!MayDropChanges("quitting")) return;
    DropUnusedAnswers();
    Finish();
}

}  // namespace host

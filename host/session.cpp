#include "host/session.h"

#include <cstdlib>
#include <filesystem>
#include <istream>
#include <ostream>
#include <system_error>

#include "host/settings.h"
#include "host/widgets.h"

namespace host {
namespace {

constexpr int32_t kCancel = 2;  // what the host writes when the user cancels a box

bool ParseInt(const std::string& word, int32_t* value) {
    if (word.empty()) return false;
    char* end = nullptr;
    long number = std::strtol(word.c_str(), &end, 10);
    if (*end != '\0' || number < INT32_MIN || number > INT32_MAX) return false;
    *value = static_cast<int32_t>(number);
    return true;
}

std::string Quoted(const std::string& host_text) {
    std::string quoted(1, '"');
    quoted += Utf8FromHostText(host_text);
    quoted += '"';
    return quoted;
}

std::string Lower(std::string word) {
    for (char& c : word) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return word;
}

}  // namespace

std::vector<std::string> SplitCommand(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    bool in_word = false, quoted = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
            in_word = true;
        } else if (!quoted && (c == ' ' || c == '\t' || c == '\r' || c == '\n')) {
            if (in_word) words.push_back(word);
            word.clear();
            in_word = false;
        } else {
            word += c;
            in_word = true;
        }
    }
    if (in_word) words.push_back(word);
    return words;
}

std::string DefaultSettingsFile() {
    std::filesystem::path folder;
    if (const char* appdata = std::getenv("APPDATA"); appdata != nullptr && *appdata != '\0') {
        folder = std::filesystem::path(appdata) / "Pellucid";
    } else if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config != '\0') {
        folder = std::filesystem::path(config) / "pellucid";
    } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        folder = std::filesystem::path(home) / ".config" / "pellucid";
    } else {
        folder = ".";
    }
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    return (folder / "settings.xml").string();
}

Session::Session(std::ostream& out, std::istream* user) : out_(out), user_(user) {}

Session::~Session() { Finish(); }

void Session::Say(const std::string& line) { out_ << line << "\n"; }

bool Session::Start(const SessionOptions& options) {
    SettingsLoad settings = LoadSettings(options.settings_file);
    if (settings.outcome == SettingsLoad::kMissing) {
        Say("settings: " + options.settings_file + " (new)");
    } else if (settings.outcome == SettingsLoad::kRead) {
        Say("settings: " + options.settings_file);
    }  // a damaged file has been reported in a line of its own

    std::string error;
    plugin_ = PluginModule::Load(options.plugin_file, &error);
    if (!plugin_) {
        Say("cannot start: " + error);
        return false;
    }
    if (!plugin_->Handshake()) {
        Say("cannot start: the plug-in " + options.plugin_file + " refused host version " +
            std::to_string(kHostVersion) + " or could not bind the host functions");
        plugin_.reset();
        return false;
    }
    finished_ = false;
    identity_ = plugin_->Identity();
    Say("plug-in: " + identity_.name);

    // The host answers the plug-in's confirmations: from answers given ahead, else, in an
    // interactive session, by asking the user.
    if (user_ != nullptr) {
        TheWidgets().SetAnswerer([this](const MessageBoxRequest& box) -> std::optional<int32_t> {
            out_ << box.title << " asks: " << box.message << " [ok/cancel] " << std::flush;
            std::string answer;
            if (!std::getline(*user_, answer)) return std::nullopt;
            answer = Lower(answer);
            return answer == "ok" || answer == "o" || answer == "y" || answer == "yes" ? 1 : kCancel;
        });
    }

    plugin_->SendEvent(nullptr, MQEVENT_INITIALIZE, nullptr);
    if (!OpenScene(options.scene_file)) {
        document_ = &OpenDocument();
        plugins_ = std::make_unique<XmlElement>("plugins");
        TheWidgets().SetEventDocument(document_->handle());
    }
    if (const Widget* window = TheWidgets().Find(LucidWindow())) {
        Say(std::string("the Lucid window is ") + (window->visible ? "shown" : "hidden") + " at " +
            std::to_string(window->pos_x) + ", " + std::to_string(window->pos_y));
    }
    ShowPicture();
    return true;
}

// Reads the file and, when it is a scene, makes it the host's document and hands the
// plug-in its element. A file that cannot be read leaves the current document as it was.
bool Session::OpenScene(const std::string& file) {
    SceneContent scene;
    std::string error;
    if (!ReadScene(file, &scene, &error)) {
        Say("cannot open the scene: " + error);
        return false;
    }
    Document* previous = document_;
    document_ = &OpenDocument();
    BuildDocument(scene, *document_);
    if (previous != nullptr) CloseDocument(*previous);
    plugins_ = std::move(scene.plugins);
    scene_file_ = file;
    TheWidgets().SetEventDocument(document_->handle());
    Say("scene: " + file + " (" + std::to_string(document_->PlaceCount()) + " objects)");

    OptionList options;
    options.Pointer("xml_elem", &PluginData()).Text("filename", file);
    plugin_->SendEvent(document_->handle(), MQEVENT_LOAD_DOCUMENT, options);
    return true;
}

XmlElement& Session::PluginData() { return PluginElement(*plugins_, identity_.product, identity_.id); }

void Session::Finish() {
    if (finished_) return;
    finished_ = true;
    plugin_->SendEvent(document_ != nullptr ? document_->handle() : nullptr, MQEVENT_EXIT, nullptr);
    std::string error;
    if (SaveSettings(&error)) {
        Say("settings written to " + SettingsFile());
    } else {
        Say("settings not written: " + error);
    }
    TheWidgets().SetAnswerer(nullptr);
    plugin_.reset();
}

void Session::Execute(const std::string& line) {
    std::vector<std::string> words = SplitCommand(line);
    if (words.empty() || words[0][0] == '#') return;  // blank lines and comments
    if (finished_) {
        Say("the session has ended");
        return;
    }
    std::string command = Lower(words[0]);
    std::vector<std::string> args(words.begin() + 1, words.end());
    if (command == "help" || command == "?") {
        Help();
    } else if (command == "list") {
        List();
    } else if (command == "show" || command == "hide") {
        SetVisibility(args, command == "show");
    } else if (command == "rename") {
        Rename(args);
    } else if (command == "delete") {
        Remove(args);
    } else if (command == "s" || command == "store") {
        ClickRow(args, true);
    } else if (command == "r" || command == "recall") {
        ClickRow(args, false);
    } else if (command == "add") {
        PressAdd();
    } else if (command == "answer") {
        Answer(args);
    } else if (command == "close") {
        CloseWindow();
    } else if (command == "open") {
        OpenWindow();
    } else if (command == "move") {
        MoveWindow(args);
    } else if (command == "save") {
        SaveScene(args);
    } else if (command == "load") {
        LoadScene(args);
    } else if (command == "window") {
        ShowPicture();
    } else if (command == "quit" || command == "exit") {
        Finish();
    } else {
        Say("unknown command \"" + words[0] + "\"; type help for the list of commands");
    }
}

void Session::Help() {
    Say("commands (ROW counts from 1; NAME is an object's name, in quotes when it has spaces, or #N for place N):");
    Say("  list                      the scene's objects and whether each is shown");
    Say("  show NAME... / hide NAME... show or hide objects");
    Say("  rename NAME NEW           rename an object");
    Say("  delete NAME               delete an object (its place stays empty)");
    Say("  s ROW [ctrl] [shift]      click the row's S button: store, append with ctrl, clear with shift");
    Say("  r ROW                     click the row's R button: recall the row's slot");
    Say("  add                       press the window's Add button");
    Say("  answer ok|cancel          answer the next confirmation the window asks");
    Say("  close / open              close the Lucid window as a user would / activate it again");
    Say("  move X Y                  drag the Lucid window to X, Y");
    Say("  save [FILE] / load FILE   save the scene (to its own file by default) / open a scene file");
    Say("  window                    show the Lucid window");
    Say("  quit                      end the session: the plug-in stops and the settings are written");
}

void Session::List() {
    for (int32_t place = 0; place < document_->PlaceCount(); ++place) {
        const Object* object = document_->ObjectAt(place);
        std::string line = "  #" + std::to_string(place) + "  ";
        if (object == nullptr) {
            Say(line + "(empty)");
            continue;
        }
        line += Quoted(object->name()) + (object->visible() ? "  shown" : "  hidden");
        if (object->append_filter() != 0) line += "  value262=" + std::to_string(object->append_filter());
        if (!object->counted()) line += "  not counted";
        Say(line);
    }
    if (document_->PlaceCount() == 0) Say("  (no objects)");
}

std::vector<Object*> Session::Named(const std::string& word) {
    std::vector<Object*> found;
    int32_t place = 0;
    if (word.size() > 1 && word[0] == '#' && ParseInt(word.substr(1), &place)) {
        if (Object* object = document_->ObjectAt(place)) found.push_back(object);
    } else {
        std::string name = HostTextFromUtf8(word);
        for (int32_t i = 0; i < document_->PlaceCount(); ++i) {
            Object* object = document_->ObjectAt(i);
            if (object != nullptr && object->name() == name) found.push_back(object);
        }
    }
    if (found.empty()) Say("no object " + (word[0] == '#' ? word : "named \"" + word + "\"") + "; list shows them");
    return found;
}

void Session::SetVisibility(const std::vector<std::string>& args, bool visible) {
    if (args.empty()) {
        Say(std::string("usage: ") + (visible ? "show" : "hide") + " NAME...");
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
    Snapshot before = Take();
    for (Object* object : objects) object->SetVisible(visible);
    Report(before);
}

void Session::Rename(const std::vector<std::string>& args) {
    if (args.size() != 2) {
        Say("usage: rename NAME NEW");
        return;
    }
    std::vector<Object*> objects = Named(args[0]);
    if (objects.empty()) return;
    objects.front()->SetName(HostTextFromUtf8(args[1]));
    Say("renamed " + args[0] + " to \"" + args[1] + "\"");
}

void Session::Remove(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        Say("usage: delete NAME");
        return;
    }
    std::vector<Object*> objects = Named(args[0]);
    if (objects.empty()) return;
    int32_t place = objects.front()->place();
    document_->RemoveObject(place);
    Say("deleted the object at #" + std::to_string(place));
}

void Session::ClickRow(const std::vector<std::string>& args, bool store) {
    const char* usage = store ? "usage: s ROW [ctrl] [shift]" : "usage: r ROW [ctrl] [shift]";
    std::vector<int32_t> buttons = RowButtons(store ? "S" : "R");
    int32_t row = 0;
    if (args.empty() || !ParseInt(args[0], &row)) {
        Say(usage);
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
            Say(std::string(usage) + " (\"" + args[i] + "\" is not a modifier key)");
            return;
        }
    }
    if (buttons.empty()) {
        Say("the Lucid window has no rows");
        return;
    }
    if (row < 1 || static_cast<size_t>(row) > buttons.size()) {
        Say("there is no row " + args[0] + ": the window has rows 1 to " + std::to_string(buttons.size()));
        return;
    }
    Snapshot before = Take();
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

void Session::PressAdd() {
    std::vector<int32_t> adds = FindButtons(LucidWindow(), "Add");
    if (adds.empty()) {
        Say("the plug-in shows no Add button");
        return;
    }
    Snapshot before = Take();
    EventOutcome outcome = TheWidgets().Press(adds.front(), document_->handle());
    if (!outcome.refused.empty()) {
        Say("cannot press Add: " + outcome.refused);
        return;
    }
    Report(before);
}

void Session::Answer(const std::vector<std::string>& args) {
    std::string answer = args.size() == 1 ? Lower(args[0]) : "";
    if (answer != "ok" && answer != "cancel") {
        Say("usage: answer ok|cancel");
        return;
    }
    TheWidgets().QueueAnswer(answer == "ok" ? 1 : kCancel);
}

void Session::CloseWindow() {
    int32_t window = LucidWindow();
    if (window == 0) {
        Say("the plug-in has no window");
        return;
    }
    Snapshot before = Take();
    EventOutcome outcome = TheWidgets().CloseWindow(window, document_->handle());
    if (!outcome.refused.empty()) {
        Say("cannot close: " + outcome.refused);
        return;
    }
    Report(before);
}

void Session::OpenWindow() {
    Snapshot before = Take();
    int32_t flag = 1;
    int32_t shown = plugin_->SendEvent(document_->handle(), MQEVENT_ACTIVATE, &flag);
    if (shown == 0) Say("the plug-in did not activate");
    Report(before);
}

void Session::MoveWindow(const std::vector<std::string>& args) {
    int32_t x = 0, y = 0;
    if (args.size() != 2 || !ParseInt(args[0], &x) || !ParseInt(args[1], &y)) {
        Say("usage: move X Y");
        return;
    }
    int32_t window = LucidWindow();
    std::string refused = window == 0 ? "the plug-in has no window" : TheWidgets().MoveWindow(window, x, y);
    Say(refused.empty() ? "moved the Lucid window to " + args[0] + ", " + args[1] : "cannot move: " + refused);
}

// The plug-in writes its element first (event 202), then the file is written whole.
void Session::SaveScene(const std::vector<std::string>& args) {
    if (args.size() > 1) {
        Say("usage: save [FILE]");
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

void Session::LoadScene(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        Say("usage: load FILE");
        return;
    }
    if (OpenScene(args[0])) ShowPicture();
}

void Session::ShowPicture() {
    int32_t window = LucidWindow();
    out_ << (window != 0 ? TheWidgets().Picture(window) : std::string("(the plug-in shows no window)\n"));
}

Session::Snapshot Session::Take() const {
    Snapshot snapshot;
    for (int32_t place = 0; place < document_->PlaceCount(); ++place) {
        PlaceState state;
        if (const Object* object = document_->ObjectAt(place)) {
            state.empty = false;
            state.name = object->name();
            state.visible = object->visible();
        }
        snapshot.push_back(state);
    }
    return snapshot;
}

void Session::ReportBoxes(size_t from) {
    const std::vector<MessageBoxRequest>& boxes = TheWidgets().MessageBoxes();
    for (size_t i = from; i < boxes.size(); ++i) {
        const MessageBoxRequest& box = boxes[i];
        std::string answer = !box.answer ? "no answer, which counts as Cancel" : *box.answer == 1 ? "OK" : "Cancel";
        Say(box.title + " asked \"" + box.message + "\": " + answer);
    }
}

void Session::Report(const Snapshot& before) {
    ShowPicture();
    Snapshot after = Take();
    std::vector<std::string> changes;
    for (size_t place = 0; place < after.size() && place < before.size(); ++place) {
        const PlaceState& was = before[place];
        const PlaceState& now = after[place];
        if (was.empty || now.empty || was.visible == now.visible) continue;
        changes.push_back(Quoted(now.name) + (now.visible ? " shown" : " hidden"));
    }
    if (changes.empty()) {
        Say("scene: no change");
        return;
    }
    std::string line = "scene:";
    for (size_t i = 0; i < changes.size(); ++i) line += (i == 0 ? " " : ", ") + changes[i];
    Say(line);
}

}  // namespace host

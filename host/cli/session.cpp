#include "host/cli/session.h"

#include <istream>
#include <optional>
#include <ostream>

#include "abi/message_box.h"
#include "host/cli/words.h"
#include "host/settings.h"
#include "host/widget_queries.h"
#include "host/widgets.h"

namespace host {

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
            bool ok = answer == "ok" || answer == "o" || answer == "y" || answer == "yes";
            return ok ? MQBOX_OK : MQBOX_CANCEL;
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

int32_t Session::LucidWindow() const { return FindWindowTitled("Lucid"); }

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
    Words words = SplitCommand(line);
    if (words.empty() || words[0][0] == '#') return;  // blank lines and comments
    if (finished_) {
        Say("the session has ended");
        return;
    }
    const Command* command = FindCommand(words[0]);
    if (command == nullptr) {
        Say("unknown command " + Quoted(words[0]) + "; type help for the list of commands");
        return;
    }
    (this->*command->run)(*command, Words(words.begin() + 1, words.end()));
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
    if (found.empty()) Say("no object " + (word[0] == '#' ? word : "named " + Quoted(word)) + "; list shows them");
    return found;
}

void Session::ShowPicture() {
    int32_t window = LucidWindow();
    out_ << (window != 0 ? TheWidgets().Picture(window) : std::string("(the plug-in shows no window)\n"));
}

void Session::ReportBoxes(size_t from) {
    const std::vector<MessageBoxRequest>& boxes = TheWidgets().MessageBoxes();
    for (size_t i = from; i < boxes.size(); ++i) {
        const MessageBoxRequest& box = boxes[i];
        std::string answer = !box.answer ? "no answer, which counts as Cancel"
                                         : *box.answer == MQBOX_OK ? "OK" : "Cancel";
        Say(box.title + " asked " + Quoted(box.message) + ": " + answer);
    }
}

void Session::Report(const SceneSnapshot& before) {
    ShowPicture();
    Say(DescribeChanges(before, TakeSnapshot(*document_)));
}

}  // namespace host

#include "host/session/session.h"

#include <istream>
#include <optional>
#include <ostream>

#include "abi/message_box.h"
#include "host/binds/settings.h"
#include "host/binds/widgets/widgets.h"
#include "host/drive/widget_queries.h"
#include "host/files/file_io.h"
#include "host/records/value_text.h"
#include "host/session/terminal.h"
#include "host/session/words.h"

namespace host {

Session::Session(std::ostream& out, std::istream* user) : out_(out), user_(user) {}

Session::~Session() { Finish(); }

// Every line goes out through VisibleText: names and file names in it come from files, the
// user and the plug-in, and none of them may drive the terminal.
void Session::Say(const std::string& line) { out_ << VisibleText(line) << "\n"; }

void Session::Refuse(const std::string& line) {
    Say(line);
    failed_ = true;
}

bool Session::Start(const SessionOptions& options) {
    force_ = options.force;
    SettingsLoad settings = LoadSettings(options.settings_file);
    if (settings.outcome == SettingsLoad::kMissing) {
        Say("settings: " + options.settings_file + " (new)");
    } else if (settings.outcome == SettingsLoad::kRead) {
        Say("settings: " + options.settings_file);
    }  // a damaged file has been reported in a line of its own
    // Said now rather than at the end, when the window's place would be lost unannounced.
    std::string unwritable = options.settings_problem;
    if (unwritable.empty() && settings.outcome != SettingsLoad::kDamaged) unwritable = WhyNotWritable(options.settings_file);
    settings_problem_ = unwritable;
    if (!unwritable.empty()) {
        Say("settings: cannot be written (" + unwritable + "); the window's place will not be kept");
    }

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

    // In an interactive session the host asks the user the plug-in's confirmations that no
    // answer given ahead took. Without a user the answerer is the caller's to set.
    if (user_ != nullptr) {
        TheWidgets().SetAnswerer([this](const MessageBoxRequest& box) -> std::optional<int32_t> {
            // Asked again until the answer is one or the other: a slip of the keyboard is
            // no Cancel.
            out_ << VisibleText(box.title) << " asks: " << VisibleText(box.message) << " [ok/cancel] " << std::flush;
            for (;;) {
                std::string answer;
                LineRead read = ReadLine(*user_, &answer);
                if (read == LineRead::kEnd) return std::nullopt;
                if (read == LineRead::kInterrupted) {
                    out_ << "\n";
                    return MQBOX_CANCEL;
                }
                answer = Lower(answer);
                if (answer == "ok" || answer == "o" || answer == "y" || answer == "yes") return MQBOX_OK;
                if (answer == "cancel" || answer == "c" || answer == "n" || answer == "no") return MQBOX_CANCEL;
                out_ << "answer ok or cancel: " << QuotedText(answer) << " is neither [ok/cancel] " << std::flush;
            }
        });
    }

    plugin_->SendEvent(nullptr, MQEVENT_INITIALIZE, nullptr);
    const char* const kSample = "the bundled sample, which is kept as it is";
    if (options.scene_is_sample) KeepUnwritten(options.scene_file, kSample);
    if (!options.sample_file.empty()) KeepUnwritten(options.sample_file, kSample);
    if (options.scene_file.empty() || !OpenScene(options.scene_file)) {
        if (!options.scene_file.empty() && !options.scene_is_sample) {
            Finish();
            return false;
        }
        document_ = &OpenDocument();
        plugins_ = std::make_unique<XmlElement>("plugins");
        TheWidgets().SetEventDocument(document_->handle());
        Say("scene: a new, empty scene");
    } else if (IsSample(scene_file_)) {
        Say("the bundled sample is kept as it is: save FILE keeps your changes in a file of your own");
    }
    if (const Widget* window = TheWidgets().Find(LucidWindow())) {
        Say(std::string("the Lucid window is ") + (window->visible ? "shown" : "hidden") + " at " +
            std::to_string(window->pos_x) + ", " + std::to_string(window->pos_y));
    }
    ShowPicture(true);
    return true;
}

std::string Session::CountObjects() const {
    int32_t objects = 0, empty = 0;
    for (int32_t place = 0; place < document_->PlaceCount(); ++place) {
        (document_->ObjectAt(place) != nullptr ? objects : empty) += 1;
    }
    std::string text = std::to_string(objects) + (objects == 1 ? " object" : " objects");
    if (empty > 0) text += ", " + std::to_string(empty) + (empty == 1 ? " empty place" : " empty places");
    return text;
}

// Reads the file and, when it is a scene, makes it the host's document and hands the
// plug-in its element. A file that cannot be read leaves the current document as it was.
bool Session::OpenScene(const std::string& file) {
    SceneContent scene;
    std::string error;
    if (!ReadScene(file, &scene, &error)) {
        Refuse("cannot open the scene: " + error);
        return false;
    }
    Document* previous = document_;
    document_ = &OpenDocument();
    BuildDocument(scene, *document_);
    if (previous != nullptr) CloseDocument(*previous);
    plugins_ = std::move(scene.plugins);
    scene_file_ = file;
    unsaved_ = false;
    TheWidgets().SetEventDocument(document_->handle());
    Say("scene: " + file + " (" + CountObjects() + ")");

    OptionList options;
    options.Pointer("xml_elem", &PluginData()).Text("filename", file);
    plugin_->SendEvent(document_->handle(), MQEVENT_LOAD_DOCUMENT, options);
    return true;
}

XmlElement& Session::PluginData() { return PluginElement(*plugins_, identity_.product, identity_.id); }

int32_t Session::LucidWindow() const { return FindWindowTitled("Lucid"); }

bool Session::IsSample(const std::string& file) const { return !file.empty() && IsKeptUnwritten(file); }

void Session::Finish() {
    if (finished_) return;
    finished_ = true;
    plugin_->SendEvent(document_ != nullptr ? document_->handle() : nullptr, MQEVENT_EXIT, nullptr);
    std::string error;
    if (SaveSettings(&error)) {
        Say("settings written to " + SettingsFile());
    } else {
        // The cause found at start is the one to give: the write's own error may only say
        // that the folder it could not make is not there.
        Say("settings not written: " + (settings_problem_.empty() ? error : settings_problem_));
    }
    TheWidgets().SetAnswerer(nullptr);
    plugin_.reset();
}

bool Session::EndOfInput() {
    if (finished_) return true;
    bool clean = (!unsaved_ || force_) && answers_ahead_.empty();
    DropUnusedAnswers();
    failed_ = false;
    if (unsaved_ && !force_) Say("the input ended with unsaved changes, which are dropped: save FILE keeps them, --force drops them without this");
    Finish();
    return clean && !failed_;
}

bool Session::Confirm(const std::string& question) {
    if (user_ == nullptr) return false;
    out_ << VisibleText(question) << " [yes/no] " << std::flush;
    std::string answer;
    LineRead read = ReadLine(*user_, &answer);
    if (read != LineRead::kLine) out_ << "\n";
    answer = Lower(answer);
    return read == LineRead::kLine && (answer == "y" || answer == "yes");
}

std::string Session::AskLine(const std::string& prompt) {
    if (user_ == nullptr) return "";
    out_ << VisibleText(prompt) << std::flush;
    std::string answer;
    LineRead read = ReadLine(*user_, &answer);
    if (read != LineRead::kLine) {
        out_ << "\n";
        return "";
    }
    std::string mistake;
    std::vector<Word> words = SplitCommand(answer, &mistake);
    if (!mistake.empty()) Say(mistake);
    return words.size() == 1 ? std::string(words[0]) : "";
}

bool Session::MayDropChanges(const std::string& doing) {
    if (!unsaved_ || force_) return true;
    if (user_ == nullptr) {
        Refuse("not " + doing + ": the scene has unsaved changes; save FILE keeps them, --force lets a script drop them");
        return false;
    }
    if (Confirm("the scene has unsaved changes; drop them?")) return true;
    Say("not " + doing + ": the changes are still here; save FILE keeps them");
    return false;
}

void Session::DropUnusedAnswers() {
    if (answers_ahead_.empty() && TheWidgets().QueuedAnswers() == 0) return;
    answers_ahead_.clear();
    TheWidgets().DropAnswers();
    Refuse("no question is waiting");
}

bool Session::Execute(const std::string& line) {
    // Blank lines and comments: a line whose first word is unquoted and begins with #.
    size_t first = line.find_first_not_of(" \t\r\n");
    if (first == std::string::npos || line[first] == '#') return true;
    if (finished_) {
        Say("the session has ended");
        return false;
    }
    std::string mistake;
    std::vector<Word> words = SplitCommand(line, &mistake);
    if (!mistake.empty()) {
        Say(mistake);
        return false;
    }
    bool outer_failed = failed_;
    failed_ = false;
    ++depth_;
    const Command* command = FindCommand(words[0]);
    Words args(words.begin() + 1, words.end());
    // Answers given ahead are for the questions of the command typed next, and of no
    // other; a command inside a meanwhile runs within that command's question.
    bool takes_answers = depth_ == 1 && (command == nullptr || command->run != &Session::Answer);
    if (takes_answers) {
        for (int32_t answer : answers_ahead_) TheWidgets().QueueAnswer(answer);
        answers_ahead_.clear();
    }
    if (command == nullptr) {
        Refuse("unknown command " + Quoted(words[0]) + "; type help for the list of commands");
    } else if (*command->arguments == '\0' && !args.empty()) {
        SayUsage(*command, " (it takes nothing after it; " + Quoted(args[0]) + " is one word too many)");
    } else {
        (this->*command->run)(*command, args);
    }
    if (takes_answers && !finished_) DropUnusedAnswers();
    --depth_;
    bool ok = !failed_;
    failed_ = depth_ > 0 && (outer_failed || !ok);
    return ok;
}

std::vector<Object*> Session::Named(const Word& word) {
    std::vector<Object*> found;
    int32_t place = 0;
    bool by_place = !word.quoted && word.size() > 1 && word[0] == '#' && ParseInt(word.substr(1), &place);
    if (by_place) {
        if (Object* object = document_->ObjectAt(place)) found.push_back(object);
    } else {
        std::string name = HostTextFromUtf8(word);
        for (int32_t i = 0; i < document_->PlaceCount(); ++i) {
            Object* object = document_->ObjectAt(i);
            if (object != nullptr && object->name() == name) found.push_back(object);
        }
    }
    if (found.empty()) Refuse("no object " + (by_place ? std::string(word) : "named " + Quoted(word)) + "; list shows them");
    return found;
}

void Session::ShowPicture(bool always) {
    int32_t window = LucidWindow();
    std::string picture = window != 0 ? TheWidgets().Picture(window, FindButtons(window, "S"))
                                      : std::string("(the plug-in shows no window)\n");
    if (!always && picture == last_picture_) return;
    // The picture holds the plug-in's texts: each line is shown as Say shows one.
    size_t start = 0;
    for (size_t end; (end = picture.find('\n', start)) != std::string::npos; start = end + 1) {
        out_ << VisibleText(std::string_view(picture).substr(start, end - start)) << "\n";
    }
    if (start < picture.size()) out_ << VisibleText(std::string_view(picture).substr(start));
    last_picture_ = std::move(picture);
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

bool Session::Report(const SceneSnapshot& before) {
    ShowPicture(false);
    std::string changes = DescribeChanges(before, TakeSnapshot(*document_));
    Say(changes);
    return changes != "scene: no change";
}

}  // namespace host

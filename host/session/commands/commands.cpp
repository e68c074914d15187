// The commands of pellucid-host: the table that dispatch, help and the usage lines share,
// and the commands on the session itself: answers, meanwhile, stop, start, the journal, quit.
#include <algorithm>

#include "abi/message_box.h"
#include "host/binds/widgets/widgets.h"
#include "host/records/journal.h"
#include "host/session/session.h"
#include "host/session/words.h"

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

void Session::Quit(const Command&, const Words&) {
    if (!MayDropChanges("quitting")) return;
    DropUnusedAnswers();
    Finish();
}

}  // namespace host

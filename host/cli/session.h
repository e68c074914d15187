// A session of the stand-in host as a user runs it: the host starts the plug-in, opens a
// scene, and carries out the user's commands (or a script's) on the scene and on the
// plug-in's "Lucid" window, printing what the window shows and what changed in the scene.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "host/cli/scene_diff.h"
#include "host/documents.h"
#include "host/plugin_module.h"
#include "host/scene_file.h"

namespace host {

struct SessionOptions {
    std::string plugin_file;    // the plug-in to load
    std::string settings_file;  // the host's settings, read at start and written at quit
    std::string scene_file;     // the scene opened at start
};

class Session {
public:
    // Prints to `out`. With `user`, confirmations the plug-in asks are put to the user and
    // answered from `user`; without, only answers given ahead ("answer") count.
    Session(std::ostream& out, std::istream* user);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Reads the settings, loads the plug-in, runs the handshake and the start event, and
    // opens the scene. False, having said why, when the plug-in cannot be started; a scene
    // that cannot be opened leaves an empty document.
    bool Start(const SessionOptions& options);

    // Carries out one command line. A mistyped command or a bad argument prints one line
    // saying what was wrong and how to write it; nothing typed ends the session but quit.
    void Execute(const std::string& line);

    // The end of the session (quit): the exit event, then the settings written and the
    // plug-in unloaded. Runs once; the destructor runs it when nobody did.
    void Finish();
    bool finished() const { return finished_; }

    // The document the host shows.
    Document* document() const { return document_; }

private:
    using Words = std::vector<std::string>;

    // One command as the user knows it. The table of them (commands.cpp) is the one list
    // that Execute dispatches on, help prints and the usage lines quote.
    struct Command {
        const char* name;       // what the user types, in any case
        const char* alias;      // another name for it, or null
        const char* arguments;  // what follows the name in the synopsis, "" for nothing
        const char* summary;    // help's line for it
        void (Session::*run)(const Command& command, const Words& args);
    };
    // The commands in the order help lists them.
    static std::span<const Command> Commands();
    // The command `word` names, null when none does.
    static const Command* FindCommand(const std::string& word);
    // "usage: " and the command's synopsis, followed by `detail`.
    void SayUsage(const Command& command, const std::string& detail = "");

    // The handlers, one per command; they print their own mistakes.
    void Help(const Command& command, const Words& args);
    void List(const Command& command, const Words& args);
    void Show(const Command& command, const Words& args);
    void Hide(const Command& command, const Words& args);
    void Rename(const Command& command, const Words& args);
    void Remove(const Command& command, const Words& args);
    void Store(const Command& command, const Words& args);
    void Recall(const Command& command, const Words& args);
    void PressAdd(const Command& command, const Words& args);
    void Answer(const Command& command, const Words& args);
    void CloseWindow(const Command& command, const Words& args);
    void OpenWindow(const Command& command, const Words& args);
    void MoveWindow(const Command& command, const Words& args);
    void SaveScene(const Command& command, const Words& args);
    void LoadScene(const Command& command, const Words& args);
    void Window(const Command& command, const Words& args);
    void Quit(const Command& command, const Words& args);
    void Meanwhile(const Command& command, const Words& args);
    void Stop(const Command& command, const Words& args);
    void Start(const Command& command, const Words& args);

    void SetVisibility(const Command& command, const Words& args, bool visible);
    void ClickRow(const Command& command, const Words& args, const char* button);

    bool OpenScene(const std::string& file);
    // The objects a command names: "#N" is the object at place N, anything else every
    // object of that name. Says so and returns none when nothing matches.
    std::vector<Object*> Named(const std::string& word);
    int32_t LucidWindow() const;
    XmlElement& PluginData();

    // Prints the window and the objects whose visibility changed since `before`.
    void Report(const SceneSnapshot& before);
    void ReportBoxes(size_t from);
    void ShowPicture();
    void Say(const std::string& line);

    std::ostream& out_;
    std::istream* user_;
    std::unique_ptr<PluginModule> plugin_;
    PluginIdentity identity_;
    Document* document_ = nullptr;
    std::unique_ptr<XmlElement> plugins_;  // the plug-in elements of the open scene
    std::string scene_file_;
    bool finished_ = true;
};

}  // namespace host

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

#include "host/binds/documents.h"
#include "host/drive/plugin_module.h"
#include "host/files/scene_file.h"
#include "host/session/scene_diff.h"
#include "host/session/words.h"

namespace host {

struct SessionOptions {
    SessionOptions() = default;
    SessionOptions(const std::string& plugin, const std::string& settings, const std::string& scene)
        : plugin_file(plugin), settings_file(settings), scene_file(scene) {}

    std::string plugin_file;    // the plug-in to load
    std::string settings_file;  // the host's settings, read at start and written at quit
    std::string scene_file;     // the scene opened at start; "" for a new, empty scene
    // The scene is the sample bundled beside the program: it is never written, and a
    // missing sample starts an empty scene where a missing scene of the user's is an error.
    bool scene_is_sample = false;
    // The sample bundled beside the program, whichever scene is opened: never written,
    // under any of its names. "" for none.
    std::string sample_file;
    // Unsaved changes are dropped without a word at quit, load and the end of the input.
    bool force = false;
    // Why the settings folder could not be made, when it could not; reported at start.
    std::string settings_problem;
};

class Session {
public:
    // Prints to `out`. With `user`, confirmations the plug-in asks are put to the user and
    // answered from `user`, and so are the host's own questions (unsaved changes, a file
    // name for the sample); without, answers given ahead ("answer") count, then whatever
    // answerer the caller sets on TheWidgets() after Start, and the host's own questions
    // are refused in a line that says why.
    Session(std::ostream& out, std::istream* user);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Reads the settings, loads the plug-in, runs the handshake and the start event, and
    // opens the scene. False, having said why, when the plug-in cannot be started or the
    // scene cannot be opened (the session has then ended); a missing sample leaves an
    // empty document.
    bool Start(const SessionOptions& options);

    // Carries out one command line. A mistyped command or a bad argument prints one line
    // saying what was wrong and how to write it, and makes the result false, as does a
    // command that could not be carried out (a file not saved, an answer no question
    // took); nothing typed ends the session but quit.
    bool Execute(const std::string& line);

    // The end of the input. With unsaved changes, and unless the options force it, says
    // that they are dropped and returns false; the session is finished either way.
    bool EndOfInput();
    // The scene or its rows changed since it was opened or last saved.
    bool unsaved() const { return unsaved_; }

    // The end of the session (quit): the exit event, then the settings written and the
    // plug-in unloaded. Runs once; the destructor runs it when nobody did.
    void Finish();
    bool finished() const { return finished_; }

    // The document the host shows.
    Document* document() const { return document_; }

private:
    using Words = std::vector<Word>;

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
    void ShowJournal(const Command& command, const Words& args);

    void SetVisibility(const Command& command, const Words& args, bool visible);
    void ClickRow(const Command& command, const Words& args, const char* button);

    bool OpenScene(const std::string& file);
    // Before unsaved work is dropped (by `doing`, "quit" or "load FILE"): true when there is
    // none, the options force it or the user agrees; otherwise says why not.
    bool MayDropChanges(const std::string& doing);
    // Puts a yes/no question to the user; false without a user, at Ctrl+C or at the end.
    bool Confirm(const std::string& question);
    // The line the user types after `prompt`, "" without a user, at Ctrl+C or at the end.
    std::string AskLine(const std::string& prompt);
    // `file` is the bundled sample (or another file the host keeps unwritten), by its
    // identity rather than its name.
    bool IsSample(const std::string& file) const;
    // "12 objects", "8 objects, 1 empty place".
    std::string CountObjects() const;
    // The answer given ahead, when the command just carried out asked no question.
    void DropUnusedAnswers();
    // The objects a command names: an unquoted #N is the object at place N, anything else
    // every object of that name. Says so and returns none when nothing matches.
    std::vector<Object*> Named(const Word& word);
    int32_t LucidWindow() const;
    XmlElement& PluginData();

    // Prints the window, when it changed, and the objects whose visibility changed since
    // `before`; true when any did.
    bool Report(const SceneSnapshot& before);
    void ReportBoxes(size_t from);
    // Prints the window's picture, with its rows numbered; unless `always`, only when it
    // differs from the picture last printed.
    void ShowPicture(bool always);
    void Say(const std::string& line);
    // Says what went wrong: the command fails.
    void Refuse(const std::string& line);

    std::ostream& out_;
    std::istream* user_;
    std::unique_ptr<PluginModule> plugin_;
    PluginIdentity identity_;
    Document* document_ = nullptr;
    std::unique_ptr<XmlElement> plugins_;  // the plug-in elements of the open scene
    std::string scene_file_;
    std::string settings_problem_;  // why the settings cannot be written, found at start
    bool force_ = false;
    bool unsaved_ = false;
    bool failed_ = false;       // the command being carried out failed
    int depth_ = 0;             // commands being carried out: 2 inside a meanwhile
    std::vector<int32_t> answers_ahead_;  // for the next command's questions
    std::string last_picture_;
    bool finished_ = true;
};

}  // namespace host

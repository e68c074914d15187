// A session of the stand-in host as a user runs it: the host starts the plug-in, opens a
// scene, and carries out the user's commands (or a script's) on the scene and on the
// plug-in's "Lucid" window, printing what the window shows and what changed in the scene.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "host/documents.h"
#include "host/plugin_module.h"
#include "host/scene_file.h"
#include "host/widget_queries.h"

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
    struct PlaceState {
        bool empty = true;
        std::string name;
        bool visible = false;
    };
    using Snapshot = std::vector<PlaceState>;

    void Help();
    void List();
    void SetVisibility(const std::vector<std::string>& args, bool visible);
    void Rename(const std::vector<std::string>& args);
    void Remove(const std::vector<std::string>& args);
    void ClickRow(const std::vector<std::string>& args, bool store);
    void PressAdd();
    void Answer(const std::vector<std::string>& args);
    void CloseWindow();
    void OpenWindow();
    void MoveWindow(const std::vector<std::string>& args);
    void SaveScene(const std::vector<std::string>& args);
    void LoadScene(const std::vector<std::string>& args);
    void ShowPicture();

    bool OpenScene(const std::string& file);
    // The objects a command names: "#N" is the object at place N, anything else every
    // object of that name. Says so and returns none when nothing matches.
    std::vector<Object*> Named(const std::string& word);
    int32_t LucidWindow() const { return FindWindowTitled("Lucid"); }
    std::vector<int32_t> RowButtons(const char* text) const { return FindButtons(LucidWindow(), text); }
    XmlElement& PluginData();

    Snapshot Take() const;
    // Prints the window and the objects whose visibility changed since `before`.
    void Report(const Snapshot& before);
    void ReportBoxes(size_t from);
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

// Splits a command line into words; double quotes keep spaces inside one word.
std::vector<std::string> SplitCommand(const std::string& line);

// The default settings file: settings.xml in the user's configuration folder for
// Pellucid (XDG_CONFIG_HOME or ~/.config on POSIX, APPDATA on Windows); the folder is
// made when missing.
std::string DefaultSettingsFile();

}  // namespace host

// The stand-in host's session as the page drives it: the page's clicks become the
// session's commands, the plug-in's questions wait for the page's answers, and the state
// (scene, windows, questions, what the session printed, the journal of host calls and the
// breaches) is one JSON object that the page draws. After each command only what changed
// goes to the pages, numbered by a version; the whole state is built when a page asks for
// it. Lives on the host thread: every member but the constructor is called there.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/serve/host_thread.h"
#include "host/session/session.h"

namespace host::serve {

// What a request of the page came to: an HTTP status and the JSON the page gets back
// ("error" says what was wrong; "output" is what the session printed meanwhile).
struct Reply {
    int status = 200;
    nlohmann::json body = nlohmann::json::object();
};

class ServedHost {
public:
    // `publish` takes each change, as JSON text, to the pages that watch, with its version:
    // the versions count from 1 without a gap, and a change applies to the state of the
    // version before it. A change names the session (`session`), so that a page that
    // reconnects to a restarted server knows its copy is not the server's.
    ServedHost(HostThread& thread, std::function<void(uint64_t version, std::string change)> publish);

    // Starts the session as pellucid-host does, with the page as its user. The working
    // folder is the current one: the page saves and loads scene files there, by name.
    bool Start(const SessionOptions& options);
    // The session's end: the plug-in stops and the settings are written.
    void Finish();

    // The whole state the page draws, as JSON text, at the version of the latest change:
    //   {"session", "version", "objects": [{"place", "name", "visible", "counted"} or
    //    {"place", "empty": true}...], "scene": {"file", "files"}, "windows", "lucid",
    //    "questions", "output", "output_lines", "journal", "journal_calls", "breaches"}
    // "output" and "journal" are the latest lines only; "output_lines" and "journal_calls"
    // count every one. A change has the same fields, each only when it changed, but that
    // "objects" holds the changed places alone, "count" the number of places when it
    // changed, and "output" and "journal" the new lines.
    std::string State() const;
    uint64_t version() const { return version_; }

    // The page's requests, each checked whole before anything changes.
    //   {"widget": ID, "ctrl": BOOL, "shift": BOOL}   a click on a button of the Lucid window
    Reply Click(const nlohmann::json& request);
    //   {"place": N, "visible": BOOL}                 an object shown or hidden
    Reply SetVisible(const nlohmann::json& request);
    //   {"action": "move", "x": X, "y": Y} | {"action": "close"} | {"action": "open"}
    Reply Window(const nlohmann::json& request);
    //   {"action": "save" | "load", "file": NAME}     NAME: a .scene file of the working folder
    Reply Scene(const nlohmann::json& request);
    //   {"question": ID, "answer": "ok" | "cancel"}   the answer to an open question
    Reply Answer(const nlohmann::json& request);

    // A scene file name the page may use: letters, digits, '_', '-' and '.', ending in
    // ".scene", with no folder and no "..".
    static bool IsSceneName(const std::string& name);

private:
    struct Question {
        int64_t id = 0;
        std::string title;
        std::string message;
        std::optional<int32_t> answer;
    };

    // Runs one command line of the session and returns the reply with what it printed.
    Reply Run(const std::string& command);
    // The plug-in's question, put to the page: the host runs the page's requests in a
    // nested loop until the answer comes (or the host stops, which counts as Cancel).
    std::optional<int32_t> Ask(const std::string& title, const std::string& message);
    // An object as the page last heard of it: compared with the document's after each
    // command, so that a change names only the places that changed.
    struct Place {
        bool empty = true;
        bool visible = false;
        bool counted = false;
        std::string name;  // the host's text; UTF-8 only in the JSON
        bool operator==(const Place& other) const {
            return empty == other.empty && visible == other.visible && counted == other.counted && name == other.name;
        }
    };

    // Takes what the session printed and the journal's new calls into the panels' logs;
    // returns the printed lines.
    std::vector<std::string> Collect();
    // Sends what changed since the last change, when anything did.
    void Publish();
    // The fields of the state but the objects.
    nlohmann::json Panels() const;
    Place PlaceOf(int32_t place) const;

    HostThread& thread_;
    std::function<void(uint64_t, std::string)> publish_;
    std::ostringstream out_;
    Session session_;
    std::string scene_name_;  // the scene's file in the working folder
    std::vector<Question> questions_;  // open, the innermost last
    int64_t next_question_ = 1;
    std::deque<std::string> output_;   // the latest lines
    uint64_t output_lines_ = 0;        // every line since the start
    std::deque<std::string> journal_;  // the latest calls
    uint64_t journal_calls_ = 0;       // every call since the start
    std::string session_id_;
    uint64_t version_ = 0;
    // What the pages were last sent.
    std::vector<Place> sent_places_;
    nlohmann::json sent_panels_;
    uint64_t sent_output_lines_ = 0;
    uint64_t sent_journal_calls_ = 0;
    size_t sent_breaches_ = 0;
};

}  // namespace host::serve

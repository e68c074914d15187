// The stand-in host's session as the page drives it: the page's clicks become the
// session's commands, the plug-in's questions wait for the page's answers, and the whole
// state (scene, windows, questions, what the session printed, the journal of host calls
// and the breaches) is one JSON object that the page draws. Lives on the host thread:
// every member but the constructor is called there.
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
    // `publish` takes each new state, as JSON text, to the pages that watch.
    ServedHost(HostThread& thread, std::function<void(std::string)> publish);

    // Starts the session as pellucid-host does, with the page as its user. The working
    // folder is the current one: the page saves and loads scene files there, by name.
    bool Start(const SessionOptions& options);
    // The session's end: the plug-in stops and the settings are written.
    void Finish();

    // The state the page draws.
    nlohmann::json State() const;

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
    // Takes what the session printed and the journal's new calls into the panels' logs;
    // returns the printed lines.
    std::vector<std::string> Collect();
    void Publish();

    HostThread& thread_;
    std::function<void(std::string)> publish_;
    std::ostringstream out_;
    Session session_;
    std::string scene_name_;  // the scene's file in the working folder
    std::vector<Question> questions_;  // open, the innermost last
    int64_t next_question_ = 1;
    std::deque<std::string> output_;
    std::deque<std::string> journal_;  // the latest calls
    uint64_t journal_calls_ = 0;       // every call since the start
    uint64_t serial_ = 0;
};

}  // namespace host::serve

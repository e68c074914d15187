// The words that pellucid-host and its serve command share on their command lines: the
// plug-in, the settings and the scene of the session, with the defaults for what is not
// named, read with CLI11.
#pragma once

#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "host/session/session.h"

namespace host {

class SessionArguments {
public:
    // Declares `--plugin FILE`, `--settings FILE` and the one `SCENE` on `app`; a value
    // given twice counts the last time. A second scene is left among the app's
    // remaining words (CLI::App::remaining, with allow_extras), for the caller to refuse.
    explicit SessionArguments(CLI::App& app);
    SessionArguments(const SessionArguments&) = delete;
    SessionArguments& operator=(const SessionArguments&) = delete;

    // The session's options once `app` has parsed: what the command line named, and for
    // the rest the plug-in file beside the program, the settings in the user's
    // configuration folder (an empty --settings names none either) and the sample scene
    // bundled beside the program, which is never written over.
    SessionOptions Options() const;

    // Why the scene given so far names none, also while `app` parses: an empty word, or
    // one that looks like an option (CLI11 reads "-" and "-5" as words). "" when it is
    // fine or none is given.
    std::string SceneMistake() const;

    CLI::Option* const plugin;
    CLI::Option* const settings;
    CLI::Option* const scene;

private:
    std::string plugin_file_;
    std::string settings_file_;
    std::string scene_file_;
};

// Parses the `argc` words at `argv` (those after the program's name, or after a command's
// name such as "serve") into `app`. Throws what CLI::App::parse throws.
void ParseWords(CLI::App& app, int argc, char** argv);

}  // namespace host

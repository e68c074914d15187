// The command loop of pellucid-host: a script's lines or the user's, carried out one by
// one in a session until it ends.
#pragma once

#include <iosfwd>

namespace host {

class Session;

struct RunOptions {
    // Prompts and reads the terminal: Ctrl+C cancels the line, and the first end of the
    // input with unsaved changes only warns.
    bool interactive = false;
    // In a script, carries on past a failing command instead of stopping at it.
    bool keep_going = false;
    // Unsaved changes are dropped without the warning at the end of the input.
    bool force = false;
};

// Runs `input` in the started session to its end or to quit, and finishes the session
// (the settings are written). A script's lines are echoed after a blank line and "> ",
// blank lines and comments excepted. Returns the program's exit status: 0, or 1 when a
// script command failed or unsaved changes were dropped at its end, 130 when Ctrl+C
// stopped a script.
int RunCommands(Session& session, std::istream& input, std::ostream& out, const RunOptions& options);

}  // namespace host

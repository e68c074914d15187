#include "host/session/run.h"

#include <cstdio>
#include <istream>
#include <ostream>
#include <string>

#include "host/session/session.h"
#include "host/session/terminal.h"
#include "host/records/value_text.h"

namespace host {
namespace {

int RunScript(Session& session, std::istream& input, std::ostream& out, const RunOptions& options) {
    int status = 0;
    std::string line;
    while (!session.finished()) {
        if (TakeInterrupt()) {
            out << "\ninterrupted: the script stops here\n";
            status = 130;
            break;
        }
        LineRead read = ReadLine(input, &line);
        if (read == LineRead::kInterrupted) {
            out << "\ninterrupted: the script stops here\n";
            status = 130;
            break;
        }
        if (read == LineRead::kEnd) break;
        if (!line.empty() && line[0] != '#') out << "\n> " << VisibleText(line) << "\n";
        if (session.Execute(line)) continue;
        status = 1;
        if (!options.keep_going) {
            out << "the script stops at its first failing command (--keep-going carries on past them)\n";
            break;
        }
    }
    if (!session.EndOfInput() && status == 0) status = 1;
    return status;
}

int RunInteractively(Session& session, std::istream& input, std::ostream& out, const RunOptions& options) {
    out << "type help for the commands\n";
    bool warned = false;
    std::string line;
    while (!session.finished()) {
        TakeInterrupt();  // a Ctrl+C pressed while a command ran has been seen by now
        out << "pellucid> " << std::flush;
        LineRead read = ReadLine(input, &line);
        if (read == LineRead::kInterrupted) {
            out << "\n";
            continue;
        }
        if (read == LineRead::kLine) {
            session.Execute(line);
            continue;
        }
        out << "\n";
        if (session.unsaved() && !options.force && !warned) {
            // The end of a terminal's input can be typed by mistake: once, it only warns.
            out << "the scene has unsaved changes: save FILE keeps them; end the input again, or quit, to drop them\n";
            warned = true;
            input.clear();
            std::clearerr(stdin);
            continue;
        }
        break;
    }
    if (warned) {
        session.Finish();
    } else {
        session.EndOfInput();
    }
    return 0;
}

}  // namespace

int RunCommands(Session& session, std::istream& input, std::ostream& out, const RunOptions& options) {
    return options.interactive ? RunInteractively(session, input, out, options) : RunScript(session, input, out, options);
}

}  // namespace host

// pellucid-host: the stand-in host program that users run. It loads the plug-in, its
// settings and a scene, starts the plug-in as the host modeller does, and then carries
// out commands from a script or from the terminal.
#include <cerrno>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>

#include "host/records/journal.h"
#include "host/serve/serve.h"
#include "host/session/run.h"
#include "host/session/session.h"
#include "host/session/session_arguments.h"
#include "host/session/terminal.h"
#include "host/validate/validate.h"

namespace {

const char* const kUsage =
    "usage: pellucid-host [--plugin FILE] [--settings FILE] [--script FILE] [--keep-going] [--force] "
    "[--journal] [SCENE]";

const char* const kHelp =
    "Starts the plug-in in a stand-in host, opens SCENE (the bundled sample workshop.scene\n"
    "when none is given, which is never written over) and carries out commands, typed at the\n"
    "prompt or read from a script; type help at the prompt for the commands.\n"
    "\n"
    "  --plugin FILE    the plug-in file to load (default: the one beside this program)\n"
    "  --settings FILE  the host's settings, read at start and written at the end\n"
    "                   (default: settings.xml in the user's configuration folder)\n"
    "  --script FILE    run the commands of FILE instead of reading the terminal; the run stops\n"
    "                   at the first failing command, with exit status 1\n"
    "  --keep-going     in a script, carry on past failing commands (the status is still 1)\n"
    "  --force          drop unsaved changes at quit, load and the end without asking\n"
    "  --journal        keep the last 10000 host calls the plug-in makes, for the journal\n"
    "                   command (off by default: it costs time and memory on big scenes)\n"
    "  --version        print the version and end\n"
    "  --help, -h       print this and end\n"
    "\n"
    "pellucid-host validate FILE ... runs the conformance checks on a plug-in file, and\n"
    "pellucid-host serve ... serves the session as a page in a browser; --help after either\n"
    "says more.\n"
    "\n"
    "Exit status: 0; 1 when a script command failed, the scene could not be opened or\n"
    "unsaved changes were dropped at the end of a script; 2 for a mistake in the arguments;\n"
    "130 when Ctrl+C stopped a script.\n";

constexpr size_t kJournalLimit = 10000;

int BadArguments(const std::string& why) {
    std::cerr << "pellucid-host: " << why << "\n" << kUsage << "\n";
    return 2;
}

// The session's own words: the shared ones (SessionArguments), the script and the flags.
struct Arguments {
    explicit Arguments(CLI::App& app)
        : session(app),
          script(app.add_option("--script", script_file)->type_name("FILE")->take_last()),
          app_(app) {
        app.add_flag("--keep-going", run.keep_going);
        app.add_flag("--force", force);
        app.add_flag("--journal", journal);
    }

    // The first mistake among the words read so far, also while the app parses, or "": a
    // FILE given as "", a scene that names none, or a word the app does not know (an
    // unknown option, a second scene), in the order the app kept them.
    std::string Mistake() const {
        for (const CLI::Option* option : {session.plugin, session.settings, script}) {
            for (const std::string& value : option->results()) {
                if (value.empty()) return option->get_name() + " needs a FILE, and \"\" names none";
            }
        }
        if (std::string mistake = session.SceneMistake(); !mistake.empty()) return mistake;
        for (const std::string& word : app_.remaining()) {
            if (word.empty()) return "an empty argument names no scene";
            if (word[0] == '-') return "unknown option \"" + word + "\"";
            return "one scene at a time: \"" + word + "\" is a second one";
        }
        return "";
    }

    host::SessionArguments session;
    std::string script_file;
    CLI::Option* const script;
    host::RunOptions run;
    bool force = false;
    bool journal = false;

private:
    const CLI::App& app_;
};

}  // namespace

int main(int argc, char** argv) {
    // Subcommands, each a program of its own, are dispatched here on the first word,
    // before the options of an interactive or scripted session are read.
    if (argc >= 2 && std::string_view(argv[1]) == "serve") return host::serve::Main(argc - 2, argv + 2);
    if (argc >= 2 && std::string_view(argv[1]) == "validate") return host::validate::Main(argc - 2, argv + 2);

    CLI::App app;
    app.set_help_flag();  // the help below is the program's own text
    app.allow_extras();   // words it does not know are refused in the program's words
    Arguments arguments(app);
    // --help and --version answer at once, unless a mistake came before them.
    std::string early;
    auto answer = [&](std::string text) {
        if (!arguments.Mistake().empty()) return;
        early = std::move(text);
        throw CLI::Success();
    };
    app.add_flag_callback("-h,--help", [&] { answer(std::string(kUsage) + "\n\n" + kHelp); })->trigger_on_parse();
    app.add_flag_callback("--version", [&] { answer("pellucid-host " PELLUCID_VERSION "\n"); })->trigger_on_parse();
    try {
        host::ParseWords(app, argc - 1, argv + 1);
    } catch (const CLI::Success&) {
        std::cout << early;
        return 0;
    } catch (const CLI::ParseError& error) {
        // A FILE option as the last word, without its FILE, is the mistake CLI11 stops at.
        std::string mistake = arguments.Mistake();
        const CLI::Option* last = app.get_option_no_throw(argv[argc - 1]);
        if (mistake.empty() && (last == arguments.session.plugin || last == arguments.session.settings ||
                                last == arguments.script)) {
            mistake = std::string(argv[argc - 1]) + " needs a FILE after it";
        }
        return BadArguments(mistake.empty() ? error.what() : mistake);
    }
    if (std::string mistake = arguments.Mistake(); !mistake.empty()) return BadArguments(mistake);

    host::SessionOptions options = arguments.session.Options();
    options.force = arguments.force;
    host::RunOptions run = arguments.run;
    run.force = arguments.force;
    const std::string& script = arguments.script_file;

    std::unique_ptr<std::istream> script_stream;
    if (!script.empty()) {
        std::string error;
        script_stream = host::OpenScript(script, &error);
        if (!script_stream) {
            std::cerr << "pellucid-host: cannot read the script " << script << ": " << error << "\n";
            return 2;
        }
    }
    run.interactive = script.empty();
    std::istream& input = run.interactive ? std::cin : *script_stream;

    // The journal of host calls is for tests and for a user who asks: kept for every
    // click, it grows with the scene.
    host::TheJournal().SetRecording(arguments.journal);
    host::TheJournal().SetLimit(kJournalLimit);
    host::WatchTheTerminal();

    host::Session session(std::cout, run.interactive ? &std::cin : nullptr);
    if (!session.Start(options)) return 1;
    return host::RunCommands(session, input, std::cout, run);
}

// pellucid-host: the stand-in host program that users run. It loads the plug-in, its
// settings and a scene, starts the plug-in as the host modeller does, and then carries
// out commands from a script or from the terminal.
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>

#include "host/drive/plugin_module.h"
#include "host/files/settings_path.h"
#include "host/records/journal.h"
#include "host/serve/serve.h"
#include "host/session/run.h"
#include "host/session/session.h"
#include "host/session/terminal.h"
#include "host/validate/validate.h"
#include "platform/platform.h"

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

}  // namespace

int main(int argc, char** argv) {
    // Subcommands, each a program of its own, are dispatched here on the first word,
    // before the options of an interactive or scripted session are read.
    if (argc >= 2 && std::string_view(argv[1]) == "serve") return host::serve::Main(argc - 2, argv + 2);
    if (argc >= 2 && std::string_view(argv[1]) == "validate") return host::validate::Main(argc - 2, argv + 2);
    host::SessionOptions options;
    options.plugin_file = host::PluginFileBesideProgram();
    std::string script;
    bool scene_given = false, journal = false;
    host::RunOptions run;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        // A flag with a value: the next argument, which must be there and not be empty.
        auto value = [&](std::string* into, std::string* problem) {
            if (i + 1 >= argc) {
                *problem = arg + " needs a FILE after it";
                return false;
            }
            *into = argv[++i];
            if (into->empty()) *problem = arg + " needs a FILE, and \"\" names none";
            return !into->empty();
        };
        std::string problem;
        if (arg == "--plugin") {
            if (!value(&options.plugin_file, &problem)) return BadArguments(problem);
        } else if (arg == "--settings") {
            if (!value(&options.settings_file, &problem)) return BadArguments(problem);
        } else if (arg == "--script") {
            if (!value(&script, &problem)) return BadArguments(problem);
        } else if (arg == "--keep-going") {
            run.keep_going = true;
        } else if (arg == "--force") {
            run.force = options.force = true;
        } else if (arg == "--journal") {
            journal = true;
        } else if (arg == "--help" || arg == "-h") {
            std::cout << kUsage << "\n\n" << kHelp;
            return 0;
        } else if (arg == "--version") {
            std::cout << "pellucid-host " << PELLUCID_VERSION << "\n";
            return 0;
        } else if (!arg.empty() && arg[0] != '-' && !scene_given) {
            options.scene_file = arg;
            scene_given = true;
        } else if (arg.empty()) {
            return BadArguments("an empty argument names no scene");
        } else if (scene_given && arg[0] != '-') {
            return BadArguments("one scene at a time: \"" + arg + "\" is a second one");
        } else {
            return BadArguments("unknown option \"" + arg + "\"");
        }
    }
    options.sample_file = platform::ProgramFolder() + "workshop.scene";
    if (!scene_given) {
        options.scene_file = options.sample_file;
        options.scene_is_sample = true;
    }
    if (options.settings_file.empty()) {
        options.settings_file = host::DefaultSettingsFile(&options.settings_problem);
    }

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
    host::TheJournal().SetRecording(journal);
    host::TheJournal().SetLimit(kJournalLimit);
    host::WatchTheTerminal();

    host::Session session(std::cout, run.interactive ? &std::cin : nullptr);
    if (!session.Start(options)) return 1;
    return host::RunCommands(session, input, std::cout, run);
}

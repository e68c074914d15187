// pellucid-host: the stand-in host program that users run. It loads the plug-in, its
// settings and a scene, starts the plug-in as the host modeller does, and then carries
// out commands from a script or from the terminal.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include "host/cli/session.h"
#include "host/cli/settings_path.h"
#include "host/plugin_module.h"
#include "host/validate/validate.h"
#include "platform/platform.h"

namespace {

const char* const kUsage = "usage: pellucid-host [--plugin FILE] [--settings FILE] [--script FILE] [SCENE]";

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::string(argv[1]) == "validate") return host::validate::Main(argc - 2, argv + 2);
    host::SessionOptions options;
    options.plugin_file = host::PluginFileBesideProgram();
    options.scene_file = platform::ProgramFolder() + "workshop.scene";
    std::string script;
    bool scene_given = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](std::string* into) {
            if (i + 1 >= argc) return false;
            *into = argv[++i];
            return true;
        };
        bool ok = true;
        if (arg == "--plugin") {
            ok = value(&options.plugin_file);
        } else if (arg == "--settings") {
            ok = value(&options.settings_file);
        } else if (arg == "--script") {
            ok = value(&script);
        } else if (arg == "--help" || arg == "-h") {
            std::cout << kUsage << "\n";
            return 0;
        } else if (!arg.empty() && arg[0] != '-' && !scene_given) {
            options.scene_file = arg;
            scene_given = true;
        } else {
            ok = false;
        }
        if (!ok) {
            std::cerr << "pellucid-host: unexpected argument \"" << arg << "\"\n" << kUsage << "\n";
            return 2;
        }
    }
    if (options.settings_file.empty()) options.settings_file = host::DefaultSettingsFile();

    std::ifstream script_stream;
    if (!script.empty()) {
        script_stream.open(script);
        if (!script_stream) {
            std::cerr << "pellucid-host: cannot read the script " << script << "\n";
            return 2;
        }
    }
    bool interactive = script.empty();
    std::istream& input = interactive ? std::cin : script_stream;

    host::Session session(std::cout, interactive ? &std::cin : nullptr);
    if (!session.Start(options)) return 1;
    if (interactive) std::cout << "type help for the commands\n";
    std::string line;
    while (!session.finished()) {
        if (interactive) std::cout << "pellucid> " << std::flush;
        if (!std::getline(input, line)) break;
        if (!interactive && !line.empty() && line[0] != '#') std::cout << "\n> " << line << "\n";
        session.Execute(line);
    }
    session.Finish();
    return 0;
}

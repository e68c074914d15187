#include "host/session/session_arguments.h"

#include <algorithm>

#include "host/drive/plugin_module.h"
#include "host/files/settings_path.h"
#include "platform/platform.h"

namespace host {

SessionArguments::SessionArguments(CLI::App& app)
    : plugin(app.add_option("--plugin", plugin_file_)->type_name("FILE")->take_last()),
      settings(app.add_option("--settings", settings_file_)->type_name("FILE")->take_last()),
      scene(app.add_option("SCENE", scene_file_)) {}

SessionOptions SessionArguments::Options() const {
    SessionOptions options;
    options.plugin_file = plugin->count() > 0 ? plugin_file_ : PluginFileBesideProgram();
    options.sample_file = platform::ProgramFolder() + "workshop.scene";
    if (scene->count() > 0) {
        options.scene_file = scene_file_;
    } else {
        options.scene_file = options.sample_file;
        options.scene_is_sample = true;
    }
    options.settings_file = settings_file_;
    if (options.settings_file.empty()) options.settings_file = DefaultSettingsFile(&options.settings_problem);
    return options;
}

std::string SessionArguments::SceneMistake() const {
    for (const std::string& word : scene->results()) {
        if (word.empty()) return "an empty argument names no scene";
        if (word[0] == '-') return "unknown option \"" + word + "\"";
    }
    return "";
}

void ParseWords(CLI::App& app, int argc, char** argv) {
    // CLI::App takes a vector of words last first.
    std::vector<std::string> words(argv, argv + argc);
    std::reverse(words.begin(), words.end());
    app.parse(words);
}

}  // namespace host

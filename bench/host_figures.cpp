// What a click costs in pellucid-host on a big scene: the program writes a scene of N
// objects (200,000 by default) and two scripts into a folder of its own, runs pellucid-host
// on each in a child process, and prints each session's wall time and peak memory beside
// a session that only loads the scene, measured in the same run.
//
//   host_figures HOST [OBJECTS] [-- HOST_ARGUMENTS...]
//
// The sessions: "load" opens the scene and quits; "clicks" opens the window, stores row 1
// once and recalls it twenty times; "changes" does the same, but before every recall shows
// a tenth of the scene, which the recall hides again, so each recall changes that many
// objects and the host reports them. A click costs (clicks - load) / 21. Each session runs
// three times, the three interleaved, and the fastest run of each counts: the machine's
// other work only ever adds time. POSIX only.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Figures {
    double seconds = 0;
    double peak_mb = 0;
    double printed_kb = 0;
    int status = 0;
};

std::string ObjectName(int i) {
    char name[32];
    std::snprintf(name, sizeof name, "Part_%06d", i);
    return name;
}

// Every tenth object starts hidden; all are counted and take part in an append.
void WriteScene(const fs::path& file, int objects) {
    std::ofstream out(file);
    out << "<scene>\n  <objects>\n";
    for (int i = 0; i < objects; ++i) {
        out << "    <object name=\"" << ObjectName(i) << "\" visible=\"" << (i % 10 == 0 ? "false" : "true")
            << "\" value262=\"1\"/>\n";
    }
    out << "  </objects>\n  <plugins/>\n</scene>\n";
}

void WriteScript(const fs::path& file, int objects, bool clicks, bool changes) {
    std::ofstream out(file);
    if (clicks) {
        out << "open\ns 1\n";
        for (int recall = 0; recall < 20; ++recall) {
            if (changes) {
                out << "show";
                for (int i = 0; i < objects; i += 10) out << " #" << i;  // by place: no search by name
                out << "\n";
            }
            out << "r 1\n";
        }
    }
    out << "quit\n";
}

Figures Run(const std::vector<std::string>& command, const fs::path& folder, const std::string& name) {
    Figures figures;
    fs::path printed = folder / (name + ".out");
    std::fflush(stdout);
    auto start = std::chrono::steady_clock::now();
    pid_t child = fork();
    if (child == 0) {
        if (chdir(folder.c_str()) != 0) _exit(127);
        if (std::freopen(printed.c_str(), "w", stdout) == nullptr) _exit(127);
        std::vector<char*> argv;
        for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    wait4(child, &status, 0, &usage);
    figures.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    figures.peak_mb = static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
    figures.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::error_code ignored;
    figures.printed_kb = static_cast<double>(fs::file_size(printed, ignored)) / 1024.0;
    return figures;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: host_figures HOST [OBJECTS] [-- HOST_ARGUMENTS...]\n");
        return 2;
    }
    std::string host = fs::absolute(argv[1]).string();
    int objects = 200000;
    int next = 2;
    if (next < argc && std::string(argv[next]) != "--") objects = std::atoi(argv[next++]);
    std::vector<std::string> extra;
    if (next < argc && std::string(argv[next]) == "--") {
        for (++next; next < argc; ++next) extra.push_back(argv[next]);
    }
    if (objects <= 0) {
        std::fprintf(stderr, "host_figures: OBJECTS must be a positive number\n");
        return 2;
    }

    fs::path folder = fs::temp_directory_path() / ("pellucid-host-figures-" + std::to_string(getpid()));
    fs::create_directories(folder);
    WriteScene(folder / "big.scene", objects);
    WriteScript(folder / "load.txt", objects, false, false);
    WriteScript(folder / "clicks.txt", objects, true, false);
    WriteScript(folder / "changes.txt", objects, true, true);

    auto command = [&](const std::string& script) {
        std::vector<std::string> words{host, "--settings", "settings.xml", "--script", script};
        words.insert(words.end(), extra.begin(), extra.end());
        words.push_back("big.scene");
        return words;
    };
    std::printf("pellucid-host on %d objects (%s)\n", objects, host.c_str());
    Figures load, clicks, changes;
    auto best = [](Figures* kept, const Figures& run, int repetition) {
        if (repetition == 0 || run.seconds < kept->seconds) *kept = run;
    };
    for (int repetition = 0; repetition < 3; ++repetition) {
        best(&load, Run(command("load.txt"), folder, "load"), repetition);
        best(&clicks, Run(command("clicks.txt"), folder, "clicks"), repetition);
        best(&changes, Run(command("changes.txt"), folder, "changes"), repetition);
    }

    auto line = [&](const char* name, const Figures& f) {
        std::printf("  %-48s %7.2f s  %8.1f MB peak  %8.1f KB printed  exit %d\n", name, f.seconds, f.peak_mb,
                    f.printed_kb, f.status);
    };
    line("load only", load);
    line("store once, recall twenty times", clicks);
    line("the same, each recall changing a tenth", changes);
    double click = (clicks.seconds - load.seconds) / 21.0;
    std::printf("  a click: %.3f s, %.2fx the scene's load time (goal: at most 0.25x)\n", click,
                click / load.seconds);
    std::printf("  memory after twenty recalls: %.2fx the load-only session's (goal: at most 1.5x)\n",
                clicks.peak_mb / load.peak_mb);
    std::printf("  with a tenth changed by each recall: %.3f s a recall and its show, %.2fx memory\n",
                (changes.seconds - load.seconds) / 21.0, changes.peak_mb / load.peak_mb);
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return 0;
}

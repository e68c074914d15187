#include "host/validate/validate.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <exception>
#include <functional>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <CLI/CLI.hpp>

#include "host/files/file_io.h"
#include "host/records/breaches.h"
#include "host/records/journal.h"
#include "host/records/rules.h"
#include "host/records/value_text.h"
#include "host/validate/check.h"
#include "host/validate/os/child_process.h"
#include "host/validate/os/module_table.h"
#include "host/validate/report.h"
#include "host/validate/checks/station.h"

namespace host::validate {
namespace {

const char* const kUsage =
    "usage: pellucid-host validate FILE [--strictness 1..10] [--seed N] [--only ID,...] [--jobs N]\n"
    "                               [--repeat N] [--randomise] [--timeout SECONDS] [--warnings-fail]\n"
    "                               [--json FILE] [--junit FILE]\n"
    "       pellucid-host validate --list | --rules | --sanitized";

const char* const kHelp =
    "  --strictness 1..10  how hard to try (5): which checks run and how many rounds they make\n"
    "  --seed N            the seed of the random checks (drawn and printed when not given)\n"
    "  --only ID,...       only these checks or groups (--only events,reentry.box-actions)\n"
    "  -j, --jobs N        checks run at once, each in a child process (the number of cores)\n"
    "  --repeat N          the suite N times; with --randomise a new seed for every round\n"
    "  --timeout SECONDS   the time each check has (by default it grows with the strictness\n"
    "                      and with the check's own counts)\n"
    "  --warnings-fail     a bent host rule that real hosts forgive fails the run too\n"
    "  --json FILE         the report as JSON; --junit FILE as JUnit XML, for a CI server\n"
    "  --list              the checks: id, the strictness each starts at, what it proves\n"
    "  --rules             the host's rules that a check may report broken, and what each forbids\n"
    "  --sanitized         how to run validate on a sanitizer build of the plug-in\n";

// The channel option of a child; the check it runs comes with --child.
constexpr char kChannelOption[] = "--channel";
constexpr size_t kOutputLines = 20;  // of what the plug-in printed, shown with a failure

struct Options {
    std::string file;
    int strictness = 5;
    uint64_t seed = 0;
    bool seed_given = false;
    std::vector<std::string> only;
    bool list = false;
    bool rules = false;
    bool sanitized = false;
    std::string json;
    std::string junit;
    int timeout = 0;  // 0: each check's own
    int jobs = 0;     // 0: the number of cores
    int repeat = 1;
    bool randomise = false;
    bool warnings_fail = false;
    std::string child;    // the check a child runs
    std::string channel;  // its channel to the parent
};

bool Selected(const Options& options, const Check& check) {
    if (options.only.empty()) return true;
    std::string id = check.id;
    for (const std::string& wanted : options.only) {
        if (id == wanted || id.rfind(wanted + ".", 0) == 0) return true;
    }
    return false;
}

// ---- The child ------------------------------------------------------------------------------

struct Warning {
    std::string rule, seen;
};
std::vector<Warning> g_warnings;

// The last host calls of the plug-in, when it crashes or hangs.
void LastWords() {
    const std::vector<HostCall>& calls = TheJournal().Calls();
    size_t first = calls.size() > kJournalCalls ? calls.size() - kJournalCalls : 0;
    for (size_t i = first; i < calls.size(); ++i) ToParent("call", calls[i].Text());
}

int RunInChild(const Options& options) {
    if (!OpenChannel(options.channel)) {
        std::fprintf(stderr, "pellucid-host validate: a child needs its channel\n");
        return 2;
    }
    EndQuietlyOnCrash(LastWords);
    const Check* found = nullptr;
    for (const Check& check : AllChecks()) {
        if (options.child == check.id) found = &check;
    }
    if (found == nullptr) {
        std::fprintf(stderr, "pellucid-host validate: no check %s\n", options.child.c_str());
        return 2;
    }
    Setting setting{options.file, options.strictness, options.seed};
    Outcome outcome = Outcome::kPassed;
    std::string rule, seen;
    try {
        found->run(setting);
        if (!g_warnings.empty()) {
            outcome = Outcome::kWarning;
            rule = g_warnings.front().rule;
            seen = g_warnings.front().seen;
            if (g_warnings.size() > 1) seen += " (and " + std::to_string(g_warnings.size() - 1) + " more)";
        }
    } catch (const Failure& failure) {
        outcome = Outcome::kFailed;
        rule = failure.rule;
        seen = failure.seen;
    } catch (const Skip& skip) {
        outcome = Outcome::kSkipped;
        seen = skip.reason;
    } catch (const std::exception& error) {
        outcome = Outcome::kFailed;
        rule = "validate/exception";
        seen = error.what();
    }
    // The verdict, the check's last word: a child that ends before it has none.
    ToParent("rule", rule);
    ToParent("seen", seen);
    ToParent("ended", Word(outcome));
    std::fflush(stdout);
    std::fflush(stderr);
    // The plug-in is unloaded as the process ends; what it does then is a crash too.
    return 0;
}

// ---- The parent ---------------------------------------------------------------------------

// A sanitizer's word on a child that ended badly: its summary line, or the line of an
// undefined behaviour it stopped at; "" when there is none.
std::string SanitizerWords(const std::string& output) {
    for (const char* marker : {"SUMMARY: ", "runtime error: "}) {
        size_t found = output.find(marker);
        if (found == std::string::npos) continue;
        size_t start = output.rfind('\n', found);
        start = start == std::string::npos ? 0 : start + 1;
        return VisibleText(output.substr(start, output.find('\n', found) - start));
    }
    return "";
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

// What the child said on its channel, in the result; whether it ended its check.
bool ReadChannel(const std::string& channel, Result* result, Outcome* verdict) {
    bool ended = false;
    for (const std::string& line : Lines(channel)) {
        size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        std::string key = line.substr(0, tab), value = VisibleText(line.substr(tab + 1));
        if (key == "step") {
            result->step = value;
        } else if (key == "note") {
            result->notes.push_back(value);
        } else if (key == "tally") {
            size_t space = value.rfind(' ');
            if (space != std::string::npos) result->tallies[value.substr(0, space)] += std::atol(value.c_str() + space + 1);
        } else if (key == "call") {
            result->calls.push_back(value);
        } else if (key == "where") {
            result->where = value;
        } else if (key == "rule") {
            result->rule = value;
        } else if (key == "seen") {
            result->detail = value;
        } else if (key == "ended") {
            ended = OutcomeOfWord(value, verdict);
        }
    }
    return ended;
}

int TimeoutOf(const Options& options, const Check& check) {
    if (options.timeout > 0) return options.timeout;
    return 120 * check.weight * (options.strictness + 5) / 10;
}

Result RunCheck(const Options& options, const Check& check, int round, uint64_t seed) {
    std::vector<std::string> arguments = {"validate",     "--child", check.id, "--strictness", std::to_string(options.strictness),
                                          "--seed", std::to_string(seed), options.file};
    int timeout = TimeoutOf(options, check);
    // A child that could not be started is tried again twice: a system short of processes
    // or files for a moment (a busy CI machine, Wine) is no verdict on the plug-in.
    ChildEnd end = RunProgramAgain(arguments, kChannelOption, timeout);
    for (int retry = 1; retry <= 2 && end.kind == ChildEnd::kNotStarted; ++retry) {
        std::this_thread::sleep_for(std::chrono::milliseconds(250 * retry));
        end = RunProgramAgain(arguments, kChannelOption, timeout);
    }
    Result result;
    result.check = &check;
    result.round = round;
    result.seed = seed;
    result.seconds = end.seconds;
    std::vector<std::string> output = Lines(end.output);
    for (size_t i = output.size() > kOutputLines ? output.size() - kOutputLines : 0; i < output.size(); ++i) {
        result.output.push_back(VisibleText(output[i]));
    }
    Outcome verdict = Outcome::kCrashed;
    bool ended = ReadChannel(end.channel, &result, &verdict);
    switch (end.kind) {
    case ChildEnd::kNotStarted:
        result.outcome = Outcome::kCrashed;
        result.detail = "the child process did not start";
        return result;
    case ChildEnd::kTimedOut:
        result.outcome = Outcome::kTimedOut;
        result.rule.clear();
        result.detail = "after " + std::to_string(timeout) + " s";
        return result;
    case ChildEnd::kCrashed:
        result.outcome = Outcome::kCrashed;
        result.rule.clear();
        result.detail = CrashName(end.code) + (ended ? ", after its verdict" : "");
        return result;
    case ChildEnd::kExited:
        break;
    }
    // A child that failed its check may end badly as well (a sanitizer finding leaks at
    // the exit): the verdict says more. One that passed and then ended badly crashed.
    if (ended && (end.code == 0 || verdict == Outcome::kFailed)) {
        result.outcome = verdict;
        return result;
    }
    result.outcome = Outcome::kCrashed;
    result.rule.clear();
    result.detail = (ended ? "exit code " : "ended without a verdict, exit code ") + std::to_string(end.code);
    std::string words = SanitizerWords(end.output);
    if (!words.empty()) result.detail += ": " + words;
    return result;
}

void List() {
    for (const Check& check : AllChecks()) {
        std::string line = check.id;
        line.resize(std::max<size_t>(line.size() + 1, 32), ' ');
        std::printf("%s%2d  %s%s\n", line.c_str(), check.level, check.description, check.random ? " [seeded]" : "");
    }
}

void ListRules() {
    std::printf("The host's rules, which a check reports by their id when the plug-in broke one\n"
                "(a warning when real hosts forgive it); validate's own findings are named\n"
                "group/what (documents/round-trip) and are said in each failure.\n\n");
    for (const RuleInfo& rule : AllRules()) {
        std::string line = rule.id;
        line.resize(std::max<size_t>(line.size() + 1, 30), ' ');
        std::printf("%s%s%s\n", line.c_str(), rule.forbids, rule.forgiven ? " (forgiven: a warning)" : "");
    }
}

void Sanitized() {
    std::printf(
#if defined(_WIN32)
        "A sanitizer build of a plug-in DLL needs the sanitizer's runtime DLLs beside it, and a\n"
        "validate built with the same compiler: put them in the folder of pellucid-host.exe and\n"
        "run validate on the DLL as on any other. Without one, the children already run with\n"
        "what the heap offers against a use of freed memory (under Wine its heap checks).\n"
#else
        "validate runs every check in a child process; each child runs with glibc's MALLOC_PERTURB_\n"
        "and MALLOC_CHECK_ set, so that a use of freed memory is more likely to crash than to pass.\n"
        "For the rest, build the plug-in with the sanitizers and preload their runtimes into\n"
        "validate, whose children inherit them:\n\n"
        "  c++ -shared -fPIC -g -fsanitize=address,undefined -fno-omit-frame-pointer ... -o plugin.so\n"
        "  LD_PRELOAD=\"$(c++ -print-file-name=libasan.so) $(c++ -print-file-name=libubsan.so)\" \\\n"
        "    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \\\n"
        "    pellucid-host validate plugin.so\n\n"
        "A sanitizer's finding ends the check as crashed, with the finding's summary line; the\n"
        "child's whole report is in the JSON and JUnit output of that check.\n"
#endif
    );
}

// Usage errors of the files, found before any check runs.
bool CheckFiles(const Options& options, std::string* error) {
    if (!IsPluginFile(options.file, error)) return false;
    for (const std::string* report : {&options.json, &options.junit}) {
        if (report->empty()) continue;
        std::error_code ignored;
        if (std::filesystem::is_directory(*report, ignored)) return *error = *report + " is a folder", false;
        // The report is written beside itself and renamed over: that file must be possible.
        std::string probe = *report + ".tmp";
        bool existed = std::filesystem::exists(probe, ignored);
        std::ofstream out(probe, std::ios::app);
        bool writable = static_cast<bool>(out);
        out.close();
        if (writable && !existed) std::filesystem::remove(probe, ignored);
        if (!writable) return *error = "cannot write " + *report, false;
    }
    return true;
}

// False with `error` set on a usage error.
bool Parse(int argc, char** argv, Options* options, std::string* error) {
    CLI::App app("pellucid-host validate");
    app.set_help_flag();
    std::string only;
    app.add_option("file", options->file);
    app.add_option("--strictness", options->strictness)->check(CLI::Range(1, 10));
    app.add_option("--seed", options->seed)->check(CLI::NonNegativeNumber);
    app.add_option("--only", only);
    app.add_option("-j,--jobs", options->jobs)->check(CLI::Range(1, 256));
    app.add_option("--repeat", options->repeat)->check(CLI::Range(1, 10000));
    app.add_flag("--randomise,--randomize", options->randomise);
    app.add_option("--timeout", options->timeout)->check(CLI::Range(1, 86400));
    app.add_flag("--warnings-fail", options->warnings_fail);
    app.add_option("--json", options->json);
    app.add_option("--junit", options->junit);
    app.add_flag("--list", options->list);
    app.add_flag("--rules", options->rules);
    app.add_flag("--sanitized", options->sanitized);
    app.add_option("--child", options->child)->group("");
    app.add_option(kChannelOption, options->channel)->group("");
    std::vector<std::string> arguments;
    for (int i = argc - 1; i >= 0; --i) arguments.push_back(argv[i]);  // CLI11 takes them last first
    try {
        app.parse(arguments);
    } catch (const CLI::ParseError& failure) {
        return *error = failure.what(), false;
    }
    options->seed_given = app.count("--seed") > 0;
    for (size_t start = 0; start <= only.size();) {
        size_t comma = only.find(',', start);
        std::string id = only.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (!id.empty()) options->only.push_back(id);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    if (!options->list && !options->rules && !options->sanitized && options->file.empty()) {
        return *error = "no plug-in file", false;
    }
    for (const std::string& id : options->only) {
        bool known = false;
        for (const Check& check : AllChecks()) {
            std::string name = check.id;
            known = known || name == id || name.rfind(id + ".", 0) == 0;
        }
        if (!known) return *error = "no check or group " + id + " (--list shows them)", false;
    }
    return true;
}

uint64_t DrawSeed() { return std::random_device()() % 1000000000u; }

// One run of a check in a round, or its skip, in the order of --list.
struct Task {
    const Check* check;
    int round;
    uint64_t seed;
};

// Runs the tasks on `jobs` threads, each waiting on its own child, and hands every result
// to `report` in the order of the tasks, as soon as it and all before it are in.
void RunTasks(const Options& options, const std::vector<Task>& tasks, int jobs,
              const std::function<void(size_t, Result&)>& report) {
    std::vector<std::optional<Result>> results(tasks.size());
    std::mutex lock;
    std::condition_variable arrived;
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t i; (i = next++) < tasks.size();) {
            const Task& task = tasks[i];
            Result result;
            if (task.check->level > options.strictness) {
                result.check = task.check;
                result.round = task.round;
                result.seed = task.seed;
                result.outcome = Outcome::kSkipped;
                result.detail = "starts at strictness " + std::to_string(task.check->level);
            } else {
                result = RunCheck(options, *task.check, task.round, task.seed);
            }
            std::lock_guard<std::mutex> hold(lock);
            results[i] = std::move(result);
            arrived.notify_all();
        }
    };
    std::vector<std::thread> workers;
    for (int i = 0; i < jobs; ++i) workers.emplace_back(work);
    for (size_t i = 0; i < tasks.size(); ++i) {
        std::unique_lock<std::mutex> hold(lock);
        arrived.wait(hold, [&] { return results[i].has_value(); });
        Result result = std::move(*results[i]);
        hold.unlock();
        report(i, result);
    }
    for (std::thread& worker : workers) worker.join();
}

}  // namespace

void Note(std::string text) { ToParent("note", text); }

void Tally(const std::string& name, long count) { ToParent("tally", name + " " + std::to_string(count)); }

namespace {
std::string g_step_context;
}  // namespace

void Step(std::string what) { ToParent("step", g_step_context.empty() ? what : g_step_context + ": " + what); }

void StepContext(std::string where) {
    g_step_context = std::move(where);
    ToParent("step", g_step_context);
}

void Warn(const std::string& rule, const std::string& seen) { g_warnings.push_back(Warning{rule, seen}); }

const std::vector<Check>& AllChecks() {
    static const std::vector<Check> checks = [] {
        std::vector<Check> all;
        for (auto group : {FileChecks, BoundaryChecks, WidgetChecks, RoundTripChecks, ReentryChecks, CycleChecks,
                           GestureChecks}) {
            std::vector<Check> some = group();
            all.insert(all.end(), some.begin(), some.end());
        }
        return all;
    }();
    return checks;
}

int Main(int argc, char** argv) {
    for (int i = 0; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--help" || std::string_view(argv[i]) == "-h") {
            std::printf("%s\n%s", kUsage, kHelp);
            return 0;
        }
    }
    Options options;
    std::string error;
    if (!Parse(argc, argv, &options, &error)) {
        std::fprintf(stderr, "pellucid-host validate: %s\n%s\n", error.c_str(), kUsage);
        return 2;
    }
    if (options.list) return List(), 0;
    if (options.rules) return ListRules(), 0;
    if (options.sanitized) return Sanitized(), 0;
    if (!options.child.empty()) return RunInChild(options);
    if (!CheckFiles(options, &error)) {
        std::fprintf(stderr, "pellucid-host validate: %s\n", error.c_str());
        return 2;
    }

    RunInfo run{options.file, options.strictness, {}, options.warnings_fail};
    for (int round = 1; round <= options.repeat; ++round) {
        bool drawn = round == 1 ? !options.seed_given : options.randomise;
        run.seeds.push_back(drawn ? DrawSeed() : round == 1 ? options.seed : run.seeds.front());
    }
    std::vector<Task> tasks;
    for (int round = 1; round <= options.repeat; ++round) {
        for (const Check& check : AllChecks()) {
            if (Selected(options, check)) tasks.push_back(Task{&check, round, run.seeds[static_cast<size_t>(round - 1)]});
        }
    }
    int jobs = options.jobs > 0 ? options.jobs : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    PrepareChildEnvironment();

    std::vector<Result> results;
    Counts counts;
    bool failed = false;
    RunTasks(options, tasks, jobs, [&](size_t i, Result& result) {
        if (options.repeat > 1 && (i == 0 || tasks[i - 1].round != result.round)) {
            std::printf("round %d of %d, seed %llu\n", result.round, options.repeat,
                        static_cast<unsigned long long>(result.seed));
        }
        counts.Add(result.outcome);
        failed = failed || Fails(result, options.warnings_fail);
        std::printf("%s\n", ReportText(result, options.repeat).c_str());
        std::fflush(stdout);
        results.push_back(std::move(result));
    });
    if (options.randomise) std::printf("(a round replays with --seed and its seed, the same --strictness and --only)\n");
    std::printf("%s\n", ClosingLine(counts).c_str());
    for (const auto& [file, text] : {std::pair{options.json, &JsonReport}, std::pair{options.junit, &JUnitReport}}) {
        if (file.empty()) continue;
        if (!WriteFileAtomically(file, text(run, results, counts), &error)) {
            std::fprintf(stderr, "pellucid-host validate: cannot write %s: %s\n", file.c_str(), error.c_str());
            return 2;
        }
    }
    return failed ? 1 : 0;
}

}  // namespace host::validate

#include "host/validate/validate.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/records/breaches.h"
#include "host/validate/check.h"
#include "host/validate/child_process.h"

namespace host::validate {
namespace {

const char* const kUsage =
    "usage: pellucid-host validate FILE [--strictness 1..10] [--seed N] [--only ID,...] [--json FILE] "
    "[--timeout SECONDS]\n"
    "       pellucid-host validate --list";

// How a child marks the line of its verdict among what the plug-in may print.
constexpr char kVerdictMark[] = "=validate= ";

std::string g_note;

struct Options {
    std::string file;
    int strictness = 5;
    uint64_t seed = 0;
    bool seed_given = false;
    std::vector<std::string> only;
    bool list = false;
    std::string json;
    int timeout = 120;
    std::string child;  // the check a child runs
};

struct Result {
    const Check* check;
    std::string outcome;  // "passed", "failed", "skipped", "crashed", "timed out"
    std::string rule;     // of "failed"
    std::string detail;   // what was seen, why skipped, how it crashed, what was measured
};

// One line, tabs and line breaks folded, as the verdict travels.
std::string OneLine(std::string text) {
    for (char& c : text) {
        if (c == '\n' || c == '\r' || c == '\t') c = ' ';
    }
    return text;
}

bool Selected(const Options& options, const Check& check) {
    if (options.only.empty()) return true;
    std::string id = check.id;
    for (const std::string& wanted : options.only) {
        if (id == wanted || id.rfind(wanted + ".", 0) == 0) return true;
    }
    return false;
}

// ---- The child ------------------------------------------------------------------------------

int RunInChild(const Options& options) {
    EndQuietlyOnCrash();
    const Check* found = nullptr;
    for (const Check& check : AllChecks()) {
        if (options.child == check.id) found = &check;
    }
    if (found == nullptr) {
        std::fprintf(stderr, "pellucid-host validate: no check %s\n", options.child.c_str());
        return 2;
    }
    Setting setting{options.file, options.strictness, options.seed};
    std::string verdict;
    try {
        found->run(setting);
        verdict = "passed\t\t" + OneLine(g_note);
    } catch (const Failure& failure) {
        verdict = "failed\t" + OneLine(failure.rule) + "\t" + OneLine(failure.seen);
    } catch (const Skip& skip) {
        verdict = "skipped\t\t" + OneLine(skip.reason);
    } catch (const std::exception& error) {
        verdict = "failed\tvalidate.exception\t" + OneLine(error.what());
    }
    std::fflush(stderr);
    std::printf("\n%s%s\n", kVerdictMark, verdict.c_str());
    std::fflush(stdout);
    // The plug-in is unloaded as the process ends; what it does then is a crash too.
    return 0;
}

// ---- The parent ---------------------------------------------------------------------------

// A sanitizer's word on a child that ended badly: its summary line, or the line of an
// undefined behaviour it stopped at; "" when there is none.
std::string LastWords(const std::string& output) {
    for (const char* marker : {"SUMMARY: ", "runtime error: "}) {
        size_t found = output.find(marker);
        if (found == std::string::npos) continue;
        size_t start = output.rfind('\n', found);
        start = start == std::string::npos ? 0 : start + 1;
        return OneLine(output.substr(start, output.find('\n', found) - start));
    }
    return "";
}

Result RunCheck(const Options& options, const Check& check) {
    std::vector<std::string> arguments = {"validate", "--child", check.id, "--strictness",
                                          std::to_string(options.strictness), "--seed", std::to_string(options.seed),
                                          options.file};
    ChildEnd end = RunProgramAgain(arguments, options.timeout);
    Result result{&check, "crashed", "", ""};
    size_t mark = end.output.rfind(kVerdictMark);
    switch (end.kind) {
    case ChildEnd::kNotStarted:
        result.detail = "the child process did not start";
        return result;
    case ChildEnd::kTimedOut:
        result.outcome = "timed out";
        result.detail = "after " + std::to_string(options.timeout) + " s";
        return result;
    case ChildEnd::kCrashed:
        result.detail = CrashName(end.code);
        return result;
    case ChildEnd::kExited:
        break;
    }
    // A child that failed its check may end badly as well (a sanitizer finding leaks at
    // the exit): the verdict says more. One that passed and then ended badly crashed.
    bool failed_verdict = mark != std::string::npos && end.output.compare(mark + sizeof kVerdictMark - 1, 7, "failed\t") == 0;
    if (mark == std::string::npos || (end.code != 0 && !failed_verdict)) {
        result.detail = (mark == std::string::npos ? "ended without a verdict, exit code " : "exit code ") +
                        std::to_string(end.code);
        std::string words = LastWords(end.output);
        if (!words.empty()) result.detail += ": " + words;
        return result;
    }
    std::string line = end.output.substr(mark + sizeof kVerdictMark - 1);
    line = line.substr(0, line.find_first_of("\r\n"));
    size_t first = line.find('\t'), second = line.find('\t', first + 1);
    result.outcome = line.substr(0, first);
    result.rule = line.substr(first + 1, second - first - 1);
    result.detail = line.substr(second + 1);
    return result;
}

std::string ReportLine(const Options& options, const Result& result) {
    std::string line = result.check->id;
    line.resize(std::max<size_t>(line.size() + 1, 32), ' ');
    line += result.outcome;
    if (result.check->random && result.outcome != "skipped") line += " (seed " + std::to_string(options.seed) + ")";
    if (!result.rule.empty()) line += " [" + result.rule + "]";
    if (!result.detail.empty()) line += (result.outcome == "timed out" ? " " : ": ") + result.detail;
    return line;
}

bool Failed(const Result& result) { return result.outcome != "passed" && result.outcome != "skipped"; }

bool WriteJson(const Options& options, const std::vector<Result>& results, int passed, int failed) {
    nlohmann::ordered_json report;
    report["plugin"] = options.file;
    report["strictness"] = options.strictness;
    report["seed"] = options.seed;
    report["checks"] = nlohmann::ordered_json::array();
    for (const Result& result : results) {
        nlohmann::ordered_json check;
        check["id"] = result.check->id;
        check["description"] = result.check->description;
        check["level"] = result.check->level;
        check["outcome"] = result.outcome;
        if (result.check->random) check["seed"] = options.seed;
        if (!result.rule.empty()) check["rule"] = result.rule;
        if (!result.detail.empty()) {
            check[result.outcome == "skipped" ? "reason" : result.outcome == "passed" ? "note" : "seen"] = result.detail;
        }
        report["checks"].push_back(check);
    }
    report["passed"] = passed;
    report["failed"] = failed;
    std::ofstream out(options.json, std::ios::binary);
    out << report.dump(2) << "\n";
    return static_cast<bool>(out);
}

void List() {
    for (const Check& check : AllChecks()) {
        std::string line = check.id;
        line.resize(std::max<size_t>(line.size() + 1, 32), ' ');
        std::printf("%s%2d  %s%s\n", line.c_str(), check.level, check.description, check.random ? " [seeded]" : "");
    }
}

bool ParseNumber(const std::string& text, uint64_t* value) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 19) return false;
    *value = std::strtoull(text.c_str(), nullptr, 10);
    return true;
}

// False with `error` set on a usage error.
bool Parse(int argc, char** argv, Options* options, std::string* error) {
    for (int i = 0; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](std::string* into) {
            if (i + 1 >= argc) return *error = arg + " needs a value", false;
            *into = argv[++i];
            return true;
        };
        std::string text;
        uint64_t number = 0;
        if (arg == "--strictness") {
            if (!value(&text)) return false;
            if (!ParseNumber(text, &number) || number < 1 || number > 10) return *error = "--strictness takes 1 to 10", false;
            options->strictness = static_cast<int>(number);
        } else if (arg == "--seed") {
            if (!value(&text)) return false;
            if (!ParseNumber(text, &options->seed)) return *error = "--seed takes a non-negative number", false;
            options->seed_given = true;
        } else if (arg == "--timeout") {
            if (!value(&text)) return false;
            if (!ParseNumber(text, &number) || number < 1 || number > 86400) return *error = "--timeout takes seconds", false;
            options->timeout = static_cast<int>(number);
        } else if (arg == "--only") {
            if (!value(&text)) return false;
            for (size_t start = 0; start <= text.size();) {
                size_t comma = text.find(',', start);
                std::string id = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
                if (!id.empty()) options->only.push_back(id);
                if (comma == std::string::npos) break;
                start = comma + 1;
            }
        } else if (arg == "--json") {
            if (!value(&options->json)) return false;
        } else if (arg == "--list") {
            options->list = true;
        } else if (arg == "--child") {
            if (!value(&options->child)) return false;
        } else if (!arg.empty() && arg[0] == '-') {
            return *error = "unknown option " + arg, false;
        } else if (options->file.empty()) {
            options->file = arg;
        } else {
            return *error = "one plug-in file at a time", false;
        }
    }
    if (!options->list && options->file.empty()) return *error = "no plug-in file", false;
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

}  // namespace

void Note(std::string text) { g_note = std::move(text); }

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
            std::printf("%s\n(--list prints the checks, the strictness each starts at and what it proves)\n", kUsage);
            return 0;
        }
    }
    Options options;
    std::string error;
    if (!Parse(argc, argv, &options, &error)) {
        std::fprintf(stderr, "pellucid-host validate: %s\n%s\n", error.c_str(), kUsage);
        return 2;
    }
    if (options.list) {
        List();
        return 0;
    }
    if (!options.child.empty()) return RunInChild(options);
    if (!options.seed_given) options.seed = std::random_device()() % 1000000000u;

    std::vector<Result> results;
    int passed = 0, failed = 0;
    for (const Check& check : AllChecks()) {
        if (!Selected(options, check)) continue;
        Result result = check.level > options.strictness
                            ? Result{&check, "skipped", "", "starts at strictness " + std::to_string(check.level)}
                            : RunCheck(options, check);
        passed += result.outcome == "passed" ? 1 : 0;
        failed += Failed(result) ? 1 : 0;
        std::printf("%s\n", ReportLine(options, result).c_str());
        std::fflush(stdout);
        results.push_back(std::move(result));
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    if (!options.json.empty() && !WriteJson(options, results, passed, failed)) {
        std::fprintf(stderr, "pellucid-host validate: cannot write %s\n", options.json.c_str());
        return 2;
    }
    return failed == 0 ? 0 : 1;
}

}  // namespace host::validate

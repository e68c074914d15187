// What validate says of each check it ran, and the forms it says it in: a line for a
// person, JSON, and JUnit XML for a CI server.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "host/validate/check.h"

namespace host::validate {

// How a check ended: each run of a check ends as exactly one of these.
enum class Outcome {
    kPassed,
    kWarning,   // passed, but bent a host rule that real hosts forgive (the rule says which)
    kFailed,    // the broken rule and what was seen
    kCrashed,   // the child ended by a signal or an exception, or without its own verdict
    kTimedOut,  // the child ran past its time and was killed
    kSkipped,   // not run here: the reason says why
};
constexpr Outcome kOutcomes[] = {Outcome::kPassed,  Outcome::kFailed,   Outcome::kSkipped,
                                 Outcome::kWarning, Outcome::kCrashed, Outcome::kTimedOut};

// "passed", "warning", "failed", "crashed", "timed out", "skipped": the word of the report
// lines, the JSON and the closing line.
const char* Word(Outcome outcome);
// The outcome a word names; false when it names none.
bool OutcomeOfWord(const std::string& word, Outcome* outcome);

// Every text of a result that came from the child (what was seen, its steps, calls and
// output) has its control characters and any byte outside UTF-8 made visible
// (VisibleText), so that it can be shown on a terminal and written into XML as it is.
struct Result {
    const Check* check = nullptr;
    int round = 1;
    uint64_t seed = 0;
    Outcome outcome = Outcome::kCrashed;
    std::string rule;    // of a failure or a warning: the rule id
    std::string detail;  // what was seen, why skipped, how it crashed
    double seconds = 0;  // how long the child ran
    std::vector<std::string> notes;       // what the check measured
    std::map<std::string, long> tallies;  // what the check counted, by name
    // Of a crash or a timeout: the check's last step, where the crash happened, and the
    // plug-in's last host calls before it.
    std::string step;
    std::string where;
    std::vector<std::string> calls;
    std::vector<std::string> output;  // the last lines that the child printed
};

// The counts of a run, by outcome.
struct Counts {
    std::map<Outcome, int> of;
    void Add(Outcome outcome) { ++of[outcome]; }
    int operator[](Outcome outcome) const {
        auto found = of.find(outcome);
        return found == of.end() ? 0 : found->second;
    }
    int Total() const;
};

struct RunInfo {
    std::string file;
    int strictness = 5;
    std::vector<uint64_t> seeds;  // the seed of each round
    bool warnings_fail = false;
};

// Whether the result makes the run fail: a failure, a crash, a timeout, and a warning with
// `warnings_fail`.
bool Fails(const Result& result, bool warnings_fail);

// The report's line of one result: "documents.round-trip   failed (seed 7) [...]: ...",
// followed, for one that made the run fail, by its step, its last host calls and the
// plug-in's last output lines, each indented on a line of its own.
std::string ReportText(const Result& result, int rounds);
// "22 passed, 1 failed, 5 skipped, 0 warnings, 1 crashed, 0 timed out"
std::string ClosingLine(const Counts& counts);

std::string JsonReport(const RunInfo& run, const std::vector<Result>& results, const Counts& counts);
std::string JUnitReport(const RunInfo& run, const std::vector<Result>& results, const Counts& counts);

}  // namespace host::validate

// The checks of pellucid-host validate: each has a stable id, a one-line description, the
// strictness it starts at and a body that runs in a child process of its own.
//
// A body proves one thing about the plug-in file through its exports alone. It returns
// when the thing holds, and throws Failure (the broken rule and what was seen) or Skip
// (why it cannot be told here) when it does not; a crash or a hang of the plug-in ends
// the child, and the parent reports that instead. Failure and Skip are thrown only from
// the validator's own frames, never from a host function or an action that the plug-in
// called into, so that no exception crosses the plug-in's C boundary.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace host::validate {

// What a check runs with.
struct Setting {
    std::string plugin_file;
    int strictness = 5;  // 1 .. 10
    uint64_t seed = 0;   // the random checks draw from it, and only from it

    // `at_1` at strictness 1, growing in proportion to `at_10` at strictness 10.
    int Scaled(int at_1, int at_10) const { return at_1 + (at_10 - at_1) * (strictness - 1) / 9; }
};

struct Failure {
    std::string rule;  // "widget.unknown-id", "lifecycle.window-shown", ...
    std::string seen;  // one line
};

struct Skip {
    std::string reason;
};

[[noreturn]] inline void Fail(std::string rule, std::string seen) { throw Failure{std::move(rule), std::move(seen)}; }
inline void Require(bool holds, const char* rule, const std::string& seen) {
    if (!holds) Fail(rule, seen);
}

// A line a passing check adds to its report: what it measured.
void Note(std::string text);

// The strictness from which the checks of a host that is not polite run: hostile option
// arrays, actions inside message boxes, events raised inside widget calls, closed
// documents, reused ids, handlers called after their widget is gone.
constexpr int kHostileLevel = 5;

struct Check {
    const char* id;
    const char* description;
    int level;    // the strictness it starts at
    bool random;  // draws from the seed
    void (*run)(const Setting& setting);
};

// Every check, grouped by subject, in the order they run.
const std::vector<Check>& AllChecks();

// The checks of each group (checks_*.cpp), gathered by AllChecks.
std::vector<Check> FileChecks();
std::vector<Check> BoundaryChecks();
std::vector<Check> EventChecks();
std::vector<Check> WidgetChecks();
std::vector<Check> RoundTripChecks();
std::vector<Check> ReentryChecks();
std::vector<Check> CycleChecks();
std::vector<Check> GestureChecks();

}  // namespace host::validate

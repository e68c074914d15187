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

// The id of a finding of validate's own, "group/what" ("lifecycle/window-still-shown"):
// the slash tells it from the host's rule ids ("widget.unknown-id", host/rules.h), and an
// id without one does not compile.
class FindingId {
public:
    consteval FindingId(const char* id) : id_(id) {
        bool slash = false;
        for (const char* c = id; *c != 0; ++c) slash = slash || *c == '/';
        if (!slash) throw "a finding of validate's own is named group/what";
    }
    const char* id() const { return id_; }

private:
    const char* id_;
};

struct Failure {
    std::string rule;  // a host rule's id ("widget.unknown-id") or a FindingId ("lifecycle/no-window")
    std::string seen;  // one line
};

struct Skip {
    std::string reason;
};

[[noreturn]] inline void Fail(FindingId rule, std::string seen) { throw Failure{rule.id(), std::move(seen)}; }
inline void Require(bool holds, FindingId rule, const std::string& seen) {
    if (!holds) Fail(rule, seen);
}
// A failure under a rule of the host that the plug-in broke, by the rule id its breach has.
[[noreturn]] inline void FailOnHostRule(std::string rule_id, std::string seen) {
    throw Failure{std::move(rule_id), std::move(seen)};
}
// A rule of the host that real hosts forgive was bent: the check goes on, and ends as a
// warning naming the first such rule when nothing else went wrong.
void Warn(const std::string& rule_id, const std::string& seen);

// A line a check adds to its report: what it measured. Notes are kept in order.
void Note(std::string text);
// A count a check adds to its report under `name` ("box.exit-inside", 3): how often it met
// something, summed when the same name is counted again.
void Tally(const std::string& name, long count = 1);
// The step of the check that runs now, in a few words ("gesture 17: a click on #3"): a
// crash or a hang is reported in the last step named.
void Step(std::string what);
// Where in a long check its steps are ("step 17 of 944"): the steps named after it are
// reported as "step 17 of 944: a click on #3".
void StepContext(std::string where);

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
    // How heavy it is: 1 for a check of fixed work, more for one whose counts grow with the
    // strictness. Its timeout is two minutes a unit at strictness 5, half as much again at 10.
    int weight = 1;
    // The group it belongs to: its id up to the first '.'.
    std::string Group() const { return std::string(id).substr(0, std::string(id).find('.')); }
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

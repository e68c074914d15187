#include "host/validate/report.h"

#include <algorithm>
#include <cstdio>

#include <nlohmann/json.hpp>
#include <pugixml.hpp>

#include "host/records/value_text.h"

namespace host::validate {
namespace {

struct OutcomeName {
    Outcome outcome;
    const char* word;
};
constexpr OutcomeName kWords[] = {
    {Outcome::kPassed, "passed"},   {Outcome::kWarning, "warning"},    {Outcome::kFailed, "failed"},
    {Outcome::kCrashed, "crashed"}, {Outcome::kTimedOut, "timed out"}, {Outcome::kSkipped, "skipped"},
};

bool EndedBadly(Outcome outcome) { return outcome == Outcome::kCrashed || outcome == Outcome::kTimedOut; }

// The key under which the JSON keeps a result's detail.
const char* DetailKey(Outcome outcome) {
    switch (outcome) {
    case Outcome::kSkipped: return "reason";
    case Outcome::kPassed: return "note";
    default: return "seen";
    }
}

std::string Seconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", seconds);
    return text;
}

// What the check measured and counted, one item a line.
std::string NotesText(const Result& result) {
    std::string text;
    for (const std::string& note : result.notes) text += note + "\n";
    for (const auto& [name, count] : result.tallies) text += name + ": " + std::to_string(count) + "\n";
    return text;
}

}  // namespace

const char* Word(Outcome outcome) {
    for (const OutcomeName& name : kWords) {
        if (name.outcome == outcome) return name.word;
    }
    return "?";
}

bool OutcomeOfWord(const std::string& word, Outcome* outcome) {
    for (const OutcomeName& name : kWords) {
        if (word == name.word) return *outcome = name.outcome, true;
    }
    return false;
}

int Counts::Total() const {
    int total = 0;
    for (const auto& [outcome, count] : of) total += count;
    return total;
}

bool Fails(const Result& result, bool warnings_fail) {
    return result.outcome == Outcome::kFailed || EndedBadly(result.outcome) ||
           (warnings_fail && result.outcome == Outcome::kWarning);
}

std::string ReportText(const Result& result, int rounds) {
    std::string line = result.check->id;
    if (rounds > 1) line += " #" + std::to_string(result.round);
    line.resize(std::max<size_t>(line.size() + 1, 32), ' ');
    line += Word(result.outcome);
    if (result.check->random && result.outcome != Outcome::kSkipped) line += " (seed " + std::to_string(result.seed) + ")";
    if (!result.rule.empty()) line += " [" + result.rule + "]";
    if (!result.detail.empty()) line += ": " + result.detail;
    if (!result.where.empty()) line += " at " + result.where;
    for (const std::string& note : result.notes) {
        if (note != result.detail) line += "\n    " + note;
    }
    if (!result.tallies.empty()) {
        line += "\n    counted:";
        for (const auto& [name, count] : result.tallies) line += " " + name + " " + std::to_string(count);
    }
    if (result.outcome == Outcome::kPassed || result.outcome == Outcome::kSkipped) return line;
    if (EndedBadly(result.outcome) && !result.step.empty()) line += "\n    in step: " + result.step;
    if (!result.calls.empty()) {
        line += "\n    the plug-in's last " + std::to_string(result.calls.size()) + " host calls:";
        for (const std::string& call : result.calls) line += "\n      " + call;
    }
    if (!result.output.empty()) {
        line += "\n    what it printed (last " + std::to_string(result.output.size()) + " lines):";
        for (const std::string& output : result.output) line += "\n    | " + output;
    }
    return line;
}

std::string ClosingLine(const Counts& counts) {
    std::string line;
    for (Outcome outcome : kOutcomes) {
        int count = counts[outcome];
        const char* word = Word(outcome);
        if (!line.empty()) line += ", ";
        line += std::to_string(count) + " " + (outcome == Outcome::kWarning && count != 1 ? "warnings" : word);
    }
    return line;
}

std::string JsonReport(const RunInfo& run, const std::vector<Result>& results, const Counts& counts) {
    nlohmann::ordered_json report;
    report["plugin"] = run.file;
    report["strictness"] = run.strictness;
    report["seed"] = run.seeds.front();
    if (run.seeds.size() > 1) report["seeds"] = run.seeds;
    report["checks"] = nlohmann::ordered_json::array();
    for (const Result& result : results) {
        nlohmann::ordered_json check;
        check["id"] = result.check->id;
        check["group"] = result.check->Group();
        check["description"] = result.check->description;
        check["level"] = result.check->level;
        if (run.seeds.size() > 1) check["round"] = result.round;
        check["outcome"] = Word(result.outcome);
        if (result.check->random) check["seed"] = result.seed;
        if (!result.rule.empty()) check["rule"] = result.rule;
        if (!result.detail.empty()) check[DetailKey(result.outcome)] = result.detail;
        if (result.outcome != Outcome::kSkipped) check["seconds"] = result.seconds;
        if (!result.notes.empty()) check["notes"] = result.notes;
        if (!result.tallies.empty()) check["counts"] = result.tallies;
        if (!result.step.empty()) check["step"] = result.step;
        if (!result.where.empty()) check["where"] = result.where;
        if (!result.calls.empty()) check["calls"] = result.calls;
        if (!result.output.empty()) check["output"] = result.output;
        report["checks"].push_back(check);
    }
    // The counts under keys a program names plainly: "warnings", "timed_out".
    for (Outcome outcome : kOutcomes) {
        std::string key = outcome == Outcome::kWarning ? "warnings" : Word(outcome);
        std::replace(key.begin(), key.end(), ' ', '_');
        report[key] = counts[outcome];
    }
    report["warnings_fail"] = run.warnings_fail;
    return report.dump(2) + "\n";
}

std::string JUnitReport(const RunInfo& run, const std::vector<Result>& results, const Counts& counts) {
    // A warning is a failure to CI only when the run counts it as one.
    int failures = counts[Outcome::kFailed] + (run.warnings_fail ? counts[Outcome::kWarning] : 0);
    int errors = counts[Outcome::kCrashed] + counts[Outcome::kTimedOut];
    double total_seconds = 0;
    for (const Result& result : results) total_seconds += result.seconds;

    pugi::xml_document document;
    pugi::xml_node declaration = document.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "UTF-8";
    pugi::xml_node suites = document.append_child("testsuites");
    pugi::xml_node suite = suites.append_child("testsuite");
    for (pugi::xml_node node : {suites, suite}) {
        node.append_attribute("name") = "pellucid-host validate";
        node.append_attribute("tests") = counts.Total();
        node.append_attribute("failures") = failures;
        node.append_attribute("errors") = errors;
        node.append_attribute("skipped") = counts[Outcome::kSkipped];
        node.append_attribute("time") = Seconds(total_seconds).c_str();
    }
    pugi::xml_node properties = suite.append_child("properties");
    auto property = [&](pugi::xml_node into, const std::string& name, const std::string& value) {
        pugi::xml_node node = into.append_child("property");
        node.append_attribute("name") = name.c_str();
        node.append_attribute("value") = VisibleText(value).c_str();
    };
    property(properties, "file", run.file);
    property(properties, "strictness", std::to_string(run.strictness));
    property(properties, "seed", std::to_string(run.seeds.front()));
    for (size_t round = 1; round < run.seeds.size(); ++round) {
        property(properties, "seed of round " + std::to_string(round + 1), std::to_string(run.seeds[round]));
    }

    for (const Result& result : results) {
        pugi::xml_node testcase = suite.append_child("testcase");
        std::string name = result.check->id;
        if (run.seeds.size() > 1) name += " #" + std::to_string(result.round);
        testcase.append_attribute("classname") = result.check->Group().c_str();
        testcase.append_attribute("name") = name.c_str();
        testcase.append_attribute("time") = Seconds(result.seconds).c_str();
        if (result.check->random || result.outcome == Outcome::kWarning) {
            pugi::xml_node own = testcase.append_child("properties");
            if (result.check->random) property(own, "seed", std::to_string(result.seed));
            if (result.outcome == Outcome::kWarning) property(own, "warning", result.rule);
        }
        std::string message = result.rule.empty() ? result.detail : "[" + result.rule + "] " + result.detail;
        if (!result.where.empty()) message += " at " + result.where;
        const char* element = result.outcome == Outcome::kFailed ? "failure"
                              : EndedBadly(result.outcome)       ? "error"
                              : result.outcome == Outcome::kSkipped ? "skipped"
                              : result.outcome == Outcome::kWarning && run.warnings_fail ? "failure"
                                                                                          : nullptr;
        if (element != nullptr) {
            pugi::xml_node node = testcase.append_child(element);
            node.append_attribute("message") = message.c_str();
            if (result.outcome != Outcome::kSkipped) {
                node.append_attribute("type") = (result.rule.empty() ? Word(result.outcome) : result.rule.c_str());
                // The full report of the result, as the text report gives it.
                node.text() = ReportText(result, static_cast<int>(run.seeds.size())).c_str();
            }
        }
        std::string out = NotesText(result);
        for (const std::string& line : result.output) out += line + "\n";
        if (!out.empty()) testcase.append_child("system-out").text() = out.c_str();
    }
    struct Writer : pugi::xml_writer {
        std::string text;
        void write(const void* data, size_t size) override { text.append(static_cast<const char*>(data), size); }
    } writer;
    document.save(writer, "  ", pugi::format_default | pugi::format_no_declaration, pugi::encoding_utf8);
    return writer.text;
}

}  // namespace host::validate

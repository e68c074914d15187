// The register of breaches of the host's rules: every request of the plug-in that broke a
// rule of the host (a widget id that names nothing, an XML operation the host does not
// have, a handle of a closed document), whichever host function it came through.
//
// Each breach carries a stable rule id ("widget.unknown-id"), the call that broke it as
// the journal shows calls ("MQWidget_Value(7, SetValue 0x302)"), and one line of prose for
// people. Programs and tests match breaches by rule id; the prose may be reworded. A host
// function that meets a breach records it and answers as if it had nothing to give, so
// the caller's preset stands; it never crashes on a bad request.
//
// A run of the plug-in that is correct leaves the register empty. Every test fixture and
// fuzz target requires that; a test that breaks rules on purpose takes its breaches out.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace host {

struct Breach {
    std::string rule_id;  // "widget.unknown-id"
    std::string call;     // "MQWidget_Value(7, SetValue 0x302)"
    std::string detail;   // "widget 7 does not exist"

    // "MQWidget_Value(7, SetValue 0x302): widget 7 does not exist [widget.unknown-id]"
    std::string Text() const;
    // "widget.unknown-id MQWidget_Value(7, SetValue 0x302)": what a test matches.
    std::string IdAndCall() const;
};

class Breaches {
public:
    void Report(std::string rule_id, std::string call, std::string detail);

    const std::vector<Breach>& All() const { return breaches_; }
    bool Empty() const { return breaches_.empty(); }
    // How many breaches of the rule `rule_id` were reported.
    size_t Count(const std::string& rule_id) const;
    // Every breach as Text(), one a line; "" when there is none.
    std::string Text() const;
    // Takes every breach out, leaving the register empty.
    std::vector<Breach> Take();
    // Takes every breach out and returns them as IdAndCall(), one a line.
    std::string TakeIdsAndCalls();
    void Clear() { breaches_.clear(); }

    // Each breach is also written, as it is reported, as one line "pellucid-host: <Text()>"
    // on `stream`: standard error at first, nothing with null. Not changed by Clear.
    void EchoTo(std::FILE* stream) { echo_ = stream; }

private:
    std::vector<Breach> breaches_;
    std::FILE* echo_ = stderr;
};

// The register of the running host; emptied by ResetHost.
Breaches& TheBreaches();

}  // namespace host

// The stand-in host's journal: every host function the plug-in calls, in order, with its
// arguments, so that tests can assert on orders and counts.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "host/records/value_text.h"

namespace host {

struct HostCall {
    std::string function;
    std::vector<std::string> args;  // each argument as text; option arrays as {key: value, ...}

    // "function(arg, arg, ...)"
    std::string Text() const;
};

// The arguments of one call, each as text.
using CallArgs = std::vector<std::string>;

class Journal {
public:
    // Adds the call, unless recording is switched off.
    void Record(std::string function, CallArgs args = {});
    // Adds the call with the arguments `format()` returns, and calls `format` only while
    // recording, so that a host function pays for the text of its arguments only when
    // somebody keeps it:
    //   journal.Record("MQDoc_GetObject", [&] { return CallArgs{PointerText(d), std::to_string(i)}; });
    template <typename Format>
    void Record(std::string_view function, Format format) {
        if (recording_) Record(std::string(function), CallArgs(format()));
    }
    // Recording is on from the start and after ResetHost. Switching it off lets a program
    // run the host over a million objects without keeping a million calls; host functions
    // ask Recording() before they format their arguments, so an idle journal costs nothing.
    void SetRecording(bool on) { recording_ = on; }
    bool Recording() const { return recording_; }
    // Keeps only the latest `calls` calls, the older ones counted in Dropped(); 0, the
    // default and after ResetHost, keeps every call. A program that records for its user
    // bounds the journal so that a long session does not grow with every click.
    void SetLimit(size_t calls);
    size_t Limit() const { return limit_; }
    // The calls let go of under the limit since the last Clear.
    size_t Dropped() const;
    // The calls kept, oldest first.
    const std::vector<HostCall>& Calls() const;
    // The calls of one function, in order.
    std::vector<HostCall> Of(std::string_view function) const;
    size_t Count(std::string_view function) const;
    void Clear() {
        calls_.clear();
        dropped_ = 0;
    }
    // The whole journal, one call a line.
    std::string Text() const;

private:
    // Under a limit the journal holds up to twice the limit before it lets go of the
    // oldest, so that recording stays amortised constant; readers see the limit kept.
    void Trim() const;

    mutable std::vector<HostCall> calls_;
    mutable size_t dropped_ = 0;
    size_t limit_ = 0;
    bool recording_ = true;
};

// The journal of the running host.
Journal& TheJournal();

}  // namespace host

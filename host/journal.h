// The stand-in host's journal: every host function the plug-in calls, in order, with its
// arguments, so that tests can assert on orders and counts.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace host {

struct HostCall {
    std::string function;
    std::vector<std::string> args;  // each argument as text; option arrays as {key: value, ...}

    // "function(arg, arg, ...)"
    std::string Text() const;
};

class Journal {
public:
    void Record(std::string function, std::vector<std::string> args = {});
    const std::vector<HostCall>& Calls() const { return calls_; }
    // The calls of one function, in order.
    std::vector<HostCall> Of(std::string_view function) const;
    size_t Count(std::string_view function) const;
    void Clear() { calls_.clear(); }
    // The whole journal, one call a line.
    std::string Text() const;

private:
    std::vector<HostCall> calls_;
};

// The journal of the running host.
Journal& TheJournal();

// Formats an untyped pointer or handle as the journal shows it: "null" or "0x...".
std::string PointerText(const void* pointer);

}  // namespace host

// The stand-in host's journal: every host function the plug-in calls, in order, with its
// arguments, so that tests can assert on orders and counts.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
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

// An argument that is a handle or a number, kept as its value: its text is the same
// whenever it is made, so the journal makes it only for the calls it still keeps when
// somebody reads them.
class CallValue {
public:
    CallValue() = default;
    CallValue(const void* handle) : kind_(kHandle), bits_(reinterpret_cast<uintptr_t>(handle)) {}
    CallValue(int32_t number) : kind_(kSigned), bits_(static_cast<uint64_t>(static_cast<int64_t>(number))) {}
    CallValue(uint32_t number) : kind_(kUnsigned), bits_(number) {}
    // "null" or "0x..." for a handle, the number in decimal otherwise.
    std::string Text() const;

private:
    enum Kind : uint8_t { kHandle, kSigned, kUnsigned };
    Kind kind_ = kHandle;
    uint64_t bits_ = 0;
};

class Journal {
public:
    // The most arguments a call recorded by value has.
    static constexpr size_t kMaxValues = 3;

    // Adds the call, unless recording is switched off.
    void Record(std::string function, CallArgs args = {});
    // Adds the call with the arguments `format()` returns, and calls `format` only while
    // recording, so that a host function pays for the text of its arguments only when
    // somebody keeps it:
    //   journal.Record("MQWidget_Value", [&] { return CallArgs{...}; });
    template <typename Format>
    void Record(std::string_view function, Format format) {
        if (recording_) Record(std::string(function), CallArgs(format()));
    }
    // Adds a call whose arguments are all handles and numbers. Its text is made when the
    // journal is read, and never for a call let go of under the limit first: a click on a
    // big scene makes millions of these, of which a bounded journal keeps a few hundred.
    // `function` must outlive the journal (a string literal).
    template <typename... Values>
    void RecordValues(const char* function, const Values&... values) {
        static_assert(sizeof...(Values) <= kMaxValues, "more arguments than a call by value keeps");
        if (recording_) AddPending(function, {CallValue(values)...}, sizeof...(Values));
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
        pending_.clear();
        dropped_ = 0;
    }
    // The whole journal, one call a line.
    std::string Text() const;

private:
    // A call recorded by value, whose place in calls_ holds an empty call until it is read.
    struct Pending {
        size_t at;  // its index in calls_
        const char* function;
        std::array<CallValue, kMaxValues> values;
        size_t count;
    };

    void AddPending(const char* function, std::array<CallValue, kMaxValues> values, size_t count);
    // Under a limit the journal holds up to twice the limit before it lets go of the
    // oldest, so that recording stays amortised constant; readers see the limit kept.
    void Trim() const;
    // Trims, then puts the pending calls that are left into words.
    void Settle() const;

    mutable std::vector<HostCall> calls_;
    mutable std::vector<Pending> pending_;  // in the order of `at`
    mutable size_t dropped_ = 0;
    size_t limit_ = 0;
    bool recording_ = true;
};

// The journal of the running host.
Journal& TheJournal();

}  // namespace host

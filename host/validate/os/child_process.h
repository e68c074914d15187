// Running the program itself again as a child, with its standard output and error caught
// in a file, for at most a given time, and a channel of its own back to the parent.
//
// The channel is a file that the parent opens and the child inherits as a descriptor (on
// Windows a handle) whose number it is given on its command line: never its standard
// output or error, so that nothing a plug-in prints, closes or redirects there reaches it.
// Only the child's own code writes to it, one record a line.
#pragma once

#include <string>
#include <vector>

namespace host::validate {

struct ChildEnd {
    enum Kind { kExited, kCrashed, kTimedOut, kNotStarted };
    Kind kind = kNotStarted;
    unsigned long code = 0;  // the exit code, the signal, or the Windows exception code
    std::string output;      // what it wrote on its standard output and error
    std::string channel;     // what it wrote on its channel
    double seconds = 0;      // how long it ran
};

// Starts the running program with `arguments`, then the option `channel_option` with the
// channel's number, and waits for it. A child still running after `timeout_seconds` is
// asked to report where it is (on Linux; it has a second for that) and killed.
ChildEnd RunProgramAgain(const std::vector<std::string>& arguments, const char* channel_option, int timeout_seconds);

// In the parent, before the first child starts: the environment every child inherits, so
// that the C library's heap scribbles over what is freed where it can (glibc's
// MALLOC_PERTURB_ and MALLOC_CHECK_). Answers what it set, for the report, or "".
std::string PrepareChildEnvironment();

// How a crash of a child is named: "signal 11 (Segmentation fault)", "exception 0xC0000005".
std::string CrashName(unsigned long code);

// ---- In the child ---------------------------------------------------------------------------

// "key\tvalue\n", tabs and line breaks in `value` folded into spaces: one record.
inline std::string ChannelRecord(const char* key, const std::string& value) {
    std::string record = key;
    record += '\t';
    for (char c : value) record += c == '\n' || c == '\r' || c == '\t' ? ' ' : c;
    return record += '\n';
}

// Opens the channel the parent named; false when `number` names none.
bool OpenChannel(const std::string& number);
// Writes one record (ChannelRecord) to the channel.
void ToParent(const char* key, const std::string& value);

// What the child says of itself when it crashes or is asked where it hangs: its step and
// last host calls, as channel records through ToParent.
using LastWordsFn = void();

// A crash ends the process with its signal or exception code, quietly, without the
// system's crash dialogue or debugger, after the crash's place ("where": module+offset and
// the function when the file names it) and `last_words` went to the parent.
void EndQuietlyOnCrash(LastWordsFn* last_words);

}  // namespace host::validate

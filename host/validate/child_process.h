// Running the program itself again as a child, with its standard output and error caught
// in a file, for at most a given time.
#pragma once

#include <string>
#include <vector>

namespace host::validate {

struct ChildEnd {
    enum Kind { kExited, kCrashed, kTimedOut, kNotStarted };
    Kind kind = kNotStarted;
    unsigned long code = 0;  // the exit code, the signal, or the Windows exception code
    std::string output;      // what it wrote on its standard output and error
};

// Starts the running program with `arguments` and waits for it; a child still running
// after `timeout_seconds` is killed.
ChildEnd RunProgramAgain(const std::vector<std::string>& arguments, int timeout_seconds);

// How a crash of a child is named: "signal 11 (Segmentation fault)", "exception 0xC0000005".
std::string CrashName(unsigned long code);

// In the child: a crash ends the process with its signal or exception code, quietly,
// without the system's crash dialogue or debugger.
void EndQuietlyOnCrash();

}  // namespace host::validate

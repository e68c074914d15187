// pellucid-host validate: a conformance and stress suite for station plug-ins, run on any
// plug-in file through its exports, as a host loads it.
//
//   pellucid-host validate FILE [--strictness 1..10] [--seed N] [--only ID,...]
//                               [--json FILE] [--timeout SECONDS]
//   pellucid-host validate --list
//
// Each check runs in a child process, the program started again with --child; a crash
// or a hang ends only that child. The report is one line per check, then the line
// "N passed, M failed"; the exit status is 0 when no check failed, crashed or timed out,
// 1 when one did and 2 for a usage error.
#pragma once

namespace host::validate {

// The arguments after "validate".
int Main(int argc, char** argv);

}  // namespace host::validate

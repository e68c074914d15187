// pellucid-host serve: the stand-in host's session served as a page on the loopback
// address, for a person to click what a modeller clicks.
#pragma once

namespace host::serve {

// `pellucid-host serve [--port N] [--settings FILE] [--plugin FILE] [SCENE]`, with the
// arguments after "serve". Prints the address to open, serves until interrupted (Ctrl+C
// or SIGTERM), then ends the session as quit does. Returns the program's exit code.
int Main(int argc, char** argv);

}  // namespace host::serve

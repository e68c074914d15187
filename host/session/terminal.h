// The user's terminal as pellucid-host reads it: whole lines, Ctrl+C as a cancel rather
// than the end of the program, and on a Windows console the text as the console holds it.
#pragma once

#include <iosfwd>
#include <memory>
#include <string>

namespace host {

// From now on Ctrl+C interrupts the line being read instead of ending the program: a
// SIGINT handler without SA_RESTART on POSIX, a console control handler on Windows. On a
// Windows console it also makes the console show the UTF-8 that the program prints.
void WatchTheTerminal();

enum class LineRead {
    kLine,         // a line was read, without its line break
    kInterrupted,  // Ctrl+C: the line typed so far is dropped, the stream can be read again
    kEnd,          // the end of the input
};

// Reads one line of UTF-8 from `in`. When `in` is std::cin and the standard input is a
// Windows console, reads the console's UTF-16 and converts it, so that what is typed
// arrives as typed whatever the console's code page.
LineRead ReadLine(std::istream& in, std::string* line);

// True when Ctrl+C was pressed since the last call (or the last interrupted read); a
// script run asks between commands.
bool TakeInterrupt();

// The script `file` opened for ReadLine, or null with `error` set (the system's reason).
// A read of it that waits (on a pipe, a terminal, a slow disk) ends at once at Ctrl+C as
// kInterrupted, where the standard file streams would retry it and wait on for the next
// line.
std::unique_ptr<std::istream> OpenScript(const std::string& file, std::string* error);

}  // namespace host

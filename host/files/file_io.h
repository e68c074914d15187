// Reading and writing the stand-in host's files: whole files in, and whole files out
// atomically, so that an interrupted write never leaves a damaged file behind.
#pragma once

#include <string>

namespace host {

// Reads all of `file` into `content`; false with `error` set (the system's reason) when it
// cannot be read.
bool ReadWholeFile(const std::string& file, std::string* content, std::string* error);

// Writes `content` to "<file>.tmp", flushes it to the disk and renames it over `file`, so
// that `file` is at every moment either the old one or the new one, whole. False with
// `error` set, and `file` untouched, when any step fails.
bool WriteFileAtomically(const std::string& file, const std::string& content, std::string* error);

}  // namespace host

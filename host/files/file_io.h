// Reading and writing the stand-in host's files: whole files in, and whole files out the
// way a careful editor writes a person's file, so that an interrupted write never leaves a
// damaged file behind and a write never changes what the file was beyond its contents.
#pragma once

#include <string>

namespace host {

// Reads all of `file` into `content`; false with `error` set (the system's reason) when it
// cannot be read.
bool ReadWholeFile(const std::string& file, std::string* content, std::string* error);

// Writes `content` as the new contents of `file`, the one way the host writes a file:
// - a symbolic link is followed, to its end, and its target is written; the link stays;
// - the data goes into "<target>.tmp" beside the target, is flushed to the disk and
//   renamed over the target, so that the target is at every moment either the old file
//   or the new one, whole;
// - an existing target keeps its permission bits, and its owner and group where the
//   system lets this process give them;
// - a target that this user may not write, or that is marked read-only (no write bit for
//   its owner; the read-only attribute on Windows), is refused and left alone, as is a
//   file kept by KeepUnwritten and anything that is not a plain file.
// False with `error` set to one line, and the target untouched, when any step fails; a
// refusal says why and that another file can be named.
bool WriteFileAtomically(const std::string& file, const std::string& content, std::string* error);

// Why WriteFileAtomically would not write `file`, "" when it would: the refusals above,
// or a folder where the temporary cannot be made (tried by making and removing it).
std::string WhyNotWritable(const std::string& file);

// From now on, `file` is never written by WriteFileAtomically, under whatever name it is
// reached: it is known by its identity (device and inode; volume and file id on Windows),
// so another spelling of its path, a symbolic link to it or a hard link of it is refused
// too. `what` completes the refusal's "<name> is ...", as in "the bundled sample, which
// is kept as it is". A file that does not exist is not kept.
void KeepUnwritten(const std::string& file, const std::string& what);
// Whether `file` is a file kept by KeepUnwritten; `what`, when given, gets its description.
bool IsKeptUnwritten(const std::string& file, std::string* what = nullptr);
// Keeps no file any more; part of the host's reset.
void ForgetKeptFiles();

}  // namespace host

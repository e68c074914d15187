// What a module file says of itself, read from the file as the system's loader reads it:
// the names it exports and the libraries it needs. ELF files are read with libelf; PE
// files are mapped by the system's loader without running any of their code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace host::validate {

struct ModuleTable {
    std::vector<std::string> exports;  // the names of the symbols it defines for others
    std::vector<std::string> needs;    // the libraries it names to be loaded with it
};

// False with `error` set when the file cannot be read as a module of this platform.
bool ReadModuleTable(const std::string& file, ModuleTable* table, std::string* error);

// Whether `file` can be opened and is a module file of this platform that a host loads
// as a plug-in (an x86-64 ELF shared object; a 64-bit PE DLL); false with `error` saying
// what it is instead.
bool IsPluginFile(const std::string& file, std::string* error);

// The name of the function at `offset` from the start of the module file `file` as its
// symbols give it (demangled), or "" when the file names none there.
std::string FunctionAt(const std::string& file, uint64_t offset);

// Why the library `name` is one a plug-in may not need, or "" when it may: on Windows a
// DLL that is not part of the system (a compiler's runtime DLL above all), on Linux a
// library beyond the C and C++ runtimes (and the sanitizers' in a sanitizer build).
std::string ForeignDependency(const std::string& name);

}  // namespace host::validate

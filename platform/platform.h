// The few operating-system services the plug-in needs, behind one interface with a Win32
// and a POSIX implementation. Nothing above this layer tests the platform.
#pragma once

#include <cstdint>
#include <string>

#if defined(_WIN32)
#define WIDE(s) L##s
#else
#define WIDE(s) u##s
#endif

namespace platform {

// UTF-16 text as the host's widgets take it: wchar_t on Windows, char16_t elsewhere.
#if defined(_WIN32)
using WideChar = wchar_t;
#else
using WideChar = char16_t;
#endif
using WideString = std::basic_string<WideChar>;

// ---- Module loading ----------------------------------------------------------------

using Module = void*;

// The three loader calls that binding the host API makes. The plug-in goes through the
// loader in use, which tests may replace to count loads and releases.
struct ModuleLoader {
    Module (*load)(const char* file);               // adds a reference; null on failure
    void* (*find)(Module module, const char* name); // null when the name is not exported
    void (*release)(Module module);                 // drops the reference of one load
};

const ModuleLoader& SystemModuleLoader();
const ModuleLoader& ModuleLoaderInUse();
// Installs `loader` (null restores the system's) and returns the one it replaces.
const ModuleLoader* UseModuleLoader(const ModuleLoader* loader);

// The file name of the module that holds `address`, or "" when it cannot be told.
std::string ModuleFileOf(const void* address);
// The file name of the running program.
std::string ProgramFile();
// The folder of the running program with its trailing separator, so that a file name
// appended to it names a file beside the program; "" when the program's file is unknown.
std::string ProgramFolder();
// The ending of a loadable module's file name: ".dll" or ".so".
const char* ModuleSuffix();
// The system loader's own words for why the last load on this thread failed, "" when it
// has none; ask right after the failed load.
std::string LastModuleError();

// ---- Text ---------------------------------------------------------------------------

// Narrow encodings the plug-in converts between. `Ansi` is the system's ANSI code page on
// Windows and UTF-8 elsewhere.
enum class CodePage { Ansi, Utf8 };

// Whole-string conversions through UTF-16. Ill-formed input becomes U+FFFD; a conversion
// the platform cannot perform yields an empty string.
WideString ToWide(CodePage page, const char* text);
std::string FromWide(CodePage page, const WideChar* text);
// From one narrow encoding to the other, through UTF-16, with the same rules.
std::string Recode(CodePage from, CodePage to, const std::string& text);

// Reads a decimal integer as the C runtime's _wtoi does: leading white space, an optional
// sign, digits up to the first other character; no digits give 0; saturates at the
// 32-bit limits.
int32_t WideToInt(const WideChar* text);
// Formats `value` as "%d" into at most 64 wide characters.
WideString IntToWide(int32_t value);
// Formats "Plugin-%08X-%08X" into at most 64 bytes.
std::string SettingsSectionName(uint32_t product, uint32_t id);

// Sets the C runtime's character-type locale to the user's default.
void UseUserCharacterLocale();

// ---- Locking ------------------------------------------------------------------------

// A recursive lock: a critical section on Windows, a recursive mutex elsewhere.
class Lock {
public:
    Lock();
    ~Lock();
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
    void Enter();
    void Leave();

private:
    alignas(8) unsigned char storage_[64];
};

}  // namespace platform

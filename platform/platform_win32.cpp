// Win32 implementation of the platform layer: LoadLibraryA, the ANSI code page through
// MultiByteToWideChar and WideCharToMultiByte, critical sections and the C runtime.
#include <windows.h>

#include <clocale>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <vector>

#include "platform/platform.h"

namespace platform {
namespace {

Module LoadWithWin32(const char* file) {
    if (file == nullptr) return nullptr;
    return reinterpret_cast<Module>(LoadLibraryA(file));
}

void* FindWithWin32(Module module, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

void ReleaseWithWin32(Module module) { FreeLibrary(static_cast<HMODULE>(module)); }

UINT Win32CodePage(CodePage page) { return page == CodePage::Ansi ? CP_ACP : CP_UTF8; }

WideString FormatWide(const wchar_t* format, ...) {
    wchar_t buffer[64];
    va_list args;
    va_start(args, format);
    int written = vswprintf_s(buffer, 64, format, args);
    va_end(args);
    return written < 0 ? WideString() : WideString(buffer);
}

}  // namespace

const ModuleLoader& SystemModuleLoader() {
    static const ModuleLoader loader{LoadWithWin32, FindWithWin32, ReleaseWithWin32};
    return loader;
}

std::string ModuleFileOf(const void* address) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCSTR>(address), &module)) {
        return {};
    }
    char name[MAX_PATH];
    DWORD length = GetModuleFileNameA(module, name, MAX_PATH);
    return length == 0 || length >= MAX_PATH ? std::string() : std::string(name, length);
}

std::string ProgramFile() {
    char name[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, name, MAX_PATH);
    return length == 0 || length >= MAX_PATH ? std::string() : std::string(name, length);
}

const char* ModuleSuffix() { return ".dll"; }

// Both conversions ask for the length first, convert into a buffer of that length and
// hand the result back as a string; the lengths include the terminating zero.
WideString ToWide(CodePage page, const char* text) {
    if (text == nullptr) return {};
    UINT cp = Win32CodePage(page);
    int length = MultiByteToWideChar(cp, 0, text, -1, nullptr, 0);
    if (length <= 0) return {};
    std::vector<wchar_t> buffer(static_cast<size_t>(length));
    if (MultiByteToWideChar(cp, 0, text, -1, buffer.data(), length) <= 0) return {};
    return WideString(buffer.data());
}

std::string FromWide(CodePage page, const WideChar* text) {
    if (text == nullptr) return {};
    UINT cp = Win32CodePage(page);
    int length = WideCharToMultiByte(cp, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return {};
    std::vector<char> buffer(static_cast<size_t>(length));
    if (WideCharToMultiByte(cp, 0, text, -1, buffer.data(), length, nullptr, nullptr) <= 0) {
        return {};
    }
    return std::string(buffer.data());
}

int32_t WideToInt(const WideChar* text) { return text == nullptr ? 0 : _wtoi(text); }

WideString IntToWide(int32_t value) { return FormatWide(L"%d", value); }

std::string SettingsSectionName(uint32_t product, uint32_t id) {
    char name[64];
    sprintf_s(name, sizeof name, "Plugin-%08X-%08X", product, id);
    return name;
}

void UseUserCharacterLocale() { std::setlocale(LC_CTYPE, ""); }

static_assert(sizeof(CRITICAL_SECTION) <= 64, "lock storage too small");

Lock::Lock() { InitializeCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(storage_)); }
Lock::~Lock() { DeleteCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(storage_)); }
void Lock::Enter() { EnterCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(storage_)); }
void Lock::Leave() { LeaveCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(storage_)); }

std::string LastModuleError() {
    DWORD code = GetLastError();
    if (code == 0) return "";
    char* text = nullptr;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = length != 0 && text != nullptr ? std::string(text, length) : "";
    if (text != nullptr) LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' ' ||
                                message.back() == '.')) {
        message.pop_back();
    }
    return message.empty() ? "error " + std::to_string(code) : message + " (error " + std::to_string(code) + ")";
}

}  // namespace platform

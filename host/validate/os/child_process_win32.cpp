#include "host/validate/os/child_process.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/platform.h"

namespace host::validate {
namespace {

std::string Quoted(const std::string& argument) {
    std::string quoted = "\"";
    for (char c : argument) {
        if (c == '"') quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

// A temporary file that the child inherits and that goes when the last handle closes.
HANDLE TemporaryFile() {
    char folder[MAX_PATH], name[MAX_PATH];
    if (GetTempPathA(MAX_PATH, folder) == 0 || GetTempFileNameA(folder, "pvd", 0, name) == 0) return INVALID_HANDLE_VALUE;
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       &inherited, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
}

std::string ReadAll(HANDLE file) {
    std::string text;
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    char buffer[4096];
    DWORD count = 0;
    while (ReadFile(file, buffer, sizeof buffer, &count, nullptr) && count > 0) text.append(buffer, count);
    return text;
}

HANDLE g_channel = INVALID_HANDLE_VALUE;
LastWordsFn* g_last_words = nullptr;

// "pellucid.dll+0x1a2b3": the module that holds `address` and the offset into it.
std::string Place(const void* address) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<const char*>(address), &module)) {
        return "";
    }
    char file[MAX_PATH];
    DWORD length = GetModuleFileNameA(module, file, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return "";
    char offset[32];
    std::snprintf(offset, sizeof offset, "+0x%llx",
                  static_cast<unsigned long long>(static_cast<const char*>(address) - reinterpret_cast<const char*>(module)));
    return std::filesystem::path(file).filename().string() + offset;
}

LONG WINAPI EndWithExceptionCode(EXCEPTION_POINTERS* exception) {
    ToParent("where", Place(exception->ExceptionRecord->ExceptionAddress));
    if (g_last_words != nullptr) g_last_words();
    TerminateProcess(GetCurrentProcess(), exception->ExceptionRecord->ExceptionCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

ChildEnd RunProgramAgain(const std::vector<std::string>& arguments, const char* channel_option, int timeout_seconds) {
    ChildEnd end;
    HANDLE output = TemporaryFile();
    HANDLE channel = TemporaryFile();
    if (output == INVALID_HANDLE_VALUE || channel == INVALID_HANDLE_VALUE) {
        if (output != INVALID_HANDLE_VALUE) CloseHandle(output);
        if (channel != INVALID_HANDLE_VALUE) CloseHandle(channel);
        return end;
    }
    std::string program = platform::ProgramFile();
    std::string command = Quoted(program);
    for (const std::string& argument : arguments) command += " " + Quoted(argument);
    // An inherited handle has the same value in the child.
    command += " " + Quoted(channel_option) + " " +
               std::to_string(static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(channel)));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = output;
    startup.hStdError = output;
    PROCESS_INFORMATION started{};
    auto began = std::chrono::steady_clock::now();
    if (CreateProcessA(program.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &started)) {
        CloseHandle(started.hThread);
        DWORD waited = WaitForSingleObject(started.hProcess, static_cast<DWORD>(timeout_seconds) * 1000);
        end.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
        if (waited == WAIT_TIMEOUT) {
            TerminateProcess(started.hProcess, 1);
            WaitForSingleObject(started.hProcess, INFINITE);
            end.kind = ChildEnd::kTimedOut;
        } else {
            DWORD code = 0;
            GetExitCodeProcess(started.hProcess, &code);
            end.code = code;
            end.kind = code >= 0xC0000000u ? ChildEnd::kCrashed : ChildEnd::kExited;
        }
        CloseHandle(started.hProcess);
    }
    end.output = ReadAll(output);
    end.channel = ReadAll(channel);
    CloseHandle(output);
    CloseHandle(channel);
    return end;
}

std::string PrepareChildEnvironment() {
    // Windows' heap has no freed-memory scribbling that a program can switch on for its
    // children; Wine's heap fills freed blocks and checks them when its heap channel warns.
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    if (ntdll == nullptr || GetProcAddress(ntdll, "wine_get_version") == nullptr) return "";
    SetEnvironmentVariableA("WINEDEBUG", "-all,warn+heap");
    return "WINEDEBUG=-all,warn+heap";
}

std::string CrashName(unsigned long code) {
    char text[32];
    std::snprintf(text, sizeof text, "exception 0x%08lX", code);
    return text;
}

bool OpenChannel(const std::string& number) {
    if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos || number.size() > 19) return false;
    auto handle = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(std::strtoull(number.c_str(), nullptr, 10)));
    if (GetFileType(handle) != FILE_TYPE_DISK) return false;
    // Not handed on to any process the plug-in starts.
    SetHandleInformation(handle, HANDLE_FLAG_INHERIT, 0);
    g_channel = handle;
    return true;
}

void ToParent(const char* key, const std::string& value) {
    if (g_channel == INVALID_HANDLE_VALUE) return;
    std::string record = ChannelRecord(key, value);
    DWORD written = 0;
    WriteFile(g_channel, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
}

void EndQuietlyOnCrash(LastWordsFn* last_words) {
    g_last_words = last_words;
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(EndWithExceptionCode);
}

}  // namespace host::validate

#include "host/validate/child_process.h"

#include <windows.h>

#include <cstdio>

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

LONG WINAPI EndWithExceptionCode(EXCEPTION_POINTERS* exception) {
    TerminateProcess(GetCurrentProcess(), exception->ExceptionRecord->ExceptionCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

ChildEnd RunProgramAgain(const std::vector<std::string>& arguments, int timeout_seconds) {
    ChildEnd end;
    char folder[MAX_PATH], name[MAX_PATH];
    if (GetTempPathA(MAX_PATH, folder) == 0 || GetTempFileNameA(folder, "pvd", 0, name) == 0) return end;
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE output = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                &inherited, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (output == INVALID_HANDLE_VALUE) return end;

    std::string program = platform::ProgramFile();
    std::string command = Quoted(program);
    for (const std::string& argument : arguments) command += " " + Quoted(argument);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = output;
    startup.hStdError = output;
    PROCESS_INFORMATION started{};
    if (CreateProcessA(program.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &started)) {
        CloseHandle(started.hThread);
        DWORD waited = WaitForSingleObject(started.hProcess, static_cast<DWORD>(timeout_seconds) * 1000);
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
    SetFilePointer(output, 0, nullptr, FILE_BEGIN);
    char buffer[4096];
    DWORD count = 0;
    while (ReadFile(output, buffer, sizeof buffer, &count, nullptr) && count > 0) end.output.append(buffer, count);
    CloseHandle(output);
    return end;
}

std::string CrashName(unsigned long code) {
    char text[32];
    std::snprintf(text, sizeof text, "exception 0x%08lX", code);
    return text;
}

void EndQuietlyOnCrash() {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(EndWithExceptionCode);
}

}  // namespace host::validate

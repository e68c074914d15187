#include "host/session/terminal.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "platform/platform.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <signal.h>
#endif

namespace host {
namespace {

std::atomic<int> interrupts{0};  // Ctrl+C presses not taken yet

#if defined(_WIN32)
BOOL WINAPI OnConsoleControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    interrupts.fetch_add(1);
    return TRUE;
}

UINT original_output_page = 0;

void RestoreOutputPage() {
    if (original_output_page != 0) SetConsoleOutputCP(original_output_page);
}

HANDLE ConsoleInput() {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    return input != INVALID_HANDLE_VALUE && GetConsoleMode(input, &mode) ? input : nullptr;
}

// A line from the console as UTF-16, one read at a time up to its line break. Ctrl+C ends
// a read early with nothing read; its handler runs on a thread of its own, so the flag is
// given a moment to arrive.
LineRead ReadConsoleLine(HANDLE console, std::string* line) {
    std::wstring text;
    for (;;) {
        wchar_t buffer[256];
        DWORD count = 0;
        BOOL read = ReadConsoleW(console, buffer, 256, &count, nullptr);
        if (!read || count == 0) {
            for (int wait = 0; wait < 10 && interrupts.load() == 0; ++wait) Sleep(10);
            if (TakeInterrupt()) return LineRead::kInterrupted;
            if (!read || text.empty()) return LineRead::kEnd;
            break;
        }
        text.append(buffer, count);
        if (text.back() == L'\n') break;
        // Ctrl+Z at the start of a line is the console's end of input.
        if (text == L"\x1a") return LineRead::kEnd;
    }
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) text.pop_back();
    if (!text.empty() && text[0] == L'\x1a') return LineRead::kEnd;
    *line = platform::FromWide(platform::CodePage::Utf8, text.c_str());
    return LineRead::kLine;
}
#else
void OnInterrupt(int) { interrupts.fetch_add(1); }
#endif

}  // namespace

void WatchTheTerminal() {
#if defined(_WIN32)
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    DWORD mode = 0;
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (output != INVALID_HANDLE_VALUE && GetConsoleMode(output, &mode) && original_output_page == 0) {
        original_output_page = GetConsoleOutputCP();
        SetConsoleOutputCP(CP_UTF8);
        std::atexit(RestoreOutputPage);
    }
#else
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: a read in progress returns, and the line is dropped
    sigaction(SIGINT, &action, nullptr);
#endif
}

LineRead ReadLine(std::istream& in, std::string* line) {
#if defined(_WIN32)
    if (&in == &std::cin) {
        if (HANDLE console = ConsoleInput()) return ReadConsoleLine(console, line);
    }
#endif
    if (std::getline(in, *line)) {
        if (!line->empty() && line->back() == '\r') line->pop_back();
        return LineRead::kLine;
    }
    if (TakeInterrupt()) {
        in.clear();
        if (&in == &std::cin) std::clearerr(stdin);
        return LineRead::kInterrupted;
    }
    return LineRead::kEnd;
}

bool TakeInterrupt() { return interrupts.exchange(0) != 0; }

}  // namespace host

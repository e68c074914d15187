#include "host/session/terminal.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <streambuf>

#include "platform/platform.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>
#endif

namespace host {
namespace {

std::atomic<int> interrupts{0};  // Ctrl+C presses not taken yet

#if defined(_WIN32)
// The thread that reads a script, whose waiting read Ctrl+C cancels; null until a script
// is opened.
HANDLE script_reader = nullptr;

BOOL WINAPI OnConsoleControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    interrupts.fetch_add(1);
    if (script_reader != nullptr) CancelSynchronousIo(script_reader);
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

// A file read with read(2) itself: a read that Ctrl+C interrupts (EINTR, the handler has
// no SA_RESTART) ends the input for the moment, where the standard streams would retry.
class InterruptibleFile : public std::streambuf {
public:
    explicit InterruptibleFile(int descriptor) : descriptor_(descriptor) {}
    ~InterruptibleFile() override { close(descriptor_); }

protected:
    int_type underflow() override {
        if (interrupts.load() != 0) return traits_type::eof();
        ssize_t count = read(descriptor_, buffer_, sizeof buffer_);
        if (count <= 0) return traits_type::eof();  // the end, an error, or Ctrl+C
        setg(buffer_, buffer_, buffer_ + count);
        return traits_type::to_int_type(buffer_[0]);
    }

private:
    int descriptor_;
    char buffer_[4096];
};

class InterruptibleScript : public std::istream {
public:
    explicit InterruptibleScript(int descriptor) : std::istream(nullptr), file_(descriptor) { rdbuf(&file_); }

private:
    InterruptibleFile file_;
};
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

std::unique_ptr<std::istream> OpenScript(const std::string& file, std::string* error) {
#if defined(_WIN32)
    auto script = std::make_unique<std::ifstream>(file, std::ios::binary);
    if (!*script) {
        *error = std::strerror(errno);
        return nullptr;
    }
    if (script_reader == nullptr) {
        DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &script_reader, 0, FALSE,
                        DUPLICATE_SAME_ACCESS);
    }
    return script;
#else
    int descriptor = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        *error = std::strerror(errno);
        return nullptr;
    }
    return std::make_unique<InterruptibleScript>(descriptor);
#endif
}

}  // namespace host

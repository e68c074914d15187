#include "host/validate/child_process.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/platform.h"

namespace host::validate {

ChildEnd RunProgramAgain(const std::vector<std::string>& arguments, int timeout_seconds) {
    ChildEnd end;
    std::string pattern = (std::filesystem::temp_directory_path() / "pellucid-validate-XXXXXX").string();
    int output = mkstemp(pattern.data());
    if (output < 0) return end;
    std::string program = platform::ProgramFile();
    std::vector<char*> argv;
    argv.push_back(program.data());
    std::vector<std::string> copies = arguments;
    for (std::string& argument : copies) argv.push_back(argument.data());
    argv.push_back(nullptr);

    pid_t child = fork();
    if (child == 0) {
        dup2(output, 1);
        dup2(output, 2);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    if (child > 0) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout_seconds);
        int status = 0;
        for (;;) {
            pid_t done = waitpid(child, &status, WNOHANG);
            if (done == child) break;
            if (std::chrono::steady_clock::now() >= deadline) {
                kill(child, SIGKILL);
                waitpid(child, &status, 0);
                end.kind = ChildEnd::kTimedOut;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        if (end.kind != ChildEnd::kTimedOut) {
            end.kind = WIFSIGNALED(status) ? ChildEnd::kCrashed : ChildEnd::kExited;
            end.code = static_cast<unsigned long>(WIFSIGNALED(status) ? WTERMSIG(status) : WEXITSTATUS(status));
        }
    }
    close(output);
    std::ifstream in(pattern, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    end.output = text.str();
    std::filesystem::remove(pattern);
    return end;
}

std::string CrashName(unsigned long code) {
    const char* name = strsignal(static_cast<int>(code));
    return "signal " + std::to_string(code) + (name != nullptr ? std::string(" (") + name + ")" : "");
}

void EndQuietlyOnCrash() {}

}  // namespace host::validate

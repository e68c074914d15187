#include "host/validate/os/child_process.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <ucontext.h>
#include <unistd.h>

#include "host/validate/os/module_table.h"
#include "platform/platform.h"

namespace host::validate {
namespace {

// A file of its own in the temporary folder, open for reading and writing, closed on exec.
int TemporaryFile(std::string* name) {
    *name = (std::filesystem::temp_directory_path() / "pellucid-validate-XXXXXX").string();
    int file = mkostemp(name->data(), O_CLOEXEC);
    if (file >= 0) unlink(name->c_str());
    return file;
}

std::string ReadAll(int file) {
    std::string text;
    char buffer[4096];
    lseek(file, 0, SEEK_SET);
    for (ssize_t count; (count = read(file, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<size_t>(count));
    return text;
}

// A child asked where it hangs answers on this signal, then ends.
constexpr int kWhereSignal = SIGUSR1;

int g_channel = -1;
LastWordsFn* g_last_words = nullptr;

// The instruction that faulted, from the context the kernel gave the handler.
const void* FaultingInstruction(void* context) {
#if defined(__x86_64__)
    return reinterpret_cast<const void*>(static_cast<ucontext_t*>(context)->uc_mcontext.gregs[REG_RIP]);
#elif defined(__aarch64__)
    return reinterpret_cast<const void*>(static_cast<ucontext_t*>(context)->uc_mcontext.pc);
#else
    (void)context;
    return nullptr;
#endif
}

// "pellucid.so+0x1a2b3 (Pellucid::StoreSlot(...))": the module, the offset into it, and the
// function when the file's symbols name it.
std::string Place(const void* address) {
    Dl_info info{};
    if (address == nullptr || dladdr(address, &info) == 0 || info.dli_fname == nullptr) return "";
    auto offset = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(address) - reinterpret_cast<uintptr_t>(info.dli_fbase));
    char hex[32];
    std::snprintf(hex, sizeof hex, "+0x%llx", static_cast<unsigned long long>(offset));
    std::string place = std::filesystem::path(info.dli_fname).filename().string() + hex;
    std::string function = FunctionAt(info.dli_fname, offset);
    if (!function.empty()) place += " (" + function + ")";
    return place;
}

void OnCrash(int signal, siginfo_t* info, void* context) {
    if (signal != kWhereSignal) ToParent("where", Place(FaultingInstruction(context)));
    (void)info;
    if (g_last_words != nullptr) g_last_words();
    if (signal == kWhereSignal) _exit(124);
    // The handler was reset on entry: the signal raised again ends the process by it.
    raise(signal);
}

}  // namespace

ChildEnd RunProgramAgain(const std::vector<std::string>& arguments, const char* channel_option, int timeout_seconds) {
    ChildEnd end;
    std::string output_name, channel_name;
    int output = TemporaryFile(&output_name);
    int channel = TemporaryFile(&channel_name);
    if (output < 0 || channel < 0) {
        if (output >= 0) close(output);
        if (channel >= 0) close(channel);
        return end;
    }
    // Everything the child needs is made before the fork: between the fork and the exec a
    // child of a program with threads may only make calls that are async-signal-safe.
    std::string program = platform::ProgramFile();
    std::vector<std::string> copies = arguments;
    copies.push_back(channel_option);
    copies.push_back(std::to_string(channel));
    std::vector<char*> argv;
    argv.push_back(program.data());
    for (std::string& argument : copies) argv.push_back(argument.data());
    argv.push_back(nullptr);

    auto started = std::chrono::steady_clock::now();
    pid_t child = fork();
    if (child == 0) {
        dup2(output, 1);
        dup2(output, 2);
        fcntl(channel, F_SETFD, 0);  // the one descriptor beside 0, 1, 2 that the child keeps
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    if (child > 0) {
        auto deadline = started + std::chrono::seconds(timeout_seconds);
        int status = 0;
        for (bool asked = false;;) {
            pid_t done = waitpid(child, &status, WNOHANG);
            if (done == child) break;
            auto now = std::chrono::steady_clock::now();
            if (now >= deadline && !asked) {
                kill(child, kWhereSignal);
                asked = true;
                end.kind = ChildEnd::kTimedOut;
                end.seconds = std::chrono::duration<double>(now - started).count();
                deadline = now + std::chrono::seconds(1);
            } else if (now >= deadline) {
                kill(child, SIGKILL);
                waitpid(child, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        if (end.kind != ChildEnd::kTimedOut) {
            end.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
            end.kind = WIFSIGNALED(status) ? ChildEnd::kCrashed : ChildEnd::kExited;
            end.code = static_cast<unsigned long>(WIFSIGNALED(status) ? WTERMSIG(status) : WEXITSTATUS(status));
        }
    }
    end.output = ReadAll(output);
    end.channel = ReadAll(channel);
    close(output);
    close(channel);
    return end;
}

std::string PrepareChildEnvironment() {
    // Freed memory filled with this byte (allocated memory with its complement), and the
    // heap's own consistency checks on, aborting at the first inconsistency.
    setenv("MALLOC_PERTURB_", "165", 1);
    setenv("MALLOC_CHECK_", "3", 1);
    return "MALLOC_PERTURB_=165 MALLOC_CHECK_=3";
}

std::string CrashName(unsigned long code) {
    const char* name = strsignal(static_cast<int>(code));
    return "signal " + std::to_string(code) + (name != nullptr ? std::string(" (") + name + ")" : "");
}

bool OpenChannel(const std::string& number) {
    if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos || number.size() > 9) return false;
    int channel = std::atoi(number.c_str());
    if (channel <= 2 || fcntl(channel, F_GETFD) < 0) return false;
    fcntl(channel, F_SETFD, FD_CLOEXEC);
    g_channel = channel;
    return true;
}

void ToParent(const char* key, const std::string& value) {
    if (g_channel < 0) return;
    std::string record = ChannelRecord(key, value);
    // One write a record, appended whole; a short write is carried on.
    for (size_t done = 0; done < record.size();) {
        ssize_t count = write(g_channel, record.data() + done, record.size() - done);
        if (count <= 0) return;
        done += static_cast<size_t>(count);
    }
}

void EndQuietlyOnCrash(LastWordsFn* last_words) {
    g_last_words = last_words;
    // On a stack of its own, so that a stack overflow is reported too.
    static char stack[64 * 1024];
    stack_t alternate{};
    alternate.ss_sp = stack;
    alternate.ss_size = sizeof stack;
    sigaltstack(&alternate, nullptr);
    struct sigaction action {};
    action.sa_sigaction = OnCrash;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGTRAP, kWhereSignal}) sigaction(signal, &action, nullptr);
}

}  // namespace host::validate

// The stand-in host killed while it writes: a large scene (host::WriteScene) and a large
// settings file (host::SaveSettings) are written by a child process that is ended at many
// points, and each time the file on disk must be the old one or the new one, byte for
// byte, and read back whole.
//
// The child is this program, forked on POSIX and started again on Windows: it builds the
// same scene or settings afresh, tells the parent through a pipe when it starts writing,
// and stops where it was told to and tells the parent again, which then kills it (SIGKILL,
// or TerminateProcess on Windows). The points are
// - byte counts: the child stops when the write reaches that many bytes of the file. On
//   POSIX the child's file size limit raises SIGXFSZ there; on Windows the child's import
//   table of the host module routes fwrite through a hook that writes up to the count,
//   flushes and stops;
// - stages of the atomic write (the temporary opened, flushed, committed, closed, renamed
//   over the file), on Windows, where the same hooks sit on fopen, fflush, _commit, fclose
//   and MoveFileExW; POSIX offers no such place short of tracing the child;
// - delays spread over the time a whole write takes, counted from the start of the write.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "host/binds/documents.h"
#include "host/binds/host.h"
#include "host/binds/settings.h"
#include "host/binds/xml.h"
#include "host/drive/plugin_module.h"
#include "host/files/file_io.h"
#include "host/files/scene_file.h"
#include "host/files/xml_file.h"

#if defined(_WIN32)
#include <windows.h>

#include <io.h>
#else
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;

constexpr int kTimedKills = 40;

std::string Contents(const std::string& file) {
    std::string content, error;
    if (!host::ReadWholeFile(file, &content, &error)) return "(unreadable: " + error + ")";
    return content;
}

// ---- What is written ----------------------------------------------------------------------

// A large file of the host's and two versions of it: built the same in the test and in
// every child, so that each writes the same bytes for a version.
struct Scenario {
    std::string file;
    std::function<bool(int version)> write;
    // Whether the file reads back as a whole scene or whole settings.
    std::function<bool(const std::string& file)> check_whole;
};

// A scene of 20000 objects with a plug-in element of 200 names.
Scenario BuildScene(const fs::path& folder, const std::string& name = "large.scene") {
    host::Document& document = host::OpenDocument();
    for (int i = 0; i < 20000; ++i) document.AddObject("Object_" + std::to_string(i), i % 3 != 0);
    auto plugins = std::make_shared<host::XmlElement>("plugins");
    host::XmlElement& store = host::PluginElement(*plugins, 0x7C4B21D9, 0x3E8A6F12).AppendChild("Store");
    for (int i = 0; i < 200; ++i) store.AppendChild("list").AppendChild("name").SetText("Object_" + std::to_string(i));
    std::string file = (folder / name).string();
    return Scenario{
        file,
        [&document, plugins, file](int version) {
            document.ObjectAt(0)->SetName(version == 0 ? "first version" : "second version, a little longer");
            std::string error;
            return host::WriteScene(file, document, *plugins, &error);
        },
        [](const std::string& written) {
            host::SceneContent scene;
            std::string error;
            return host::ReadScene(written, &scene, &error) && scene.places.size() == 20000;
        }};
}

// Settings with 20000 plug-in sections, as a host run leaves them: read at the start (the
// file is missing at first, then holds what an earlier run saved), changed, saved.
Scenario BuildSettings(const fs::path& folder) {
    std::string file = (folder / "settings.xml").string();
    host::LoadSettings(file);
    host::PluginSettings().RemoveAllChildren();
    for (int i = 0; i < 20000; ++i) {
        host::XmlElement& section = host::PluginSettings().AppendChild("Plugin-" + std::to_string(i));
        section.AppendChild("PosX").SetText(std::to_string(i));
        section.AppendChild("Pellucid_activate").SetText("1");
    }
    host::XmlElement* marker = &host::PluginSettings().AppendChild("Marker");
    return Scenario{
        file,
        [marker](int version) {
            marker->SetText(version == 0 ? "first version" : "second version, a little longer");
            std::string error;
            return host::SaveSettings(&error);
        },
        [](const std::string& written) {
            std::string content, error;
            if (!host::ReadWholeFile(written, &content, &error)) return false;
            std::unique_ptr<host::XmlElement> root = host::ParseXml(content, &error);
            return root != nullptr && root->FindChild("pluginsettings") != nullptr &&
                   root->FindChild("pluginsettings")->ChildCount() == 20001;
        }};
}

// The same scene saved through a symbolic link to a file of mode 0640 in another folder:
// whenever the writer is killed, the link is still a link to that file, which keeps its
// mode, and no step of following the link or carrying the mode over loses the old scene.
constexpr fs::perms kLinkedMode = fs::perms(0640);

Scenario BuildLinkedScene(const fs::path& folder) {
    fs::path target = folder / "real" / "large.scene";
    fs::path link = folder / "linked.scene";
    std::error_code error;
    if (!fs::exists(target, error)) {
        fs::create_directories(target.parent_path(), error);
        std::FILE* made = std::fopen(target.string().c_str(), "wb");
        if (made != nullptr) std::fclose(made);
        fs::permissions(target, kLinkedMode, error);
        fs::create_symlink(fs::path("real") / "large.scene", link, error);
    }
    Scenario scene = BuildScene(folder, link.filename().string());
    scene.check_whole = [check_whole = scene.check_whole, target, link](const std::string& written) {
        std::error_code error;
        bool mode_kept = true;
#if !defined(_WIN32)
        mode_kept = (fs::status(target, error).permissions() & fs::perms::mask) == kLinkedMode;
#endif
        return fs::is_symlink(link, error) && mode_kept && check_whole(written);
    };
    return scene;
}

Scenario BuildScenario(const std::string& name, const fs::path& folder) {
    host::ResetHost();
    if (name == "linked") return BuildLinkedScene(folder);
    return name == "scene" ? BuildScene(folder) : BuildSettings(folder);
}

// ---- Where a child is ended ---------------------------------------------------------------

// The steps of an atomic write, each counted as reached when it has returned.
enum class Stage { kOpened, kFlushed, kCommitted, kClosed, kRenamed };
constexpr const char* kStageNames[] = {"the temporary opened", "the temporary flushed", "the temporary committed",
                                       "the temporary closed", "the temporary renamed over the file"};

struct KillPoint {
    enum Kind { kNone, kDelay, kByte, kStage };
    Kind kind = kNone;
    long value = 0;  // microseconds after the write began, a byte count, or a Stage

    std::string Describe() const {
        switch (kind) {
            case kDelay: return "killed " + std::to_string(value) + " us into the write";
            case kByte: return "killed at byte " + std::to_string(value);
            case kStage: return std::string("killed after ") + kStageNames[value];
            case kNone: break;
        }
        return "not killed";
    }
};

// What a child is asked to do.
struct ChildTask {
    std::string scenario;
    fs::path folder;
    int version = 0;
    KillPoint point;
};

// What a child tells its parent through the pipe.
constexpr char kWriting = 'W';  // the write begins
constexpr char kStopped = 'S';  // the child stopped at its kill point

// ---- The child's side ---------------------------------------------------------------------

#if defined(_WIN32)
using ReportChannel = HANDLE;
#else
using ReportChannel = int;
#endif
ReportChannel g_report;

void Tell(char mark) {
#if defined(_WIN32)
    DWORD written = 0;
    WriteFile(g_report, &mark, 1, &written, nullptr);
#else
    ssize_t ignored = write(g_report, &mark, 1);
    (void)ignored;
#endif
}

// Tells the parent that the kill point is reached and waits for the end.
[[noreturn]] void StopHere() {
    Tell(kStopped);
    for (;;) {
#if defined(_WIN32)
        Sleep(INFINITE);
#else
        pause();
#endif
    }
}

#if defined(_WIN32)

// The host module's CRT and file calls, through the child's hooks.
KillPoint g_point;
FILE* g_written = nullptr;  // the temporary being written
long g_bytes = 0;           // bytes handed to fwrite for it so far

decltype(&fopen) g_fopen;
decltype(&fwrite) g_fwrite;
decltype(&fflush) g_fflush;
decltype(&_commit) g_commit;
decltype(&fclose) g_fclose;
decltype(&MoveFileExW) g_move_file;

void Reached(Stage stage) {
    if (g_point.kind == KillPoint::kStage && g_point.value == static_cast<long>(stage)) StopHere();
}

FILE* __cdecl HookFopen(const char* name, const char* mode) {
    FILE* stream = g_fopen(name, mode);
    if (stream == nullptr || mode[0] != 'w') return stream;
    g_written = stream;
    Reached(Stage::kOpened);
    return stream;
}

size_t __cdecl HookFwrite(const void* data, size_t size, size_t count, FILE* stream) {
    if (stream != g_written || g_point.kind != KillPoint::kByte) return g_fwrite(data, size, count, stream);
    long total = static_cast<long>(size * count);
    if (g_bytes + total < g_point.value) {
        g_bytes += total;
        return g_fwrite(data, size, count, stream);
    }
    // The bytes up to the count reach the file, then the child stops.
    g_fwrite(data, 1, static_cast<size_t>(g_point.value - g_bytes), stream);
    g_fflush(stream);
    StopHere();
}

int __cdecl HookFflush(FILE* stream) {
    int result = g_fflush(stream);
    if (stream == g_written) Reached(Stage::kFlushed);
    return result;
}

int __cdecl HookCommit(int descriptor) {
    int result = g_commit(descriptor);
    if (g_written != nullptr && descriptor == _fileno(g_written)) Reached(Stage::kCommitted);
    return result;
}

int __cdecl HookFclose(FILE* stream) {
    bool written = stream == g_written;
    int result = g_fclose(stream);
    if (written) {
        g_written = nullptr;
        Reached(Stage::kClosed);
    }
    return result;
}

BOOL WINAPI HookMoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags) {
    BOOL result = g_move_file(from, to, flags);
    Reached(Stage::kRenamed);
    return result;
}

// Points the host module's import entries for these functions at the hooks, keeping the
// functions they pointed at.
bool HookHostModule() {
    struct Hook {
        const char* name;
        void* hook;
        void** original;
    };
    const Hook hooks[] = {
        {"fopen", reinterpret_cast<void*>(&HookFopen), reinterpret_cast<void**>(&g_fopen)},
        {"fwrite", reinterpret_cast<void*>(&HookFwrite), reinterpret_cast<void**>(&g_fwrite)},
        {"fflush", reinterpret_cast<void*>(&HookFflush), reinterpret_cast<void**>(&g_fflush)},
        {"_commit", reinterpret_cast<void*>(&HookCommit), reinterpret_cast<void**>(&g_commit)},
        {"fclose", reinterpret_cast<void*>(&HookFclose), reinterpret_cast<void**>(&g_fclose)},
        {"MoveFileExW", reinterpret_cast<void*>(&HookMoveFileExW), reinterpret_cast<void**>(&g_move_file)},
    };
    HMODULE module = GetModuleHandleA(host::HostModuleFile().c_str());
    if (module == nullptr) return false;
    auto* base = reinterpret_cast<BYTE*>(module);
    auto* headers = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    unsigned found = 0;
    for (auto* dll = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); dll->Name != 0; ++dll) {
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->OriginalFirstThunk);
        auto* entries = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++entries) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const char* name = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)->Name;
            for (unsigned i = 0; i < std::size(hooks); ++i) {
                const Hook& hook = hooks[i];
                if (std::strcmp(name, hook.name) != 0) continue;
                DWORD protection = 0;
                VirtualProtect(&entries->u1.Function, sizeof entries->u1.Function, PAGE_READWRITE, &protection);
                *hook.original = reinterpret_cast<void*>(entries->u1.Function);
                entries->u1.Function = reinterpret_cast<ULONG_PTR>(hook.hook);
                VirtualProtect(&entries->u1.Function, sizeof entries->u1.Function, protection, &protection);
                found |= 1u << i;
            }
        }
    }
    return found == (1u << std::size(hooks)) - 1;
}

bool ArmKillPoint(const KillPoint& point) {
    g_point = point;
    return HookHostModule();
}

#else

void StopOnFileSizeLimit(int) { StopHere(); }

bool ArmKillPoint(const KillPoint& point) {
    if (point.kind == KillPoint::kStage) return false;
    if (point.kind == KillPoint::kByte) {
        std::signal(SIGXFSZ, StopOnFileSizeLimit);
        struct rlimit limit{static_cast<rlim_t>(point.value), static_cast<rlim_t>(point.value)};
        return setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    return true;
}

#endif

// The child's whole life: 0 when the write succeeded, 1 when it failed, 2 when the kill
// point could not be set.
int RunChild(const ChildTask& task) {
    Scenario scenario = BuildScenario(task.scenario, task.folder);
    if (!ArmKillPoint(task.point)) return 2;
    Tell(kWriting);
    return scenario.write(task.version) ? 0 : 1;
}

// ---- The parent's side: starting, killing and waiting for a child -------------------------

enum class Ending { Finished, Killed, Failed };

#if defined(_WIN32)

constexpr UINT kKilledExitCode = 137;

class WritingChild {
public:
    explicit WritingChild(const ChildTask& task) {
        SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        HANDLE child_end = nullptr;
        if (!CreatePipe(&report_, &child_end, &inherited, 0)) return;
        SetHandleInformation(report_, HANDLE_FLAG_INHERIT, 0);
        char program[MAX_PATH];
        GetModuleFileNameA(nullptr, program, MAX_PATH);
        std::string command = "\"" + std::string(program) + "\" --crash-child " + task.scenario + " " +
                              std::to_string(task.version) + " " + std::to_string(task.point.kind) + " " +
                              std::to_string(task.point.value) + " " +
                              std::to_string(reinterpret_cast<uintptr_t>(child_end)) + " \"" + task.folder.string() +
                              "\"";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started{};
        if (CreateProcessA(program, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &started)) {
            process_ = started.hProcess;
            CloseHandle(started.hThread);
        }
        CloseHandle(child_end);
    }
    ~WritingChild() {
        if (report_ != nullptr) CloseHandle(report_);
        if (process_ != nullptr) CloseHandle(process_);
    }
    bool started() const { return process_ != nullptr; }

    // The next mark the child tells; 0 when it ended without one.
    char NextMark() {
        char mark = 0;
        DWORD count = 0;
        return ReadFile(report_, &mark, 1, &count, nullptr) && count == 1 ? mark : 0;
    }
    void Kill() { TerminateProcess(process_, kKilledExitCode); }
    Ending Wait() {
        WaitForSingleObject(process_, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(process_, &code);
        return code == kKilledExitCode ? Ending::Killed : code == 0 ? Ending::Finished : Ending::Failed;
    }

private:
    HANDLE report_ = nullptr;
    HANDLE process_ = nullptr;
};

#else

class WritingChild {
public:
    explicit WritingChild(const ChildTask& task) {
        int ends[2];
        if (pipe(ends) != 0) return;
        pid_ = fork();
        if (pid_ < 0) {
            close(ends[0]);
            close(ends[1]);
            return;
        }
        if (pid_ == 0) {
            close(ends[0]);
            g_report = ends[1];
            _exit(RunChild(task));
        }
        close(ends[1]);
        report_ = ends[0];
    }
    ~WritingChild() {
        if (report_ >= 0) close(report_);
    }
    bool started() const { return pid_ > 0; }

    char NextMark() {
        char mark = 0;
        return read(report_, &mark, 1) == 1 ? mark : 0;
    }
    void Kill() { kill(pid_, SIGKILL); }
    Ending Wait() {
        int status = 0;
        waitpid(pid_, &status, 0);
        if (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) return Ending::Killed;
        return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? Ending::Finished : Ending::Failed;
    }

private:
    int report_ = -1;
    pid_t pid_ = -1;
};

#endif

// Runs one child to its end: killed at its point, or finished when it never got there.
// `write_time`, when given, gets the time from the start of the write to the child's end.
Ending RunToPoint(const ChildTask& task, std::chrono::microseconds* write_time = nullptr) {
    WritingChild child(task);
    if (!child.started()) return Ending::Failed;
    char mark = child.NextMark();
    auto start = std::chrono::steady_clock::now();
    if (mark == kWriting) {
        if (task.point.kind == KillPoint::kDelay) {
            std::this_thread::sleep_for(std::chrono::microseconds(task.point.value));
            child.Kill();
        } else if (task.point.kind != KillPoint::kNone && child.NextMark() == kStopped) {
            child.Kill();
        }
    }
    Ending ending = child.Wait();
    if (write_time != nullptr) {
        *write_time = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    }
    return ending;
}

// ---- The trials ---------------------------------------------------------------------------

// Writes version A, then has children write B, A, B, ... over it and kills them; after
// each, the file must be byte for byte the version before or the one being written, and
// read back whole.
class KilledWriter {
public:
    KilledWriter(std::string scenario, fs::path folder) : name_(std::move(scenario)), folder_(std::move(folder)) {}

    void Prepare() {
        // The two versions as a whole write in this process leaves them.
        scenario_ = BuildScenario(name_, folder_);
        for (int version = 0; version < 2; ++version) {
            ASSERT_TRUE(scenario_.write(version));
            versions_[version] = Contents(scenario_.file);
        }
        ASSERT_NE(versions_[0], versions_[1]);
        current_ = 1;
        ASSERT_EQ(RunToPoint({name_, folder_, 0, {}}, &whole_write_), Ending::Finished);
        ASSERT_EQ(Contents(scenario_.file), versions_[0]) << "a child writes other bytes than this process";
        current_ = 0;
    }

    // One child writing the other version, ended at `point`. Returns whether the file was
    // replaced.
    bool Trial(const KillPoint& point) {
        int next = 1 - current_;
        Ending ending = RunToPoint({name_, folder_, next, point});
        std::string how = point.Describe();
        EXPECT_NE(ending, Ending::Failed) << how << ": the child failed";
        if (point.kind == KillPoint::kByte || point.kind == KillPoint::kStage) {
            EXPECT_EQ(ending, Ending::Killed) << how << ": the child never got there";
        }
        std::string now = Contents(scenario_.file);
        bool old_one = now == versions_[current_];
        bool new_one = now == versions_[next];
        EXPECT_TRUE(old_one || new_one) << how << ": the file is neither version (" << now.size() << " bytes, versions "
                                        << versions_[0].size() << " and " << versions_[1].size() << ")";
        EXPECT_TRUE(scenario_.check_whole(scenario_.file)) << how << ": the file does not read back whole";
        (ending == Ending::Killed ? killed_ : finished_) += 1;
        (new_one ? replaced_ : kept_) += 1;
        if (new_one) current_ = next;
        return new_one;
    }

    // A child killed before its last byte never replaces the file.
    void KillAtByteCounts() {
        long size = static_cast<long>(std::min(versions_[0].size(), versions_[1].size()));
        for (long limit : {0L, 1L, 100L, 4095L, 4096L, 4097L, 65536L, size / 3, size / 2, size - 4096, size - 1}) {
            if (limit < 0 || limit >= size) continue;
            KillPoint point{KillPoint::kByte, limit};
            EXPECT_FALSE(Trial(point)) << point.Describe() << " replaced the file";
        }
    }

    // Killed at any step before the rename the file is the old one; right after it, the
    // new one.
    void KillAtStages() {
        for (Stage stage : {Stage::kOpened, Stage::kFlushed, Stage::kCommitted, Stage::kClosed, Stage::kRenamed}) {
            KillPoint point{KillPoint::kStage, static_cast<long>(stage)};
            EXPECT_EQ(Trial(point), stage == Stage::kRenamed) << point.Describe();
        }
    }

    // Delays from 0 to half again the time of a whole write, so that some kills land
    // after the file was replaced. A machine busier than when the write was timed slows
    // the children down: then the delay doubles until a child gets past the rename.
    void KillAtDelays() {
        for (int i = 0; i <= kTimedKills; ++i) {
            Trial({KillPoint::kDelay, static_cast<long>(whole_write_.count() * 3 * i / (2 * kTimedKills))});
        }
        long delay = static_cast<long>(whole_write_.count() * 3);
        for (int tries = 0; replaced_ == 0 && tries < 8; ++tries, delay *= 2) Trial({KillPoint::kDelay, delay});
    }

    size_t size() const { return versions_[0].size(); }
    std::chrono::microseconds whole_write() const { return whole_write_; }
    int killed() const { return killed_; }
    int kept() const { return kept_; }
    int replaced() const { return replaced_; }

private:
    std::string name_;
    fs::path folder_;
    Scenario scenario_;
    std::string versions_[2];
    int current_ = 0;
    std::chrono::microseconds whole_write_{0};
    int killed_ = 0, finished_ = 0, kept_ = 0, replaced_ = 0;
};

// Whether a child can be stopped between the steps of the atomic write.
#if defined(_WIN32)
constexpr bool kStopsAtStages = true;
#else
constexpr bool kStopsAtStages = false;
#endif

class CrashSafetyTest : public ::testing::Test {
protected:
    void SetUp() override {
        host::ResetHost();
#if defined(_WIN32)
        unsigned long process = GetCurrentProcessId();
#else
        unsigned long process = static_cast<unsigned long>(getpid());
#endif
        folder_ = fs::temp_directory_path() / ("pellucid-crash-" + std::to_string(process) + "-" +
                                               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override {
        host::ResetHost();
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    void KillEverywhere(const char* what) {
        KilledWriter writer(what, folder_);
        writer.Prepare();
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_GT(writer.size(), 1000000u);
        writer.KillAtByteCounts();
        if (kStopsAtStages) writer.KillAtStages();
        writer.KillAtDelays();
        std::printf("[ killed   ] %s of %zu bytes (a whole write %lld us): %d children killed, file kept %d times, "
                    "replaced %d times\n",
                    what, writer.size(), static_cast<long long>(writer.whole_write().count()), writer.killed(),
                    writer.kept(), writer.replaced());
        EXPECT_GT(writer.killed(), 10);
        EXPECT_GT(writer.kept(), 10) << "too few kills landed before the new file was complete";
        EXPECT_GT(writer.replaced(), 0) << "no child got as far as replacing the file";
    }

    fs::path folder_;
};

TEST_F(CrashSafetyTest, AKilledSceneWriteLeavesTheOldSceneOrTheNewOneWhole) { KillEverywhere("scene"); }

TEST_F(CrashSafetyTest, AKilledWriteThroughALinkLeavesTheLinkAndTheTargetsModeWithTheOldSceneOrTheNewOne) {
    std::error_code error;
    fs::create_symlink("nowhere", folder_ / "probe", error);
    if (error) GTEST_SKIP() << "no symbolic links here";
    fs::remove(folder_ / "probe");
    KillEverywhere("linked");
}

TEST_F(CrashSafetyTest, AKilledSettingsWriteLeavesTheOldSettingsOrTheNewOnesWhole) {
    ASSERT_FALSE(fs::exists(folder_ / "settings.xml"));
    KillEverywhere("settings");
}

}  // namespace

// Started as "--crash-child <scenario> <version> <kind> <value> <pipe> <folder>", the
// program is a child of the tests above (on Windows; on POSIX the children are forked).
int main(int argc, char** argv) {
#if defined(_WIN32)
    if (argc == 8 && std::strcmp(argv[1], "--crash-child") == 0) {
        ChildTask task;
        task.scenario = argv[2];
        task.version = std::atoi(argv[3]);
        task.point.kind = static_cast<KillPoint::Kind>(std::atoi(argv[4]));
        task.point.value = std::atol(argv[5]);
        g_report = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(std::strtoull(argv[6], nullptr, 10)));
        task.folder = argv[7];
        return RunChild(task);
    }
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

// The file loaded, started, shown, given a document, stopped and unloaded many times in
// one process, as a host that loads its plug-ins on demand does: the process's memory
// stays flat.
//
// What is measured is the resident set (/proc/self/statm) on Linux and the working set
// (GetProcessMemoryInfo) on Windows, after a fifth of the cycles and after the last. Both
// move in pages and with the allocator's caches, so the bound is wide: 1 MiB over the
// cycles, which a leak of a few kilobytes a cycle (one window with its rows) still
// exceeds at strictness 5. Under AddressSanitizer freed memory sits in quarantine and
// the resident set grows by design; there the sanitizer's own count of the bytes its
// allocator holds for the program is measured instead, with a bound of 64 KiB beyond
// what as many cycles of only a load and an unload add.
#include <algorithm>
#include <optional>
#include <string>

#include "host/binds/host.h"
#include "host/binds/xml.h"
#include "host/drive/process_memory.h"
#include "host/records/breaches.h"
#include "host/records/journal.h"
#include "host/validate/checks/station.h"

#if !defined(_WIN32)
// The sanitizer's count, where its runtime is in the process: built in (a sanitizer build)
// or preloaded to validate a sanitizer build of a plug-in. Null otherwise.
extern "C" size_t __sanitizer_get_current_allocated_bytes(void) __attribute__((weak));
#endif

namespace host::validate {
namespace {

struct Measure {
    const char* what;
    size_t allowed_growth;
    // Whether the bound is on the growth beyond the cycles of only a load and an unload.
    // The sanitizer's allocator counts what the system's loader keeps of every dlopen
    // (some 64 bytes a time), which the resident set does not show.
    bool beyond_load_only = false;
};

#if defined(_WIN32)
constexpr Measure kSystemMeasure{"the working set", 1024 * 1024};
bool SanitizerPresent() { return false; }
size_t SanitizerBytes() { return 0; }
#else
constexpr Measure kSystemMeasure{"the resident set", 1024 * 1024};
bool SanitizerPresent() { return __sanitizer_get_current_allocated_bytes != nullptr; }
size_t SanitizerBytes() { return __sanitizer_get_current_allocated_bytes(); }
#endif
constexpr Measure kSanitizerMeasure{"the sanitizer's allocated bytes", 64 * 1024, true};

const Measure& TheMeasure() { return SanitizerPresent() ? kSanitizerMeasure : kSystemMeasure; }
std::optional<size_t> MemoryInUse() { return SanitizerPresent() ? std::optional<size_t>(SanitizerBytes()) : ResidentBytes(); }

std::string Kilobytes(long long bytes) { return std::to_string(bytes / 1024) + " KiB"; }

// One life of the plug-in in the host; with `whole` false only the load and the unload.
void Cycle(const Setting& setting, int number, bool whole) {
    ResetHost();
    TheJournal().SetRecording(false);
    TheWidgets().SetReuseIds(true);
    std::string error;
    std::unique_ptr<PluginModule> plugin = PluginModule::Load(setting.plugin_file, &error);
    if (plugin == nullptr) Fail("file/load", "cycle " + std::to_string(number) + ": " + error);
    if (!whole) return;
    Require(plugin->Handshake(), "handshake/refused", "cycle " + std::to_string(number) + ": the handshake failed");
    Document& document = OpenDocument();
    document.AddObject("Body", true);
    document.AddObject("Rig", false);
    plugin->Initialize(document.handle());
    plugin->Activate(document.handle(), 1);
    XmlElement element("plugin");
    plugin->SaveDocument(document.handle(), &element, "cycle.scene");
    plugin->LoadDocument(document.handle(), &element, "cycle.scene");
    plugin->Exit(document.handle());
    size_t left = TheWidgets().Ids().size() - 1;
    Require(left == 0, "widgets/outlived-exit",
            "cycle " + std::to_string(number) + ": " + std::to_string(left) + " widget(s) outlived the exit");
    if (!TheBreaches().Empty()) {
        Breach first = TheBreaches().Take().front();
        FailOnHostRule(first.rule_id, "cycle " + std::to_string(number) + ": " + first.call + ": " + first.detail);
    }
    TheWidgets().Reset();
}

// The growth of the measure from the end of the warm-up to the last cycle.
long long Growth(const Setting& setting, int cycles, bool whole) {
    std::optional<size_t> at_warm_up;
    for (int cycle = 1; cycle <= cycles; ++cycle) {
        Cycle(setting, cycle, whole);
        if (cycle == cycles / 5) at_warm_up = MemoryInUse();
    }
    std::optional<size_t> at_end = MemoryInUse();
    if (!at_warm_up || !at_end) throw Skip{std::string(TheMeasure().what) + " cannot be read here"};
    return static_cast<long long>(*at_end) - static_cast<long long>(*at_warm_up);
}

// The bound is on the growth of whole lives. The same number of cycles that only load
// and unload the file is measured first and reported beside it, to tell what the file's
// load costs by itself (its static initialisers, the loader) from what its life adds.
void LoadUnload(const Setting& setting) {
    int cycles = setting.Scaled(100, 1000);
    long long load_only = Growth(setting, cycles, false);
    long long whole = Growth(setting, cycles, true);
    std::string seen = std::string(TheMeasure().what) + " grew by " + Kilobytes(whole) + " over cycles " +
                       std::to_string(cycles / 5) + " to " + std::to_string(cycles) + ", and by " +
                       Kilobytes(load_only) + " over the same cycles of only a load and an unload";
    long long measured = TheMeasure().beyond_load_only ? whole - std::max(load_only, 0LL) : whole;
    Require(measured <= static_cast<long long>(TheMeasure().allowed_growth), "memory/growth",
            seen + "; more than " + Kilobytes(static_cast<long long>(TheMeasure().allowed_growth)) +
                (TheMeasure().beyond_load_only ? " beyond the load and unload" : ""));
    Note(seen);
}

}  // namespace

std::vector<Check> CycleChecks() {
    return {
        {"memory.load-unload-cycles",
         "loaded, started, shown, given a document, stopped and unloaded 100 to 1000 times: memory stays flat",
         kHostileLevel, false, LoadUnload, 3},
    };
}

}  // namespace host::validate

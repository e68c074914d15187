// A host that loads, starts, stops and unloads the plug-in file again and again in one
// process must not grow: 1,000 cycles, with the heap in use measured after 100 and after
// 1,000 of them. The heap is what the C library's allocator (mallinfo2) or, in a sanitizer
// build, the sanitizer's allocator reports in use; where neither is there (Windows) the
// cycles still run and the figures are not taken.
//
// What the system's loader keeps of a load and unload by itself (nothing with glibc's own
// allocator, some 64 bytes a time under AddressSanitizer) is measured first, with 1,000
// cycles that only load and unload the file, and is not the plug-in's: the bound is on the
// growth beyond it. The host reuses freed widget ids and keeps no journal, so that the
// stand-in host itself stays flat.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "host/binds/host.h"
#include "host/binds/widgets/widgets.h"
#include "host/binds/xml.h"
#include "host/drive/option_list.h"
#include "host/drive/plugin_module.h"
#include "host/drive/process_memory.h"
#include "host/records/journal.h"

#if defined(__SANITIZE_ADDRESS__)
#define PELLUCID_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PELLUCID_ASAN 1
#endif
#endif

#if defined(PELLUCID_ASAN)
// The sanitizer runtime's count of the bytes its allocator holds for the program (not every
// compiler ships the header that declares it).
extern "C" size_t __sanitizer_get_current_allocated_bytes(void);
#elif defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

constexpr int kCycles = 1000;
constexpr int kWarmUp = 100;
// What 900 cycles may add: less than 40 bytes a cycle, far below one leaked window (a
// window with its rows holds a few kilobytes) or one unreleased plug-in file.
constexpr size_t kAllowedGrowth = 32 * 1024;

// Bytes the program's allocator holds for it now; none where it cannot be told.
std::optional<size_t> HeapInUse() {
#if defined(PELLUCID_ASAN)
    return __sanitizer_get_current_allocated_bytes();
#elif defined(__GLIBC__)
    struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
#else
    return std::nullopt;
#endif
}

std::string Kilobytes(std::optional<size_t> bytes) {
    return bytes ? std::to_string(*bytes / 1024) + " KiB" : std::string("not measured");
}

// One life of the plug-in in the host: load, handshake, start (which builds the window),
// a document with two slots opened and saved, stop (which destroys it), unload. Without
// `document_element`, only the load and the unload.
void Cycle(host::XmlElement* document_element) {
    std::string error;
    std::unique_ptr<host::PluginModule> plugin = host::PluginModule::Load(host::PluginFileBesideProgram(), &error);
    ASSERT_TRUE(plugin) << error;
    if (document_element == nullptr) return;
    ASSERT_TRUE(plugin->Handshake());
    ASSERT_EQ(plugin->SendEvent(nullptr, 1, nullptr), 1);
    host::OptionList load;
    load.Pointer("xml_elem", document_element).Text("filename", "cycle.scene");
    ASSERT_EQ(plugin->SendEvent(nullptr, 200, load), 1);
    host::XmlElement saved("plugin");
    host::OptionList save;
    save.Pointer("xml_elem", &saved).Text("filename", "cycle.scene").Int("save_uid", 0);
    ASSERT_EQ(plugin->SendEvent(nullptr, 202, save), 1);
    ASSERT_EQ(plugin->SendEvent(nullptr, 2, nullptr), 1);
    ASSERT_EQ(host::TheWidgets().Ids().size(), 1u) << "the plug-in's widgets outlived its stop";
}

struct Growth {
    std::optional<size_t> heap_at_warm_up, heap_at_end, resident_at_warm_up, resident_at_end;

    std::optional<long long> heap() const {
        if (!heap_at_warm_up || !heap_at_end) return std::nullopt;
        return static_cast<long long>(*heap_at_end) - static_cast<long long>(*heap_at_warm_up);
    }
};

Growth RunCycles(host::XmlElement* document_element) {
    Growth growth;
    for (int cycle = 1; cycle <= kCycles; ++cycle) {
        Cycle(document_element);
        if (::testing::Test::HasFatalFailure()) return growth;
        if (cycle == kWarmUp) {
            growth.heap_at_warm_up = HeapInUse();
            growth.resident_at_warm_up = host::ResidentBytes();
        }
    }
    growth.heap_at_end = HeapInUse();
    growth.resident_at_end = host::ResidentBytes();
    return growth;
}

TEST(PluginMemory, ThousandLoadStartStopUnloadCyclesKeepTheHeapFlat) {
    host::ResetHost();
    host::TheJournal().SetRecording(false);
    host::TheWidgets().SetReuseIds(true);
    host::XmlElement element("plugin");
    host::XmlElement& list = element.AppendChild("Store").AppendChild("list");
    list.AppendChild("name").SetText("Body");
    list.AppendChild("name").SetText("Rig");

    Growth loader = RunCycles(nullptr);
    if (HasFatalFailure()) return;
    Growth plugin = RunCycles(&element);
    if (HasFatalFailure()) return;
    std::printf("[ memory   ] heap in use after %d cycles: %s, after %d: %s; resident: %s, %s\n", kWarmUp,
                Kilobytes(plugin.heap_at_warm_up).c_str(), kCycles, Kilobytes(plugin.heap_at_end).c_str(),
                Kilobytes(plugin.resident_at_warm_up).c_str(), Kilobytes(plugin.resident_at_end).c_str());
    if (plugin.heap() && loader.heap()) {
        std::printf("[ memory   ] growth over %d cycles: %lld bytes; of load and unload alone: %lld bytes (bound on "
                    "the difference %zu)\n",
                    kCycles - kWarmUp, *plugin.heap(), *loader.heap(), kAllowedGrowth);
        EXPECT_LE(*plugin.heap() - *loader.heap(), static_cast<long long>(kAllowedGrowth));
    }
    EXPECT_EQ(host::TheBreaches().Text(), "");
}

}  // namespace

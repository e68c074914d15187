// Store, append and recall on documents of 10^3 to 10^6 objects in the stand-in host,
// beside two baselines: the bare visit (the same host calls, no slot work) and a reference
// snapshot in a flat open-addressing table over one arena of name bytes. After the run a
// table gives each operation's time as a ratio to the reference's.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "host/documents.h"
#include "host/journal.h"
#include "host/plugin_module.h"
#include "plugin/host_api.h"
#include "slots/cmq_object.h"
#include "slots/pellucid.h"
#include "slots/slot.h"

namespace {

// ---- Documents ------------------------------------------------------------------------

// Names as a modeller's scene has them, 8 to 40 bytes: a part, a side, filler, and a
// number that keeps them distinct. About 70% of the objects are visible and half pass
// the append test. The seed is fixed, so every run measures the same documents.
std::unique_ptr<host::Document> MakeDocument(int32_t objects, uint64_t seed) {
    static const char* const kParts[] = {"Body", "Wheel", "Door", "Window", "Light", "Chair", "Table",
                                         "Leg", "Arm", "Head", "Roof", "Wall", "Floor", "Lamp",
                                         "Glass", "Frame", "Handle", "Screen", "Panel", "Bolt"};
    static const char* const kSides[] = {"left", "right", "front", "back", "top", "bottom", "inner", "outer"};
    std::mt19937_64 random(seed + static_cast<uint64_t>(objects));
    std::uniform_int_distribution<size_t> length(8, 40);
    auto document = std::make_unique<host::Document>();
    document->Reserve(static_cast<size_t>(objects));
    for (int32_t i = 0; i < objects; ++i) {
        std::string number(1, '.');
        number += std::to_string(i);
        std::string name = std::string(kParts[random() % 20]) + "_" + kSides[random() % 8] + "_";
        size_t target = length(random);
        while (name.size() + number.size() < target) name += "detail_";
        name.resize(target > number.size() ? target - number.size() : 0);
        name += number;
        host::Object& object = document->AddObject(std::move(name), random() % 10 < 7);
        object.SetAppendFilter(random() % 2 == 0 ? 1 : 0);
    }
    return document;
}

// Two documents of each size, of the same length but with other names.
MQDocument DocumentOf(int32_t objects, int which = 0) {
    static std::map<std::pair<int32_t, int>, std::unique_ptr<host::Document>> documents;
    std::unique_ptr<host::Document>& document = documents[{objects, which}];
    if (document == nullptr) document = MakeDocument(objects, which == 0 ? 20260114u : 19700101u);
    return document->handle();
}

// ---- The reference snapshot -------------------------------------------------------------

// Name to flag in one table of fixed-size entries, linear probing, at most half full; the
// names' bytes lie back to back in one arena. Uses the slot's hash, so that the comparison
// is between the containers alone.
class ReferenceSnapshot {
public:
    void Clear() {
        std::fill(table_.begin(), table_.end(), Entry{});
        arena_.clear();
        size_ = 0;
    }
    void Reserve(size_t names) {
        if (names * 2 > table_.size()) Rebuild(names * 2);
    }
    void Set(std::string_view name, bool visible) {
        if ((size_ + 1) * 2 > table_.size()) Rebuild((size_ + 1) * 2);
        uint64_t hash = SlotNameHash{}(name);
        Entry* entry = Probe(hash, name);
        if (!entry->used) {
            *entry = Entry{hash, static_cast<uint32_t>(arena_.size()), static_cast<uint16_t>(name.size()), false, true};
            arena_.append(name);
            ++size_;
        }
        entry->visible = visible;
    }
    // Null when the name is not held.
    const bool* Find(std::string_view name) const {
        if (table_.empty()) return nullptr;
        const Entry* entry = Probe(SlotNameHash{}(name), name);
        return entry->used ? &entry->visible : nullptr;
    }

private:
    struct Entry {
        uint64_t hash = 0;
        uint32_t offset = 0;
        uint16_t length = 0;
        bool visible = false;
        bool used = false;
    };

    Entry* Probe(uint64_t hash, std::string_view name) const {
        size_t mask = table_.size() - 1;
        for (size_t i = hash & mask;; i = (i + 1) & mask) {
            const Entry& entry = table_[i];
            if (!entry.used) return const_cast<Entry*>(&entry);
            if (entry.hash == hash && entry.length == name.size() &&
                std::memcmp(arena_.data() + entry.offset, name.data(), name.size()) == 0) {
                return const_cast<Entry*>(&entry);
            }
        }
    }
    void Rebuild(size_t wanted) {
        size_t capacity = 16;
        while (capacity < wanted) capacity *= 2;
        std::vector<Entry> old = std::move(table_);
        table_.assign(capacity, Entry{});
        size_t mask = capacity - 1;
        for (const Entry& entry : old) {
            if (!entry.used) continue;
            size_t i = entry.hash & mask;
            while (table_[i].used) i = (i + 1) & mask;
            table_[i] = entry;
        }
    }

    std::vector<Entry> table_;
    std::string arena_;
    size_t size_ = 0;
};

// ---- The visit, as the slot operations make it -----------------------------------------

template <typename Take>
void Visit(MQDocument document, Take&& take) {
    int32_t count = g_host.MQDoc_GetObjectCount(document);
    for (int32_t index = 0; index < count; ++index) {
        cmq::CMQObject object(document, index);
        if (object.object == nullptr) continue;
        if (g_host.MQDoc_GetObjectIndex(document, object.object) < 0) continue;
        take(object);
    }
}

int32_t Objects(const benchmark::State& state) { return static_cast<int32_t>(state.range(0)); }

void SetItems(benchmark::State& state) { state.SetItemsProcessed(state.iterations() * state.range(0)); }

// ---- Baselines ----------------------------------------------------------------------------

void BareStoreVisit(benchmark::State& state) {
    MQDocument document = DocumentOf(Objects(state));
    cmq::CMQObject::NameBuffer buffer;
    for (auto _ : state) {
        size_t bytes = 0;
        Visit(document, [&](const cmq::CMQObject& object) {
            bytes += object.GetName(buffer).size();
            bytes += g_host.MQObj_GetVisible(object.object) & 1u;
        });
        benchmark::DoNotOptimize(bytes);
    }
    SetItems(state);
}

void BareRecallVisit(benchmark::State& state) {
    MQDocument document = DocumentOf(Objects(state));
    cmq::CMQObject::NameBuffer buffer;
    for (auto _ : state) {
        Visit(document, [&](const cmq::CMQObject& object) {
            std::string_view name = object.GetName(buffer);
            // Writes back what the object shows, so the document stays as it was.
            g_host.MQObj_SetVisible(object.object, host::Object::FromHandle(object.object)->visible_value());
            benchmark::DoNotOptimize(name.data());
        });
    }
    SetItems(state);
}

void ReferenceStore(benchmark::State& state) {
    MQDocument document = DocumentOf(Objects(state));
    ReferenceSnapshot snapshot;
    cmq::CMQObject::NameBuffer buffer;
    for (auto _ : state) {
        snapshot.Clear();
        snapshot.Reserve(static_cast<size_t>(g_host.MQDoc_GetObjectCount(document)));
        Visit(document, [&](const cmq::CMQObject& object) {
            std::string_view name = object.GetName(buffer);
            snapshot.Set(name, g_host.MQObj_GetVisible(object.object) != 0);
        });
    }
    SetItems(state);
}

// Stores from two documents by turns, so no store finds the names of the one before.
void ReferenceStoreChanged(benchmark::State& state) {
    MQDocument documents[] = {DocumentOf(Objects(state), 0), DocumentOf(Objects(state), 1)};
    ReferenceSnapshot snapshot;
    cmq::CMQObject::NameBuffer buffer;
    size_t turn = 0;
    for (auto _ : state) {
        MQDocument document = documents[turn++ % 2];
        snapshot.Clear();
        snapshot.Reserve(static_cast<size_t>(g_host.MQDoc_GetObjectCount(document)));
        Visit(document, [&](const cmq::CMQObject& object) {
            std::string_view name = object.GetName(buffer);
            snapshot.Set(name, g_host.MQObj_GetVisible(object.object) != 0);
        });
    }
    SetItems(state);
}

void ReferenceAppend(benchmark::State& state) {
    MQDocument document = DocumentOf(Objects(state));
    ReferenceSnapshot snapshot;
    cmq::CMQObject::NameBuffer buffer;
    for (auto _ : state) {
        snapshot.Reserve(static_cast<size_t>(g_host.MQDoc_GetObjectCount(document)));
        Visit(document, [&](const cmq::CMQObject& object) {
            if (g_host.MQObj_GetIntValue(object.object, MQOBJ_ID_APPEND_FILTER) == 0) return;
            std::string_view name = object.GetName(buffer);
            snapshot.Set(name, g_host.MQObj_GetVisible(object.object) != 0);
        });
    }
    SetItems(state);
}

void ReferenceRecall(benchmark::State& state) {
    MQDocument document = DocumentOf(Objects(state));
    ReferenceSnapshot snapshot;
    cmq::CMQObject::NameBuffer buffer;
    Visit(document, [&](const cmq::CMQObject& object) {
        snapshot.Set(object.GetName(buffer), g_host.MQObj_GetVisible(object.object) != 0);
    });
    for (auto _ : state) {
        Visit(document, [&](const cmq::CMQObject& object) {
            const bool* visible = snapshot.Find(object.GetName(buffer));
            if (visible != nullptr) g_host.MQObj_SetVisible(object.object, *visible ? MQOBJ_VISIBLE : MQOBJ_HIDDEN);
        });
    }
    SetItems(state);
}

// ---- The plug-in's operations -----------------------------------------------------------

void StoreSlotOverwrite(benchmark::State& state) {
    MQDocument document = DocumentOf(Objects(state));
    Pellucid plugin;
    for (auto _ : state) plugin.StoreSlot(document, 0, false);
    SetItems(state);
}

void StoreSlotOverwriteChanged(benchmark::State& state) {
    MQDocument documents[] = {DocumentOf(Objects(state), 0), DocumentOf(Objects(state), 1)};
    Pellucid plugin;
    size_t turn = 0;
    for (auto _ : state) plugin.StoreSlot(documents[turn++ % 2], 0, false);
    SetItems(state);
}

void StoreSlotAppend(benchmark::State& state) {
    MQDocument document = DocumentOf(Objects(state));
    Pellucid plugin;
    for (auto _ : state) plugin.StoreSlot(document, 0, true);
    SetItems(state);
}

void RecallSlot(benchmark::State& state) {
    MQDocument document = DocumentOf(Objects(state));
    Pellucid plugin;
    plugin.StoreSlot(document, 0, false);
    for (auto _ : state) benchmark::DoNotOptimize(plugin.RecallSlot(document, 0));
    SetItems(state);
}

// ---- The ratio table --------------------------------------------------------------------

// Shows the run as the console reporter does and keeps each benchmark's fastest
// repetition, to print the ratios when the run is over. The fastest rather than the median:
// on a machine shared with other work, interference only ever adds time.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            bool fastest = run.run_type == Run::RT_Aggregate && run.aggregate_name == "min";
            bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            if (fastest || single) times_[run.run_name.args][run.run_name.function_name] = run.GetAdjustedCPUTime();
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\nTime as a ratio to the reference snapshot's, CPU time of the fastest repetition.\n"
                    "store: overwriting from the same document again; changed: overwriting from two\n"
                    "documents with other names by turns; append: appending from the same document;\n"
                    "recall: recalling onto the document stored. bare: the host calls alone, without\n"
                    "slot work, the floor of any implementation.\n\n");
        std::printf("%10s  %-8s %-9s %-8s %-8s | %-11s %-11s\n", "objects", "store", "changed", "append",
                    "recall", "bare/store", "bare/recall");
        std::map<long, const std::map<std::string, double>*> sizes;
        for (const auto& [args, times] : times_) sizes[std::stol(args)] = &times;
        for (const auto& [objects, times] : sizes) {
            auto ratio = [&](const char* operation, const char* reference) -> std::string {
                auto a = times->find(operation), b = times->find(reference);
                if (a == times->end() || b == times->end() || b->second <= 0) return "-";
                char text[32];
                std::snprintf(text, sizeof text, "%.2fx", a->second / b->second);
                return text;
            };
            std::printf("%10ld  %-8s %-9s %-8s %-8s | %-11s %-11s\n", objects,
                        ratio("StoreSlotOverwrite", "ReferenceStore").c_str(),
                        ratio("StoreSlotOverwriteChanged", "ReferenceStoreChanged").c_str(),
                        ratio("StoreSlotAppend", "ReferenceAppend").c_str(),
                        ratio("RecallSlot", "ReferenceRecall").c_str(),
                        ratio("BareStoreVisit", "ReferenceStore").c_str(),
                        ratio("BareRecallVisit", "ReferenceRecall").c_str());
        }
    }

private:
    std::map<std::string, std::map<std::string, double>> times_;  // by size, then by benchmark
};

void Register(const char* name, void (*function)(benchmark::State&)) {
    benchmark::RegisterBenchmark(name, function)
        ->RangeMultiplier(10)
        ->Range(1000, 1000000)
        ->Unit(benchmark::kMicrosecond)
        ->MinTime(0.2)
        ->Repetitions(5)
        ->ComputeStatistics("min", [](const std::vector<double>& times) {
            return *std::min_element(times.begin(), times.end());
        })
        ->ReportAggregatesOnly(true);
}

}  // namespace

int main(int argc, char** argv) {
    if (BindHostApi(host::HostModuleFile().c_str()) != 1) {
        std::fprintf(stderr, "slot_bench: cannot bind the stand-in host %s\n", host::HostModuleFile().c_str());
        return 1;
    }
    host::TheJournal().SetRecording(false);

    Register("BareStoreVisit", BareStoreVisit);
    Register("ReferenceStore", ReferenceStore);
    Register("StoreSlotOverwrite", StoreSlotOverwrite);
    Register("ReferenceStoreChanged", ReferenceStoreChanged);
    Register("StoreSlotOverwriteChanged", StoreSlotOverwriteChanged);
    Register("ReferenceAppend", ReferenceAppend);
    Register("StoreSlotAppend", StoreSlotAppend);
    Register("BareRecallVisit", BareRecallVisit);
    Register("ReferenceRecall", ReferenceRecall);
    Register("RecallSlot", RecallSlot);

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

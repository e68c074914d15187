// Store, append and recall on documents of 10^3 to 10^6 objects in the stand-in host,
// beside three baselines: the bare visit (the same host calls, no slot work), the plain
// standard map with no speed work, and a reference snapshot in a flat open-addressing table
// over one arena of name bytes. After the run a table gives each time as a ratio to the
// reference's.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "host/binds/documents.h"
#include "host/drive/plugin_module.h"
#include "host/records/journal.h"
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

// ---- The plain slot --------------------------------------------------------------------

// The standard library's map with the slot's hash and a transparent lookup, at the
// library's load factor: the form a slot takes without any speed work.
using PlainMap = std::unordered_map<std::string, bool, SlotNameHash, std::equal_to<>>;

// The slot operations with the plug-in's visit and host calls over a PlainMap: an
// overwrite empties the map, reserves room and inserts forwards; lookups are plain finds.
class PlainSlot {
public:
    void Empty() { PlainMap().swap(slot_); }

    void Store(MQDocument document) {
        slot_.clear();
        slot_.reserve(Room(document));
        cmq::CMQObject::NameBuffer buffer;
        Visit(document, [&](const cmq::CMQObject& object) {
            std::string_view name = object.GetName(buffer);
            bool visible = g_host.MQObj_GetVisible(object.object) != 0;
            auto [entry, added] = slot_.emplace(name, visible);
            if (!added) entry->second = visible;
        });
    }

    void Append(MQDocument document) {
        slot_.reserve(std::max(slot_.size(), Room(document)));
        cmq::CMQObject::NameBuffer buffer;
        Visit(document, [&](const cmq::CMQObject& object) {
            if (g_host.MQObj_GetIntValue(object.object, MQOBJ_ID_APPEND_FILTER) == 0) return;
            std::string_view name = object.GetName(buffer);
            bool visible = g_host.MQObj_GetVisible(object.object) != 0;
            auto found = slot_.find(name);
            if (found != slot_.end()) {
                found->second = visible;
            } else {
                slot_.emplace(name, visible);
            }
        });
    }

    int32_t Recall(MQDocument document) {
        if (slot_.empty()) return 0;
        cmq::CMQObject::NameBuffer buffer;
        Visit(document, [&](const cmq::CMQObject& object) {
            auto found = slot_.find(object.GetName(buffer));
            if (found == slot_.end()) return;
            g_host.MQObj_SetVisible(object.object, found->second ? MQOBJ_VISIBLE : MQOBJ_HIDDEN);
        });
        return 1;
    }

private:
    static size_t Room(MQDocument document) {
        int32_t count = g_host.MQDoc_GetObjectCount(document);
        return std::min(count > 0 ? static_cast<size_t>(count) : 0, size_t{1} << 22);
    }
    PlainMap slot_;
};

// The plug-in's own operations on slot 0, in the same shape.
class PluginSlot {
public:
    void Empty() { plugin_.ClearSlot(0); }
    void Store(MQDocument document) { plugin_.StoreSlot(document, 0, false); }
    void Append(MQDocument document) { plugin_.StoreSlot(document, 0, true); }
    int32_t Recall(MQDocument document) { return plugin_.RecallSlot(document, 0); }

private:
    Pellucid plugin_;
};

// A store into an empty slot, the first a user makes; emptying it again is not timed.
template <typename Make>
void FirstStore(benchmark::State& state, Make make) {
    MQDocument document = DocumentOf(Objects(state));
    auto slot = make();
    for (auto _ : state) {
        state.PauseTiming();
        slot.Empty();
        state.ResumeTiming();
        slot.Store(document);
    }
    SetItems(state);
}

template <typename Make>
void Overwrite(benchmark::State& state, Make make) {
    MQDocument document = DocumentOf(Objects(state));
    auto slot = make();
    for (auto _ : state) slot.Store(document);
    SetItems(state);
}

template <typename Make>
void OverwriteChanged(benchmark::State& state, Make make) {
    MQDocument documents[] = {DocumentOf(Objects(state), 0), DocumentOf(Objects(state), 1)};
    auto slot = make();
    size_t turn = 0;
    for (auto _ : state) slot.Store(documents[turn++ % 2]);
    SetItems(state);
}

template <typename Make>
void Append(benchmark::State& state, Make make) {
    MQDocument document = DocumentOf(Objects(state));
    auto slot = make();
    for (auto _ : state) slot.Append(document);
    SetItems(state);
}

template <typename Make>
void Recall(benchmark::State& state, Make make) {
    MQDocument document = DocumentOf(Objects(state));
    auto slot = make();
    slot.Store(document);
    for (auto _ : state) benchmark::DoNotOptimize(slot.Recall(document));
    SetItems(state);
}

void ReferenceFirstStore(benchmark::State& state) {
    MQDocument document = DocumentOf(Objects(state));
    auto snapshot = std::make_unique<ReferenceSnapshot>();
    cmq::CMQObject::NameBuffer buffer;
    for (auto _ : state) {
        state.PauseTiming();
        snapshot = std::make_unique<ReferenceSnapshot>();
        state.ResumeTiming();
        snapshot->Reserve(static_cast<size_t>(g_host.MQDoc_GetObjectCount(document)));
        Visit(document, [&](const cmq::CMQObject& object) {
            std::string_view name = object.GetName(buffer);
            snapshot->Set(name, g_host.MQObj_GetVisible(object.object) != 0);
        });
    }
    SetItems(state);
}

// ---- The ratio table --------------------------------------------------------------------

// The operations and the implementations timed, in the order of the table.
const char* const kOperations[] = {"first", "store", "changed", "append", "recall"};
const char* const kReferences[] = {"ReferenceFirstStore", "ReferenceStore", "ReferenceStoreChanged",
                                   "ReferenceAppend", "ReferenceRecall"};
const char* const kImplementations[] = {"plugin", "plain"};

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
            if (fastest || single) times_[run.run_name.function_name][std::stol(run.run_name.args)] = run.GetAdjustedCPUTime();
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\nTime as a ratio to the reference snapshot's for the same operation, CPU time of the\n"
                    "fastest repetition. first: a store into an empty slot; store: overwriting from the\n"
                    "same document again; changed: overwriting from two documents with other names by\n"
                    "turns; append: appending from the same document; recall: recalling onto the\n"
                    "document stored. plugin: the plug-in's operations; plain: the standard library's map\n"
                    "with reserve and a transparent lookup, no speed work. bare: the host calls alone,\n"
                    "the floor of any implementation.\n\n");
        std::set<long> sizes;
        for (const auto& [name, times] : times_) {
            for (const auto& [objects, time] : times) sizes.insert(objects);
        }
        std::printf("%-18s", "");
        for (long objects : sizes) std::printf(" %9ld", objects);
        std::printf("\n");
        auto row = [&](const std::string& label, const std::string& name, const std::string& reference) {
            std::printf("%-18s", label.c_str());
            for (long objects : sizes) std::printf(" %9s", Ratio(name, reference, objects).c_str());
            std::printf("\n");
        };
        for (size_t op = 0; op < std::size(kOperations); ++op) {
            for (const char* implementation : kImplementations) {
                std::string name = std::string(kOperations[op]) + "/" + implementation;
                if (times_.count(name) != 0) row(name, name, kReferences[op]);
            }
        }
        std::printf("%-18s", "reference store ms");
        for (long objects : sizes) std::printf(" %9s", Milliseconds("ReferenceStore", objects).c_str());
        std::printf("\n");
        row("bare/store", "BareStoreVisit", "ReferenceStore");
        row("bare/recall", "BareRecallVisit", "ReferenceRecall");
    }

private:
    std::string Ratio(const std::string& name, const std::string& reference, long objects) const {
        auto a = times_.find(name), b = times_.find(reference);
        if (a == times_.end() || b == times_.end()) return "-";
        auto x = a->second.find(objects), y = b->second.find(objects);
        if (x == a->second.end() || y == b->second.end() || y->second <= 0) return "-";
        char text[32];
        std::snprintf(text, sizeof text, "%.2fx", x->second / y->second);
        return text;
    }

    std::string Milliseconds(const std::string& name, long objects) const {
        auto a = times_.find(name);
        if (a == times_.end() || a->second.count(objects) == 0) return "-";
        char text[32];
        std::snprintf(text, sizeof text, "%.3f", a->second.at(objects) / 1000.0);  // kept in microseconds
        return text;
    }

    std::map<std::string, std::map<long, double>> times_;  // by benchmark, then by size
};

template <typename Function>
void Register(const std::string& name, Function function) {
    benchmark::RegisterBenchmark(name.c_str(), function)
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

template <typename Make>
void RegisterOperations(const std::string& implementation, Make make) {
    Register("first/" + implementation, [make](benchmark::State& state) { FirstStore(state, make); });
    Register("store/" + implementation, [make](benchmark::State& state) { Overwrite(state, make); });
    Register("changed/" + implementation, [make](benchmark::State& state) { OverwriteChanged(state, make); });
    Register("append/" + implementation, [make](benchmark::State& state) { Append(state, make); });
    Register("recall/" + implementation, [make](benchmark::State& state) { Recall(state, make); });
}

}  // namespace

int main(int argc, char** argv) {
    if (BindHostApi(host::HostModuleFile().c_str()) != 1) {
        std::fprintf(stderr, "slot_bench: cannot bind the stand-in host %s\n", host::HostModuleFile().c_str());
        return 1;
    }
    host::TheJournal().SetRecording(false);

    Register("BareStoreVisit", BareStoreVisit);
    Register("BareRecallVisit", BareRecallVisit);
    Register("ReferenceFirstStore", ReferenceFirstStore);
    Register("ReferenceStore", ReferenceStore);
    Register("ReferenceStoreChanged", ReferenceStoreChanged);
    Register("ReferenceAppend", ReferenceAppend);
    Register("ReferenceRecall", ReferenceRecall);
    RegisterOperations("plugin", [] { return PluginSlot(); });
    RegisterOperations("plain", [] { return PlainSlot(); });

    // Repetitions of all benchmarks run in random order unless the command line says
    // otherwise, so that no implementation always meets the heap as the one before left it.
    std::vector<char*> arguments(argv, argv + argc);
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    arguments.insert(arguments.begin() + 1, interleave);
    int count = static_cast<int>(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    if (benchmark::ReportUnrecognizedArguments(count, arguments.data())) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

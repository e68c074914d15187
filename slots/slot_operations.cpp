// Store, append, clear and recall: moving visibility between a document and a slot.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "plugin/host_api.h"
#include "slots/cmq_object.h"
#include "slots/pellucid.h"

namespace {

// The number of object places the host reports; nothing to visit when it answers less
// than one.
int32_t CountPlaces(MQDocument document) { return g_host.MQDoc_GetObjectCount(document); }

// Calls `take(object)` for each object of the document that takes part, in place order:
// places 0 to count-1, skipping a place that yields no object and an object whose index
// the host answers negative (one it does not count as part of the document).
template <typename Take>
void VisitObjects(MQDocument document, int32_t count, Take&& take) {
    for (int32_t index = 0; index < count; ++index) {
        cmq::CMQObject object(document, index);
        if (object.object == nullptr) continue;
        if (g_host.MQDoc_GetObjectIndex(document, object.object) < 0) continue;
        take(object);
    }
}

// The names and flags of an overwriting store, in document order, kept until the visit is
// over. When the slot already holds exactly these names, as after a store from the same
// document, only the flags change and no entry is freed or made; otherwise the slot is
// emptied and filled again. Relies on nothing but the map's own lookups and on its
// iterators staying valid while nothing is inserted or erased. Costs a copy of the names,
// freed when the store returns.
class Picture {
public:
    explicit Picture(size_t objects) { entries_.reserve(objects); }

    void Add(std::string_view name, bool visible) {
        bytes_.append(name);
        entries_.push_back(Entry{bytes_.size(), visible});
    }

    // When the slot holds exactly the picture's names, sets their flags and returns true.
    // Otherwise returns false, perhaps having changed flags, for the caller to rebuild the
    // slot. The flags serve as marks of the entries met, to tell whether every entry's name
    // is among the picture's. Of objects sharing a name the last in document order decides.
    bool RefreshFlagsOf(Slot& slot) const {
        if (entries_.size() < slot.size()) return false;  // some entry cannot be met
        std::vector<Slot::iterator> met;
        met.reserve(entries_.size());
        for (size_t i = 0; i < entries_.size(); ++i) {
            auto found = slot.find(Name(i));
            if (found == slot.end()) return false;
            met.push_back(found);
        }
        for (auto& entry : slot) entry.second = false;
        for (Slot::iterator entry : met) entry->second = true;
        for (const auto& entry : slot) {
            if (!entry.second) return false;
        }
        for (size_t i = 0; i < entries_.size(); ++i) met[i]->second = entries_[i].visible;
        return true;
    }

    // Fills an empty slot; a name seen again takes the flag of its later object.
    void PutInto(Slot& slot) const {
        slot.reserve(entries_.size());
        for (size_t i = 0; i < entries_.size(); ++i) {
            auto [entry, added] = slot.emplace(Name(i), entries_[i].visible);
            if (!added) entry->second = entries_[i].visible;
        }
    }

private:
    std::string_view Name(size_t i) const {
        size_t begin = i == 0 ? 0 : entries_[i - 1].end;
        return std::string_view(bytes_).substr(begin, entries_[i].end - begin);
    }

    struct Entry {
        size_t end;  // of the name in bytes_
        bool visible;
    };
    std::string bytes_;
    std::vector<Entry> entries_;
};

}  // namespace

int32_t Pellucid::StoreSlot(MQDocument document, int32_t index, bool append) {
    // Rows come from the window and are below rowCount; anything else would write past
    // the list.
    if (index < 0 || index >= rowCount) return 0;
    if (static_cast<size_t>(index) >= slots.size()) slots.resize(static_cast<size_t>(rowCount), MakeSlot());
    Slot& slot = slots[static_cast<size_t>(index)];

    int32_t count = CountPlaces(document);
    // Room for the places reported, up to a bound: the count is the host's word, and
    // places may be empty, so beyond the bound the containers grow as objects come.
    size_t room = std::min(count > 0 ? static_cast<size_t>(count) : 0, size_t{1} << 22);
    cmq::CMQObject::NameBuffer buffer;

    if (!append) {
        Picture picture(room);
        VisitObjects(document, count, [&](const cmq::CMQObject& object) {
            std::string_view name = object.GetName(buffer);
            picture.Add(name, g_host.MQObj_GetVisible(object.object) != 0);
        });
        if (!picture.RefreshFlagsOf(slot)) {
            slot.clear();
            picture.PutInto(slot);
        }
        return 0;
    }

    // Append keeps what the slot held and adds or updates the objects that pass the host's
    // test: the user was asked "Append?", so the earlier entries are theirs to keep.
    slot.reserve(std::max(slot.size(), room));
    VisitObjects(document, count, [&](const cmq::CMQObject& object) {
        if (g_host.MQObj_GetIntValue(object.object, MQOBJ_ID_APPEND_FILTER) == 0) return;
        std::string_view name = object.GetName(buffer);
        bool visible = g_host.MQObj_GetVisible(object.object) != 0;
        auto found = slot.find(name);
        if (found != slot.end()) {
            found->second = visible;
        } else {
            slot.emplace(name, visible);
        }
    });
    return 0;
}

int32_t Pellucid::RecallSlot(MQDocument document, int32_t index) {
    if (index < 0 || static_cast<size_t>(index) >= slots.size()) return 0;
    const Slot& slot = slots[static_cast<size_t>(index)];
    if (slot.empty()) return 0;

    cmq::CMQObject::NameBuffer buffer;
    VisitObjects(document, CountPlaces(document), [&](const cmq::CMQObject& object) {
        auto found = slot.find(object.GetName(buffer));
        if (found == slot.end()) return;
        g_host.MQObj_SetVisible(object.object, found->second ? MQOBJ_VISIBLE : MQOBJ_HIDDEN);
    });
    return 1;
}

int32_t Pellucid::ClearSlot(int32_t index) {
    if (index < 0 || static_cast<size_t>(index) >= slots.size()) return 0;
    // A fresh map rather than clear(): a cleared slot gives its whole table back.
    slots[static_cast<size_t>(index)] = MakeSlot();
    return 0;
}

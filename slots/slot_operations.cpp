// Store, append, clear and recall: moving visibility between a document and a slot.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <new>
#include <optional>
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

// An overwriting store under way, kept apart from the slot until the visit is over, so
// that an allocation that fails on the way leaves the slot as it was. While every name the
// document gives is one the slot holds, as in a store from the same document again, it
// only notes where each entry is: if the slot then holds no other name, only the flags
// change and no entry is freed or made. At the first name the slot lacks it gives that up
// and fills a new slot from the document, which replaces the old one once it is whole.
// Relies on the slot's iterators staying valid while nothing is inserted or erased.
class Overwrite {
public:
    // `old` is the slot being overwritten, null when the list does not reach it yet.
    Overwrite(Slot* old, size_t objects) : old_(old), room_(objects) {
        if (old_ == nullptr || old_->empty()) Rebuild();
    }

    // Of objects sharing a name the last in document order decides.
    void Add(std::string_view name, bool visible) {
        if (!fresh_) {
            auto found = old_->find(name);
            if (found != old_->end()) {
                // Room for all at the first name met, none when the first is new.
                if (met_.empty()) met_.reserve(room_);
                met_.push_back(Met{found, visible});
                return;
            }
            Rebuild();
        }
        Put(*fresh_, name, visible);
    }

    // Makes slot `index` of `slots` what the document showed, lengthening the list to
    // `rows` first when it is too short. Throws before any change, or changes everything.
    void Commit(std::vector<Slot>& slots, size_t index, size_t rows) {
        if (!fresh_ && !RefreshFlags()) Rebuild();
        if (!fresh_) return;
        if (index >= slots.size()) slots.resize(rows, MakeSlot());
        slots[index].swap(*fresh_);
    }

private:
    struct Met {
        Slot::iterator entry;
        bool visible;
    };

    // Whether the entries met are all the slot's; then sets their flags. The flags serve
    // as marks of the entries met, and are put back as they were when some are not.
    bool RefreshFlags() const {
        Slot& slot = *old_;
        if (met_.size() < slot.size()) return false;  // some entry cannot be met
        std::vector<bool> before;
        before.reserve(slot.size());
        for (auto& entry : slot) {
            before.push_back(entry.second);
            entry.second = false;
        }
        for (const Met& met : met_) met.entry->second = true;
        bool all = std::all_of(slot.begin(), slot.end(), [](const SlotEntry& entry) { return entry.second; });
        if (!all) {
            size_t i = 0;
            for (auto& entry : slot) entry.second = before[i++];
            return false;
        }
        for (const Met& met : met_) met.entry->second = met.visible;
        return true;
    }

    // Starts the new slot with the names met so far.
    void Rebuild() {
        fresh_.emplace(MakeSlot());
        fresh_->reserve(room_);
        for (const Met& met : met_) Put(*fresh_, met.entry->first, met.visible);
        std::vector<Met>().swap(met_);
    }

    static void Put(Slot& slot, std::string_view name, bool visible) {
        auto [entry, added] = slot.emplace(name, visible);
        if (!added) entry->second = visible;
    }

    Slot* old_;
    size_t room_;
    std::vector<Met> met_;
    std::optional<Slot> fresh_;
};

// An append under way. A name the slot lacks is added to it at once, and noted; the flag
// of a name it holds (or was given by the append) is only noted, and set once the visit
// is over, in document order, so that of objects sharing a name the last decides. When an allocation
// fails on the way, the names added are taken out again (which allocates nothing), so the
// slot holds what it held before, with its flags. Nodes are never moved between tables:
// the standard library's node handles do not give back a copy of a stateful allocator.
class Append {
public:
    Append(Slot* old, size_t objects) : old_(old) {
        if (old_ == nullptr) {
            fresh_.emplace(MakeSlot());
            fresh_->reserve(objects);
        } else {
            old_->reserve(std::max(old_->size(), objects));  // the table only, not its contents
            updates_.reserve(std::min(old_->size(), objects));
        }
    }
    ~Append() {
        if (old_ == nullptr || committed_) return;
        for (const std::string* name : added_) old_->erase(*name);
    }
    Append(const Append&) = delete;
    Append& operator=(const Append&) = delete;

    void Add(std::string_view name, bool visible) {
        if (old_ == nullptr) {
            auto [entry, added] = fresh_->emplace(name, visible);
            if (!added) entry->second = visible;
            return;
        }
        auto found = old_->find(name);
        if (found == old_->end()) {
            if (added_.size() == added_.capacity()) added_.reserve(2 * added_.size() + 16);  // room first
            auto entry = old_->emplace(name, visible).first;
            added_.push_back(&entry->first);
        } else {
            updates_.push_back(Update{&found->second, visible});
        }
    }

    // Throws before any change, or changes everything.
    void Commit(std::vector<Slot>& slots, size_t index, size_t rows) {
        if (old_ == nullptr) {
            slots.resize(rows, MakeSlot());
            slots[index].swap(*fresh_);
            return;
        }
        committed_ = true;
        for (const Update& update : updates_) *update.flag = update.visible;
    }

private:
    struct Update {
        bool* flag;  // an element's own, which stays where it is when the table grows
        bool visible;
    };
    Slot* old_;
    std::optional<Slot> fresh_;
    std::vector<const std::string*> added_;
    std::vector<Update> updates_;
    bool committed_ = false;
};
}  // namespace

// Nothing of the list changes until the new contents are whole: an allocation that fails
// during the store leaves the list as it was, and the row's button can show it again.
int32_t Pellucid::StoreSlot(MQDocument document, int32_t index, bool append) {
    // Rows come from the window and are below rowCount; anything else would write past
    // the list.
    if (index < 0 || index >= rowCount) return 0;
    const auto at = static_cast<size_t>(index);
    Slot* old = at < slots.size() ? &slots[at] : nullptr;

    int32_t count = CountPlaces(document);
    // Room for the places reported, up to a bound: the count is the host's word, and
    // places may be empty, so beyond the bound the containers grow as objects come.
    size_t room = std::min(count > 0 ? static_cast<size_t>(count) : 0, size_t{1} << 22);
    cmq::CMQObject::NameBuffer buffer;

    if (!append) {
#ifdef PELLUCID_PLANTED_PARTIAL_STORE
        // Built only into the test that proves the failure sweep finds this: the old
        // entries go before the new ones are whole.
        if (old != nullptr) old->clear();
#endif
        Overwrite overwrite(old, room);
        VisitObjects(document, count, [&](const cmq::CMQObject& object) {
            std::string_view name = object.GetName(buffer);
            overwrite.Add(name, g_host.MQObj_GetVisible(object.object) != 0);
        });
        overwrite.Commit(slots, at, static_cast<size_t>(rowCount));
        return 0;
    }

    // Append keeps what the slot held and adds or updates the objects that pass the host's
    // test: the user was asked "Append?", so the earlier entries are theirs to keep.
    Append addition(old, room);
    VisitObjects(document, count, [&](const cmq::CMQObject& object) {
        if (g_host.MQObj_GetIntValue(object.object, MQOBJ_ID_APPEND_FILTER) == 0) return;
        std::string_view name = object.GetName(buffer);
        addition.Add(name, g_host.MQObj_GetVisible(object.object) != 0);
    });
    addition.Commit(slots, at, static_cast<size_t>(rowCount));
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
    Slot& slot = slots[static_cast<size_t>(index)];
    // A fresh map rather than clear(), so that the slot gives its whole table back; when
    // there is no memory for one, the entries go all the same.
    try {
        Slot fresh = MakeSlot();
        slot.swap(fresh);
    } catch (const std::bad_alloc&) {
        slot.clear();
    }
    return 0;
}

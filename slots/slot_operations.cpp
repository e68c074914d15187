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
// change and nothing is allocated but the notes. At the first name the slot lacks it gives
// that up and fills a new slot from the document, which replaces the old one once it is
// whole. Relies on places in the slot staying valid while nothing is added to it.
class Overwrite {
public:
    // `old` is the slot being overwritten, null when the list does not reach it yet.
    Overwrite(Slot* old, size_t objects) : old_(old), room_(objects) {
        if (old_ == nullptr || old_->empty()) Rebuild();
    }

    // Of objects sharing a name the last in document order decides.
    void Add(std::string_view name, bool visible) {
        if (!fresh_) {
            Slot::Place place = old_->Find(name);
            if (place != Slot::kNowhere) {
                // Room for all at the first name met, none when the first is new.
                if (met_.empty()) met_.reserve(room_);
                met_.push_back(Slot::PlacedFlag{place, visible});
                return;
            }
            Rebuild();
        }
        fresh_->Assign(name, visible);
    }

    // Makes slot `index` of `slots` what the document showed, lengthening the list to
    // `rows` first when it is too short. Throws before any change, or changes everything.
    void Commit(std::vector<Slot>& slots, size_t index, size_t rows) {
        if (!fresh_ && !old_->SetEveryFlag(met_)) Rebuild();
        if (!fresh_) return;
        if (index >= slots.size()) slots.resize(rows);
        slots[index].swap(*fresh_);
    }

private:
    // Starts the new slot with the names met so far. A slot overwritten from another
    // document mostly gets names of about the same length again.
    void Rebuild() {
        fresh_.emplace();
        fresh_->Reserve(room_, old_ != nullptr ? old_->NameBytes() : 0);
        for (const Slot::PlacedFlag& met : met_) fresh_->Assign(old_->NameAt(met.place), met.visible);
        std::vector<Slot::PlacedFlag>().swap(met_);
    }

    Slot* old_;
    size_t room_;
    std::vector<Slot::PlacedFlag> met_;
    std::optional<Slot> fresh_;
};

// An append under way, done in the slot itself. A name the slot lacks is added at once;
// a name it holds has its flag set at once, the flag it had noted first, so that of
// objects sharing a name the last decides. When an allocation fails on the way, the flags
// noted are put back and the names added are taken out again, neither of which allocates,
// so the slot holds what it held before.
class Append {
public:
    Append(Slot* old, size_t objects) : old_(old) {
        if (old_ == nullptr) {
            fresh_.emplace();
            fresh_->Reserve(objects);
        } else {
            old_->Reserve(std::max(old_->size(), objects));
            before_ = old_->NameBytes();
            undo_.reserve(std::min(old_->size(), objects));
        }
    }
    ~Append() {
        if (old_ == nullptr || committed_) return;
        for (auto flag = undo_.rbegin(); flag != undo_.rend(); ++flag) {
            old_->SetFlagAt(old_->PlaceOf(flag->key), flag->visible);
        }
        old_->TakeOutSince(before_);
    }
    Append(const Append&) = delete;
    Append& operator=(const Append&) = delete;

    void Add(std::string_view name, bool visible) {
        if (old_ == nullptr) {
            fresh_->Assign(name, visible);
            return;
        }
        auto [place, added] = old_->Insert(name, visible);
        if (added) return;
        if (!old_->AddedSince(place, before_)) undo_.push_back(Undo{old_->KeyAt(place), old_->FlagAt(place)});
        old_->SetFlagAt(place, visible);
    }

    // Throws before any change, or changes everything.
    void Commit(std::vector<Slot>& slots, size_t index, size_t rows) {
        if (old_ == nullptr) {
            slots.resize(rows);
            slots[index].swap(*fresh_);
            return;
        }
        committed_ = true;
    }

private:
    struct Undo {
        Slot::Key key;
        bool visible;  // the flag before the append
    };
    Slot* old_;
    std::optional<Slot> fresh_;
    size_t before_ = 0;  // the slot's name bytes before the append
    std::vector<Undo> undo_;
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
        if (old != nullptr) *old = Slot();
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
        std::optional<bool> visible = slot.FlagOf(object.GetName(buffer));
        if (!visible) return;
        g_host.MQObj_SetVisible(object.object, *visible ? MQOBJ_VISIBLE : MQOBJ_HIDDEN);
    });
    return 1;
}

int32_t Pellucid::ClearSlot(int32_t index) {
    if (index < 0 || static_cast<size_t>(index) >= slots.size()) return 0;
    // A new slot rather than emptying the old, so that the slot gives its memory back.
    Slot().swap(slots[static_cast<size_t>(index)]);
    return 0;
}

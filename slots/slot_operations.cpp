// Store, append, clear and recall: moving visibility between a document and a slot.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

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

// Sets the entry of `name` to `visible`, adding it when the slot has none. Names seen
// again overwrite, so the last object of a shared name decides its flag.
void Record(Slot& slot, std::string_view name, bool visible) {
    auto found = slot.find(name);
    if (found != slot.end()) {
        found->second = visible;
    } else {
        slot.emplace(name, visible);
    }
}

}  // namespace

int32_t Pellucid::StoreSlot(MQDocument document, int32_t index, bool append) {
    // Rows come from the window and are below rowCount; anything else would write past
    // the list.
    if (index < 0 || static_cast<uint64_t>(index) >= rowCount) return 0;
    if (static_cast<size_t>(index) >= slots.size()) slots.resize(static_cast<size_t>(rowCount));
    Slot& slot = slots[static_cast<size_t>(index)];

    // Append keeps what the slot held and adds or updates the objects that pass the host's
    // test: the user was asked "Append?", so the earlier entries are theirs to keep.
    if (!append) slot.clear();
    int32_t count = CountPlaces(document);
    if (count > 0) slot.reserve(std::max(slot.size(), static_cast<size_t>(count)));

    cmq::CMQObject::NameBuffer buffer;
    VisitObjects(document, count, [&](const cmq::CMQObject& object) {
        if (append && g_host.MQObj_GetIntValue(object.object, MQOBJ_ID_APPEND_FILTER) == 0) return;
        std::string_view name = object.GetName(buffer);
        bool visible = g_host.MQObj_GetVisible(object.object) != 0;
        Record(slot, name, visible);
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
    Slot().swap(slots[static_cast<size_t>(index)]);
    return 0;
}

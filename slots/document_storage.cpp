// The slots inside the document file: under the plug-in's element, one "Store" element
// with one "list" per slot, in slot order, and one "name" per entry:
//
//   <Store>
//     <list><name visible="true">Body</name><name visible="false">Rig</name></list>
//     <list/>
//   </Store>
//
// A list's position among its siblings is its slot number; nothing else is stored.
#include <string>
#include <utility>
#include <vector>

#include "plugin/xml_access.h"
#include "slots/pellucid.h"
#include "slots/pellucid_window.h"

// Writes every slot up to the last that holds entries; the empty slots after it are
// dropped from the list itself. Without an element from the host there is nowhere to
// write, and nothing changes. A "Store" that could not be written whole is taken out
// again: a host that writes the element anyway would otherwise keep a part of the slots
// in the file, and the next load would take that part for all of them.
void Pellucid::OnSaveDocument(MQDocument, const char*, DocumentXmlArgs* args) {
    if (args == nullptr || args->element == nullptr) return;
    MQXmlElement store = AddChildElement(args->element, "Store");
    while (!slots.empty() && slots.back().empty()) slots.pop_back();
    try {
        for (const Slot& slot : slots) {
            MQXmlElement list = AddChildElement(store, "list");
            for (const auto& [name, visible] : slot) {
                MQXmlElement entry = AddChildElement(list, "name");
                SetTextAnsi(entry, std::string(name));
                SetAttributeAnsi(entry, "visible", visible ? "true" : "false");
            }
        }
    } catch (...) {
        RemoveChildElement(args->element, store);
        throw;
    }
}

namespace {

// The slots under `list` and the elements after it, read into a list of their own.
std::vector<Slot> ReadSlots(MQXmlElement store, MQXmlElement list) {
    std::vector<Slot> slots;
    for (; list != nullptr; list = NextChildElement(store, list)) {
        Slot slot;
        for (MQXmlElement entry = FindChildElement(list, nullptr); entry != nullptr;
             entry = NextChildElement(list, entry)) {
            std::string name = GetTextAnsi(entry);
            std::string visible;
            GetAttributeAnsi(entry, "visible", visible);
            slot.Insert(name, visible == "true");
        }
        slots.push_back(std::move(slot));
    }
    return slots;
}

}  // namespace

// Replaces the slot list with the one in the document. The first child of the plug-in's
// element is taken as the store whatever its name, and every child below it as a slot or
// an entry whatever its name; a missing text is the empty name, and only "true" is
// visible. When a name comes twice in one slot the first wins. The old slots are dropped
// even when the document holds none.
//
// The new list is read beside the old one, and the rows are rebuilt beside the old rows;
// when memory runs out before both are whole, the old list, row count and rows stay, and
// the rows show again which slots hold entries.
void Pellucid::OnLoadDocument(MQDocument, const char*, DocumentXmlArgs* args) {
    MQXmlElement element = args != nullptr ? args->element : nullptr;
    MQXmlElement store = element != nullptr ? FindChildElement(element, nullptr) : nullptr;
    MQXmlElement list = store != nullptr ? FindChildElement(store, nullptr) : nullptr;
    NewDocumentEra();
    WindowCall call(*this);
    if (window != nullptr) window->ReleaseAllButtons();
    try {
        std::vector<Slot> loaded = ReadSlots(store, list);
        Row rows = loaded.size() > 5 ? static_cast<Row>(loaded.size()) : 5;
        slots.swap(loaded);
        std::swap(rowCount, rows);
        try {
            if (window != nullptr) window->RebuildRows();
        } catch (...) {
            slots.swap(loaded);
            rowCount = rows;
            throw;
        }
    } catch (...) {
        if (window != nullptr) window->ShowSlotStates();
        throw;
    }
}

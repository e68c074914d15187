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

#include "plugin/xml_access.h"
#include "slots/pellucid.h"
#include "slots/pellucid_window.h"

// Writes every slot up to the last that holds entries; the empty slots after it are
// dropped from the list itself. Without an element from the host there is nowhere to
// write, and nothing changes.
void Pellucid::OnSaveDocument(MQDocument, const char*, DocumentXmlArgs* args) {
    if (args == nullptr || args->element == nullptr) return;
    MQXmlElement store = AddChildElement(args->element, "Store");
    while (!slots.empty() && slots.back().empty()) slots.pop_back();
    for (const Slot& slot : slots) {
        MQXmlElement list = AddChildElement(store, "list");
        for (const auto& [name, visible] : slot) {
            MQXmlElement entry = AddChildElement(list, "name");
            SetTextAnsi(entry, name);
            SetAttributeAnsi(entry, "visible", visible ? "true" : "false");
        }
    }
}

// Replaces the slot list with the one in the document. The first child of the plug-in's
// element is taken as the store whatever its name, and every child below it as a slot or
// an entry whatever its name; a missing text is the empty name, and only "true" is
// visible. When a name comes twice in one slot the first wins. The old slots are dropped
// even when the document holds none.
void Pellucid::OnLoadDocument(MQDocument, const char*, DocumentXmlArgs* args) {
    MQXmlElement element = args != nullptr ? args->element : nullptr;
    MQXmlElement store = element != nullptr ? FindChildElement(element, nullptr) : nullptr;
    MQXmlElement list = store != nullptr ? FindChildElement(store, nullptr) : nullptr;
    NewDocumentEra();
    WindowCall call(*this);
    if (window != nullptr) window->ReleaseAllButtons();
    slots.clear();
    rowCount = 5;
    for (; list != nullptr; list = NextChildElement(store, list)) {
        Slot slot = MakeSlot();
        for (MQXmlElement entry = FindChildElement(list, nullptr); entry != nullptr;
             entry = NextChildElement(list, entry)) {
            std::string name = GetTextAnsi(entry);
            std::string visible;
            GetAttributeAnsi(entry, "visible", visible);
            slot.emplace(std::move(name), visible == "true");
        }
        slots.push_back(std::move(slot));
    }
    if (slots.size() > static_cast<size_t>(rowCount)) rowCount = static_cast<Row>(slots.size());
    if (window != nullptr) window->RebuildRows();
}

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

#include "plugin/host_api.h"
#include "plugin/xml_access.h"
#include "slots/pellucid.h"
#include "slots/pellucid_window.h"

namespace {

// The element's first child of any name, or null.
MQXmlElement FirstChild(MQXmlElement parent) {
    void* record[2] = {nullptr, nullptr};  // name filter: none; out: the child
    g_host.MQXmlElem_Value(parent, MQXML_FIRST_CHILD, record);
    return record[1];
}

// The child of `parent` that follows `child`, of any name, or null after the last.
MQXmlElement NextChild(MQXmlElement parent, MQXmlElement child) {
    void* record[3] = {nullptr, child, nullptr};
    g_host.MQXmlElem_Value(parent, MQXML_NEXT_CHILD, record);
    return record[2];
}

void SetText(MQXmlElement element, const std::string& utf8) {
    void* record[1] = {const_cast<char*>(utf8.c_str())};
    g_host.MQXmlElem_Value(element, MQXML_SET_TEXT, record);
}

}  // namespace

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
            SetText(entry, AnsiToUtf8(name));
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
    MQXmlElement store = element != nullptr ? FirstChild(element) : nullptr;
    MQXmlElement list = store != nullptr ? FirstChild(store) : nullptr;
    if (window != nullptr) window->ReleaseAllButtons();
    slots.clear();
    rowCount = 5;
    for (; list != nullptr; list = NextChild(store, list)) {
        Slot slot = MakeSlot();
        for (MQXmlElement entry = FirstChild(list); entry != nullptr; entry = NextChild(list, entry)) {
            std::string name = GetTextAnsi(entry);
            std::string visible;
            GetAttributeAnsi(entry, "visible", visible);
            slot.emplace(std::move(name), visible == "true");
        }
        slots.push_back(std::move(slot));
    }
    if (slots.size() > rowCount) rowCount = slots.size();
    if (window != nullptr) window->RebuildRows();
}

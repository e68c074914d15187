// The third door: the element tree a document brings. The input is a document file's
// plug-in element as the stand-in host reads it (host::ParseXml); a tree that parses is
// handed to the running plug-in's OnLoadDocument (event 200). Then:
// - the slots read are exactly what the tree holds: the first child is the store, each of
//   its children a slot, each of theirs an entry; text is the name, "true" is shown, the
//   first of a name wins;
// - the rows show it: an "S" button is down exactly when its slot holds entries;
// - save, load and save again give the same tree (the order of a slot's entries means
//   nothing), through the file form each time;
// - the slots after the second load are those after the first, less the empty slots at the
//   end, which a save drops.
// An attribute "fail" of the top element chooses one of the plug-in's allocations during
// the first load to fail (counted from 1): the load must then leave no slot and five rows,
// as the plug-in had before it.
// The same bytes also fill the plug-in's section of the host's settings, as a settings file
// of another version or a damaged one would: the start reads whatever "Pellucid_activate",
// "PosX" and "PosY" hold, and the stop writes the shown state and the window's place back
// as the last elements of their names.
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/harness.h"
#include "host/binds/settings.h"
#include "host/binds/widgets/widgets.h"
#include "host/binds/xml.h"
#include "host/drive/option_list.h"
#include "host/files/xml_file.h"
#include "platform/platform.h"
#include "slots/pellucid.h"
#include "slots/pellucid_window.h"

namespace {

// The element's name as the plug-in holds it: the host's UTF-8 in the narrow encoding.
std::string Narrow(const std::string& utf8) {
    return platform::FromWide(platform::CodePage::Ansi, platform::ToWide(platform::CodePage::Utf8, utf8.c_str()).c_str());
}

// The slots a tree holds, read independently of the plug-in.
std::vector<Slot> SlotsOf(const host::XmlElement& element) {
    std::vector<Slot> slots;
    const host::XmlElement* store = element.FirstChild();
    if (store == nullptr) return slots;
    for (const host::XmlElement* list = store->FirstChild(); list != nullptr; list = list->NextSibling()) {
        Slot slot;
        for (const host::XmlElement* entry = list->FirstChild(); entry != nullptr; entry = entry->NextSibling()) {
            const std::string* visible = entry->FindAttribute("visible");
            slot.Insert(Narrow(entry->Text()), visible != nullptr && Narrow(*visible) == "true");
        }
        slots.push_back(std::move(slot));
    }
    return slots;
}

// The tree as text with the entries of each slot in a fixed order.
std::string Canonical(const host::XmlElement& element) {
    std::string text = "<" + element.Name();
    for (const auto& [name, value] : element.Attributes()) text += " " + name + "=\"" + value + "\"";
    text += ">" + element.Text();
    std::vector<std::string> children;
    for (const host::XmlElement* child = element.FirstChild(); child != nullptr; child = child->NextSibling()) {
        children.push_back(Canonical(*child));
    }
    if (element.Name() == "list") std::sort(children.begin(), children.end());
    for (const std::string& child : children) text += child;
    return text + "</" + element.Name() + ">";
}

void Load(host::XmlElement& element) {
    host::OptionList options;
    options.Pointer("xml_elem", &element).Text("filename", "fuzz.scene");
    fuzz::SendEvent(nullptr, MQEVENT_LOAD_DOCUMENT, options.Array());
}

// Saves into a new plug-in element and returns it as the file would give it back.
std::unique_ptr<host::XmlElement> SaveThroughFile(std::string* text) {
    host::XmlElement element("plugin");
    host::OptionList options;
    options.Pointer("xml_elem", &element).Text("filename", "fuzz.scene").Int("save_uid", 0);
    fuzz::SendEvent(nullptr, MQEVENT_SAVE_DOCUMENT, options.Array());
    *text = host::WriteXml(element);
    std::string error;
    std::unique_ptr<host::XmlElement> read = host::ParseXml(*text, &error);
    FUZZ_CHECK(read != nullptr, "the saved element cannot be read back: " + error + "\n" + *text);
    FUZZ_CHECK(Canonical(*read) == Canonical(element), "the file form changed the element:\n" + *text);
    return read;
}

// The text of the last child named `name`, where a save puts its key.
std::string LastText(const host::XmlElement& section, const char* name) {
    const host::XmlElement* last = nullptr;
    for (const host::XmlElement* child = section.FirstChild(); child != nullptr; child = child->NextSibling()) {
        if (child->Name() == name) last = child;
    }
    return last != nullptr ? last->Text() : "(none)";
}

std::string RowsText(const std::vector<Slot>& slots, uint64_t rows) {
    return "rows " + std::to_string(rows) + "\n" + fuzz::SlotsText(slots);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string error;
    std::unique_ptr<host::XmlElement> tree =
        host::ParseXml(std::string_view(reinterpret_cast<const char*>(data), size), &error);
    if (!tree) return 0;

    fuzz::ResetAll(false);
    Pellucid& plugin = fuzz::ThePlugin();
    host::XmlElement& section = host::PluginSettings().AppendChild(
        platform::SettingsSectionName(Pellucid::kProductID, Pellucid::kPluginID));
    std::unique_ptr<host::XmlElement> settings = host::ParseXml(std::string_view(reinterpret_cast<const char*>(data), size), &error);
    while (host::XmlElement* child = settings->FirstChild()) section.AppendChild(settings->DetachChild(child));
    fuzz::SendEvent(nullptr, MQEVENT_INITIALIZE, nullptr);
    int32_t window = plugin.window->GetID();
    FUZZ_CHECK(host::TheWidgets().Find(window)->visible == plugin.active, "shown exactly when active");

    uint64_t fail_at = 0;
    if (const std::string* fail = tree->FindAttribute("fail")) fail_at = std::strtoull(fail->c_str(), nullptr, 10);
    {
        fuzz::OutOfMemory out_of_memory(fail_at);
        Load(*tree);
    }
    fuzz::CheckInvariants(true);
    std::vector<Slot> first = plugin.slots;
    std::vector<Slot> expected = fuzz::RanOutOfMemory() ? std::vector<Slot>() : SlotsOf(*tree);
    FUZZ_CHECK(first == expected, "read:\n" + fuzz::SlotsText(first) + "the tree holds:\n" + fuzz::SlotsText(expected));
    FUZZ_CHECK(static_cast<size_t>(plugin.rowCount) == std::max<size_t>(5, first.size()), RowsText(first, plugin.rowCount));

    std::string first_text, second_text;
    std::unique_ptr<host::XmlElement> saved = SaveThroughFile(&first_text);
    Load(*saved);
    fuzz::CheckInvariants(true);
    std::vector<Slot> second = plugin.slots;
    std::vector<Slot> kept = fuzz::Trimmed(first);
    FUZZ_CHECK(second == kept, "after the round trip:\n" + fuzz::SlotsText(second) + "before:\n" + fuzz::SlotsText(kept));
    FUZZ_CHECK(static_cast<size_t>(plugin.rowCount) == std::max<size_t>(5, kept.size()), RowsText(second, plugin.rowCount));

    std::unique_ptr<host::XmlElement> resaved = SaveThroughFile(&second_text);
    FUZZ_CHECK(Canonical(*resaved) == Canonical(*saved), "first save:\n" + first_text + "second save:\n" + second_text);

    const host::Widget* shown = host::TheWidgets().Find(window);
    std::string position[2] = {std::to_string(shown->pos_x), std::to_string(shown->pos_y)};
    bool active = plugin.active;
    fuzz::SendEvent(nullptr, MQEVENT_EXIT, nullptr);
    fuzz::CheckInvariants(false);
    FUZZ_CHECK(LastText(section, "PosX") == position[0] && LastText(section, "PosY") == position[1],
               "the place saved is not the window's");
    FUZZ_CHECK(LastText(section, "Pellucid_activate") == (active ? "1" : "0"), "the shown state saved");
    return 0;
}

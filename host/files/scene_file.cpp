#include "host/files/scene_file.h"

#include <cstdlib>

#include "host/files/file_io.h"
#include "host/files/xml_file.h"
#include "host/records/value_text.h"
#include "platform/platform.h"

namespace host {
namespace {

bool ReadFlag(const XmlElement& entry, const char* name, bool fallback, bool* value) {
    const std::string* text = entry.FindAttribute(name);
    if (text == nullptr) {
        *value = fallback;
        return true;
    }
    if (*text != "true" && *text != "false") return false;
    *value = *text == "true";
    return true;
}

bool ReadInteger(const XmlElement& entry, const char* name, int32_t* value) {
    const std::string* text = entry.FindAttribute(name);
    if (text == nullptr) return true;
    char* end = nullptr;
    long number = std::strtol(text->c_str(), &end, 10);
    if (text->empty() || *end != '\0' || number < INT32_MIN || number > INT32_MAX) return false;
    *value = static_cast<int32_t>(number);
    return true;
}

}  // namespace

std::string HostTextFromUtf8(const std::string& utf8) {
    return platform::Recode(platform::CodePage::Utf8, platform::CodePage::Ansi, utf8);
}

std::string Utf8FromHostText(const std::string& text) {
    return platform::Recode(platform::CodePage::Ansi, platform::CodePage::Utf8, text);
}

std::string WhyNotNameText(const std::string& utf8) {
    std::string why = WhyNotXmlText(utf8);
    if (why.empty() && Utf8FromHostText(HostTextFromUtf8(utf8)) != utf8) {
        why = "a character that the scene's code page cannot hold";
    }
    return why;
}

bool ReadScene(const std::string& file, SceneContent* scene, std::string* error) {
    auto fail = [&](const std::string& why) {
        *error = file + ": " + why;
        return false;
    };
    std::string text, why;
    if (!ReadWholeFile(file, &text, &why)) return fail("cannot be read (" + why + ")");
    std::unique_ptr<XmlElement> root = ParseXml(text, &why);
    if (!root) return fail("not well-formed XML: " + why);
    if (root->Name() != "scene") {
        return fail("not a scene file: its top element is <" + VisibleText(root->Name()) + ">, not <scene>");
    }

    SceneContent content;
    const XmlElement* objects = root->FindChild("objects");
    int entry_number = 0;
    for (const XmlElement* entry = objects != nullptr ? objects->FirstChild() : nullptr; entry != nullptr;
         entry = entry->NextSibling()) {
        std::string where = "object entry " + std::to_string(++entry_number);
        SceneContent::Place place;
        if (entry->Name() == "empty") {
            place.empty = true;
        } else if (entry->Name() == "object") {
            const std::string* name = entry->FindAttribute("name");
            if (name == nullptr) return fail(where + " has no name");
            where += " (" + QuotedText(*name) + ")";
            std::string why = WhyNotNameText(*name);
            if (!why.empty()) return fail(where + ": its name has " + why);
            place.name = HostTextFromUtf8(*name);
            if (!ReadFlag(*entry, "visible", true, &place.visible))
                return fail(where + ": visible must be \"true\" or \"false\"");
            if (!ReadFlag(*entry, "counted", true, &place.counted))
                return fail(where + ": counted must be \"true\" or \"false\"");
            if (!ReadInteger(*entry, "value262", &place.value262))
                return fail(where + ": value262 must be a whole number");
        } else {
            return fail(where + " is <" + VisibleText(entry->Name()) + ">, not <object> or <empty>");
        }
        content.places.push_back(std::move(place));
    }
    if (XmlElement* plugins = root->FindChild("plugins")) {
        // What the plug-ins are handed must be writable again when the scene is saved.
        std::string why = WhyNotWritableXml(*plugins);
        if (!why.empty()) return fail("the plug-in data cannot be kept: " + VisibleText(why));
        content.plugins = root->DetachChild(plugins);
    }
    *scene = std::move(content);
    return true;
}

void BuildDocument(const SceneContent& scene, Document& document) {
    document.Reserve(scene.places.size());
    for (const SceneContent::Place& place : scene.places) {
        if (place.empty) {
            document.AddEmptyPlace();
            continue;
        }
        Object& object = document.AddObject(place.name, place.visible);
        object.SetAppendFilter(place.value262);
        object.SetCounted(place.counted);
    }
}

bool WriteScene(const std::string& file, const Document& document, const XmlElement& plugins, std::string* error) {
    XmlElement root("scene");
    XmlElement& objects = root.AppendChild("objects");
    for (int32_t place = 0; place < document.PlaceCount(); ++place) {
        const Object* object = document.ObjectAt(place);
        if (object == nullptr) {
            objects.AppendChild("empty");
            continue;
        }
        XmlElement& entry = objects.AppendChild("object");
        std::string name = Utf8FromHostText(object->name());
        std::string why = WhyNotXmlText(name);
        if (!why.empty()) {
            *error = file + ": the object at #" + std::to_string(place) + " (" + QuotedText(name) + ") has " + why;
            return false;
        }
        entry.SetAttribute("name", std::move(name));
        entry.SetAttribute("visible", object->visible() ? "true" : "false");
        if (object->append_filter() != 0) entry.SetAttribute("value262", std::to_string(object->append_filter()));
        if (!object->counted()) entry.SetAttribute("counted", "false");
    }
    // The plug-in elements are copied through the file form, which also checks that the
    // plug-ins left nothing an XML file cannot hold.
    std::string why = WhyNotWritableXml(plugins);
    if (!why.empty()) {
        *error = file + ": the plug-in data cannot be written (" + VisibleText(why) + ")";
        return false;
    }
    std::unique_ptr<XmlElement> copy = ParseXml(WriteXml(plugins), &why);
    if (!copy) {
        *error = file + ": the plug-in data cannot be written (" + why + ")";
        return false;
    }
    root.AppendChild(std::move(copy));
    return WriteFileAtomically(file, WriteXml(root), error);
}

XmlElement& PluginElement(XmlElement& plugins, uint32_t product, uint32_t id) {
    std::string product_text = HexText(product, 8, ""), id_text = HexText(id, 8, "");
    for (XmlElement* element = plugins.FindChild("plugin"); element != nullptr;
         element = element->FindNextSibling("plugin")) {
        const std::string* p = element->FindAttribute("product");
        const std::string* i = element->FindAttribute("id");
        if (p != nullptr && i != nullptr && *p == product_text && *i == id_text) return *element;
    }
    XmlElement& element = plugins.AppendChild("plugin");
    element.SetAttribute("product", product_text);
    element.SetAttribute("id", id_text);
    return element;
}

}  // namespace host

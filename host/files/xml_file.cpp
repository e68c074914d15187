// The file form of the host's element trees, through pugixml.
#include "host/files/xml_file.h"

#include <pugixml.hpp>

#include <sstream>
#include <vector>

#include "host/records/value_text.h"

namespace host {

namespace {

bool IsWhitespaceOnly(const std::string& text) {
    return text.find_first_not_of(" \t\r\n") == std::string::npos;
}

// pugixml keeps a carriage return in text only when it does not normalise line ends, and
// keeps a text of blanks only when it is an element's one child.
constexpr unsigned kParseOptions =
    (pugi::parse_default & ~pugi::parse_eol) | pugi::parse_ws_pcdata_single;

}  // namespace

std::string WriteXml(const XmlElement& root) {
    pugi::xml_document document;
    std::vector<std::pair<const XmlElement*, pugi::xml_node>> work;
    work.emplace_back(&root, document.append_child(root.Name().c_str()));
    while (!work.empty()) {
        auto [element, node] = work.back();
        work.pop_back();
        for (const XmlElement::Attribute& attribute : element->Attributes()) {
            node.append_attribute(attribute.first.c_str()).set_value(attribute.second.c_str());
        }
        if (!element->Text().empty()) {
            bool blank = IsWhitespaceOnly(element->Text());
            node.append_child(blank ? pugi::node_cdata : pugi::node_pcdata).set_value(element->Text().c_str());
        }
        for (const XmlElement* child = element->FirstChild(); child != nullptr; child = child->NextSibling()) {
            work.emplace_back(child, node.append_child(child->Name().c_str()));
        }
    }
    std::ostringstream out;
    document.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
    return out.str();
}

std::string WhyNotXmlText(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        char32_t code = 0;
        size_t length = Utf8CharacterAt(text, i, &code);
        if (length == 0) {
            return "the byte " + HexText(static_cast<unsigned char>(text[i]), 2) + " at byte " + std::to_string(i) +
                   ", which is not UTF-8";
        }
        bool allowed = code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF) ||
                       (code >= 0xE000 && code <= 0xFFFD) || code >= 0x10000;
        if (!allowed) {
            return "U+" + HexText(static_cast<uint32_t>(code), 4, "") + " at byte " + std::to_string(i) +
                   ", which an XML file cannot carry";
        }
        i += length;
    }
    return "";
}

std::string WhyNotWritableXml(const XmlElement& root) {
    // The path is made only for the element at fault, from its parents up to `root`.
    auto path = [&root](const XmlElement* element) {
        std::string names;
        for (; element != nullptr; element = element == &root ? nullptr : element->Parent()) {
            names.insert(0, "<" + element->Name() + ">");
        }
        return names;
    };
    std::vector<const XmlElement*> work{&root};
    while (!work.empty()) {
        const XmlElement* element = work.back();
        work.pop_back();
        std::string why = WhyNotXmlText(element->Name());
        if (!why.empty()) return path(element) + ": its name has " + why;
        for (const XmlElement::Attribute& attribute : element->Attributes()) {
            why = WhyNotXmlText(attribute.first);
            if (!why.empty()) return path(element) + ": an attribute's name has " + why;
            why = WhyNotXmlText(attribute.second);
            if (!why.empty()) return path(element) + ": its attribute " + attribute.first + " has " + why;
        }
        why = WhyNotXmlText(element->Text());
        if (!why.empty()) return path(element) + ": its text has " + why;
        for (const XmlElement* child = element->LastChild(); child != nullptr; child = child->PreviousSibling()) {
            work.push_back(child);
        }
    }
    return "";
}

std::unique_ptr<XmlElement> ParseXml(std::string_view text, std::string* error) {
    pugi::xml_document document;
    pugi::xml_parse_result parsed =
        document.load_buffer(text.data(), text.size(), kParseOptions, pugi::encoding_utf8);
    if (!parsed) {
        if (error != nullptr) {
            // Lines and columns count from 1, columns in bytes.
            size_t line = 1, column = 1;
            for (size_t i = 0; i < static_cast<size_t>(parsed.offset) && i < text.size(); ++i) {
                column = text[i] == '\n' ? 1 : column + 1;
                line += text[i] == '\n' ? 1 : 0;
            }
            *error = std::string(parsed.description()) + " at line " + std::to_string(line) + ", column " +
                     std::to_string(column);
        }
        return nullptr;
    }
    pugi::xml_node top = document.document_element();
    auto root = std::make_unique<XmlElement>(top.name());
    std::vector<std::pair<pugi::xml_node, XmlElement*>> work{{top, root.get()}};
    while (!work.empty()) {
        auto [node, element] = work.back();
        work.pop_back();
        for (pugi::xml_attribute attribute : node.attributes()) {
            element->SetAttribute(attribute.name(), attribute.value());
        }
        std::string element_text;
        for (pugi::xml_node child : node.children()) {
            if (child.type() == pugi::node_element) {
                work.emplace_back(child, &element->AppendChild(child.name()));
            } else if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) {
                element_text += child.value();
            }
        }
        element->SetText(std::move(element_text));
    }
    return root;
}

}  // namespace host

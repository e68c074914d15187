// Scene files: a document's objects and each plug-in's own element, in a readable XML
// file that the stand-in host reads and writes.
//
//   <scene>
//     <objects>
//       <object name="Floor" visible="true" value262="1"/>
//       <empty/>                                   (a place whose object was deleted)
//       <object name="Rig" visible="false" counted="false"/>
//     </objects>
//     <plugins>
//       <plugin product="7C4B21D9" id="3E8A6F12"> ...the plug-in's own elements... </plugin>
//     </plugins>
//   </scene>
//
// "visible" is "true" (the default) or "false"; "value262" is the object's answer to value
// code 262 (0 when absent); "counted" is "false" for an object the document does not count.
// Names are UTF-8 in the file and in the host's narrow encoding inside it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "host/binds/documents.h"
#include "host/binds/xml.h"

namespace host {

// A scene read from a file: the objects, ready to become a document, and the plug-in
// elements.
struct SceneContent {
    struct Place {
        bool empty = false;
        std::string name;  // in the host's narrow encoding
        bool visible = true;
        int32_t value262 = 0;
        bool counted = true;
    };
    std::vector<Place> places;
    std::unique_ptr<XmlElement> plugins = std::make_unique<XmlElement>("plugins");
};

// Text as the host holds it (its narrow encoding) from UTF-8, and back: object names are
// UTF-8 in scene files and on the terminal.
std::string HostTextFromUtf8(const std::string& utf8);
std::string Utf8FromHostText(const std::string& text);
// Why `utf8` cannot be an object's name, "" when it can: it must be UTF-8 that an XML file
// can carry (WhyNotXmlText) and that the host's code page holds. Names that cannot are
// refused where they enter (at load and at rename), so that every saved scene reads back
// in any XML parser, and no name is changed without a word. An empty name is a name.
std::string WhyNotNameText(const std::string& utf8);

// Reads `file`. False with `error` set to one line naming the file and the place (line and
// column for a fault of form, the object entry for a fault of content) when the file
// cannot be read, is not well-formed, is not a scene, or holds an object entry without a
// name, with a name that WhyNotNameText refuses (named by entry, with the byte offset),
// or with a value that is not one of those above.
bool ReadScene(const std::string& file, SceneContent* scene, std::string* error);

// Fills the empty `document` with the scene's places.
void BuildDocument(const SceneContent& scene, Document& document);

// Writes `document` and `plugins` to `file` atomically: the file is at every moment the
// old scene or the new one, whole. False with `error` set when it cannot be written.
bool WriteScene(const std::string& file, const Document& document, const XmlElement& plugins,
                std::string* error);

// The element under `plugins` that belongs to the plug-in (product, id), added empty when
// there is none.
XmlElement& PluginElement(XmlElement& plugins, uint32_t product, uint32_t id);

}  // namespace host

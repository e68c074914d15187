// The file form of the host's element trees: the settings file and the plug-in elements of
// a scene file are written and read through it.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "host/binds/xml.h"

namespace host {

// An element tree as an XML document (UTF-8, indented), and back. Whitespace-only texts
// are written as CDATA so that they survive the reading, which drops whitespace between
// elements.
std::string WriteXml(const XmlElement& root);
// The document element of `text` with everything under it; null with `error` set (one
// line, with the offset of the fault) when the text is not a well-formed document.
std::unique_ptr<XmlElement> ParseXml(std::string_view text, std::string* error);

}  // namespace host

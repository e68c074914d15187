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
// Why `text` (UTF-8) cannot be an XML 1.0 text or attribute value, "" when it can: a byte
// that is not UTF-8, or a character outside XML's (the C0 controls but tab, line feed and
// carriage return; the surrogates; U+FFFE and U+FFFF), named with its byte offset, as in
// "U+0001 at byte 4, which an XML file cannot carry".
std::string WhyNotXmlText(std::string_view text);
// The first name, text or attribute value of the tree that WhyNotXmlText refuses, named by
// its element's path ("<Store><list><name>: its text has ..."); "" when every one can be
// written.
std::string WhyNotWritableXml(const XmlElement& root);
// The document element of `text` with everything under it; null with `error` set (one
// line, with the offset of the fault) when the text is not a well-formed document.
std::unique_ptr<XmlElement> ParseXml(std::string_view text, std::string* error);

}  // namespace host

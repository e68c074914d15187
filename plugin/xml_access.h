// The plug-in's access to the host's XML elements, and the text conversions that every
// string going to or coming from the host's XML interface passes through.
//
// The host's XML interface speaks UTF-8. Inside the plug-in, element and attribute names
// and attribute values are narrow strings in the ANSI code page (UTF-8 on POSIX); element
// text is written from UTF-16 and read as UTF-16 or as ANSI. Each function below is one
// MQXmlElem_Value call; none calls the host with a null element, and for one each gives
// the answer of "nothing there". The host owns every element; the plug-in never frees one.
#pragma once

#include <string>

#include "abi/records.h"
#include "platform/platform.h"

// Adds a child named `name` (ANSI) at the end of `parent`'s children; the new element, or
// null when the host adds none.
MQXmlElement AddChildElement(MQXmlElement parent, const char* name);
// The first child of `parent` named `name` (ANSI), or null. A null name finds the first
// child of any name.
MQXmlElement FindChildElement(MQXmlElement parent, const char* name);
// The same three with names and text already in UTF-8; they allocate nothing.
MQXmlElement AddChildElementUtf8(MQXmlElement parent, const std::string& name);
MQXmlElement FindChildElementUtf8(MQXmlElement parent, const std::string& name);
void SetTextUtf8(MQXmlElement element, const std::string& text);
// The child of `parent` that follows `child`, of any name, or null after the last.
MQXmlElement NextChildElement(MQXmlElement parent, MQXmlElement child);
// Removes `child`, with everything under it, from `parent`'s children. The child's handle
// is dead afterwards.
void RemoveChildElement(MQXmlElement parent, MQXmlElement child);

// The element's text in the ANSI code page; "" when it has none.
std::string GetTextAnsi(MQXmlElement element);
// The element's text in UTF-16 and true; an empty `text` and false when it has none.
bool GetTextWide(MQXmlElement element, platform::WideString& text);
void SetTextWide(MQXmlElement element, const platform::WideString& text);
// Sets the element's text from the ANSI code page.
void SetTextAnsi(MQXmlElement element, const std::string& text);

// The attribute's value in the ANSI code page and true; an empty `value` and false when
// the attribute is absent. `name` is ANSI.
bool GetAttributeAnsi(MQXmlElement element, const char* name, std::string& value);
// Sets the attribute; `name` and `value` are ANSI.
void SetAttributeAnsi(MQXmlElement element, const char* name, const char* value);

// Whole-string conversions through UTF-16, each up to the first zero character. Ill-formed
// input becomes U+FFFD, characters that the ANSI code page cannot hold become the
// platform's replacement, and a conversion that the platform cannot perform gives "".
std::string AnsiToUtf8(const std::string& text);
std::string Utf8ToAnsi(const std::string& text);
platform::WideString Utf8ToWide(const std::string& text);
std::string WideToUtf8(const platform::WideString& text);

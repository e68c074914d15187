#include "plugin/xml_access.h"

#include <cstdint>

#include "abi/xml_ops.h"
#include "plugin/host_api.h"

using platform::CodePage;

namespace {

// Records of MQXmlElem_Value are arrays of pointer-sized fields; strings go in as the
// pointer itself, which the host only reads.
void* In(const std::string& text) { return const_cast<char*>(text.c_str()); }

const char* TextField(void* field) { return static_cast<const char*>(field); }

}  // namespace

std::string AnsiToUtf8(const std::string& text) { return platform::Recode(CodePage::Ansi, CodePage::Utf8, text); }

std::string Utf8ToAnsi(const std::string& text) { return platform::Recode(CodePage::Utf8, CodePage::Ansi, text); }

platform::WideString Utf8ToWide(const std::string& text) {
    return platform::ToWide(CodePage::Utf8, text.c_str());
}

std::string WideToUtf8(const platform::WideString& text) {
    return platform::FromWide(CodePage::Utf8, text.c_str());
}

MQXmlElement AddChildElement(MQXmlElement parent, const char* name) {
    if (parent == nullptr || name == nullptr) return nullptr;
    return AddChildElementUtf8(parent, AnsiToUtf8(name));
}

MQXmlElement AddChildElementUtf8(MQXmlElement parent, const std::string& name) {
    if (parent == nullptr) return nullptr;
    void* record[2] = {In(name), nullptr};
    g_host.MQXmlElem_Value(parent, MQXML_ADD_CHILD, record);
    return record[1];
}

MQXmlElement FindChildElement(MQXmlElement parent, const char* name) {
    if (parent == nullptr) return nullptr;
    if (name != nullptr) return FindChildElementUtf8(parent, AnsiToUtf8(name));
    void* record[2] = {nullptr, nullptr};
    g_host.MQXmlElem_Value(parent, MQXML_FIRST_CHILD, record);
    return record[1];
}

MQXmlElement FindChildElementUtf8(MQXmlElement parent, const std::string& name) {
    if (parent == nullptr) return nullptr;
    void* record[2] = {In(name), nullptr};
    g_host.MQXmlElem_Value(parent, MQXML_FIRST_CHILD, record);
    return record[1];
}

MQXmlElement NextChildElement(MQXmlElement parent, MQXmlElement child) {
    if (parent == nullptr || child == nullptr) return nullptr;
    void* record[3] = {nullptr, child, nullptr};  // name filter: none; out: the next child
    g_host.MQXmlElem_Value(parent, MQXML_NEXT_CHILD, record);
    return record[2];
}

void RemoveChildElement(MQXmlElement parent, MQXmlElement child) {
    if (parent == nullptr || child == nullptr) return;
    int32_t result = 0;  // the host's answer is not read
    void* record[2] = {child, &result};
    g_host.MQXmlElem_Value(parent, MQXML_REMOVE_CHILD, record);
}

std::string GetTextAnsi(MQXmlElement element) {
    if (element == nullptr) return {};
    void* record[1] = {nullptr};
    g_host.MQXmlElem_Value(element, MQXML_GET_TEXT, record);
    return record[0] != nullptr ? Utf8ToAnsi(TextField(record[0])) : std::string();
}

bool GetTextWide(MQXmlElement element, platform::WideString& text) {
    text.clear();
    if (element == nullptr) return false;
    void* record[1] = {nullptr};
    g_host.MQXmlElem_Value(element, MQXML_GET_TEXT, record);
    if (record[0] == nullptr) return false;
    text = Utf8ToWide(TextField(record[0]));
    return true;
}

void SetTextWide(MQXmlElement element, const platform::WideString& text) {
    if (element == nullptr) return;
    SetTextUtf8(element, WideToUtf8(text));
}

void SetTextAnsi(MQXmlElement element, const std::string& text) {
    if (element == nullptr) return;
    SetTextUtf8(element, AnsiToUtf8(text));
}

void SetTextUtf8(MQXmlElement element, const std::string& text) {
    if (element == nullptr) return;
    void* record[1] = {In(text)};
    g_host.MQXmlElem_Value(element, MQXML_SET_TEXT, record);
}

bool GetAttributeAnsi(MQXmlElement element, const char* name, std::string& value) {
    value.clear();
    if (element == nullptr || name == nullptr) return false;
    std::string utf8_name = AnsiToUtf8(name);
    void* record[2] = {In(utf8_name), nullptr};
    g_host.MQXmlElem_Value(element, MQXML_GET_ATTRIBUTE, record);
    if (record[1] == nullptr) return false;
    value = Utf8ToAnsi(TextField(record[1]));
    return true;
}

void SetAttributeAnsi(MQXmlElement element, const char* name, const char* value) {
    if (element == nullptr || name == nullptr || value == nullptr) return;
    std::string utf8_name = AnsiToUtf8(name);
    std::string utf8_value = AnsiToUtf8(value);
    void* record[2] = {In(utf8_name), In(utf8_value)};
    g_host.MQXmlElem_Value(element, MQXML_SET_ATTRIBUTE, record);
}

#include "host/records/value_text.h"

#include <cstdio>

namespace host {

std::string PointerText(const void* pointer) {
    if (pointer == nullptr) return "null";
    char text[32];
    std::snprintf(text, sizeof text, "%p", pointer);
    return text;
}

std::string HexText(uint32_t value, int digits, const char* prefix) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, static_cast<unsigned>(value));
    return prefix + std::string(text);
}

std::string QuotedText(const char* text) {
    return text != nullptr ? QuotedText(std::string(text)) : "null";
}

namespace {

void AppendEscaped(std::string* text, unsigned char byte) {
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
    *text += escaped;
}

// The length of the well-formed UTF-8 sequence at `at`, 0 when there is none.
size_t Utf8Length(const std::string& text, size_t at) {
    auto byte = [&](size_t i) { return i < text.size() ? static_cast<unsigned char>(text[i]) : 0; };
    unsigned char lead = byte(at);
    if (lead < 0x80) return 1;
    size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3 : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
    if (length == 0) return 0;
    // The second byte's range excludes overlong forms, surrogates and code points past U+10FFFF.
    unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
    if (byte(at + 1) < low || byte(at + 1) > high) return 0;
    for (size_t i = 2; i < length; ++i) {
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF) return 0;
    }
    return length;
}

}  // namespace

std::string QuotedText(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (byte == '"' || byte == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (byte < 0x20) {
            AppendEscaped(&quoted, byte);
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

std::string VisibleText(const std::string& text, bool only_utf8) {
    std::string visible;
    for (size_t at = 0; at < text.size();) {
        auto byte = static_cast<unsigned char>(text[at]);
        size_t length = only_utf8 ? Utf8Length(text, at) : 1;
        if (byte < 0x20 || byte == 0x7F || length == 0) {
            AppendEscaped(&visible, byte);
            ++at;
        } else {
            visible.append(text, at, length);
            at += length;
        }
    }
    return visible;
}

}  // namespace host

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

std::string QuotedText(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (byte == '"' || byte == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            quoted += escaped;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

}  // namespace host

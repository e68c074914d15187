#include "host/records/value_text.h"

#include <cstdio>

namespace host {
namespace {

void AppendEscape(std::string& out, const char* format, unsigned value) {
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, format, value);
    out += escaped;
}

// The one place that decides what of a text a terminal may see as it is; `quoted` also
// escapes the quote and the backslash, so that the text reads back inside quotes.
std::string Visible(std::string_view text, bool quoted) {
    std::string out;
    out.reserve(text.size() + (quoted ? 2 : 0));
    if (quoted) out += '"';
    for (size_t i = 0; i < text.size();) {
        auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            if (quoted && (byte == '"' || byte == '\\')) {
                out += '\\';
                out += text[i];
            } else if (byte < 0x20 || byte == 0x7F) {
                AppendEscape(out, "\\x%02X", byte);
            } else {
                out += text[i];
            }
            ++i;
            continue;
        }
        char32_t code = 0;
        size_t length = Utf8CharacterAt(text, i, &code);
        if (length == 0) {
            // Not UTF-8: shown as the byte it is, which an 8-bit terminal would take for a
            // C1 control (0x80 to 0x9F) or a letter of its own code page.
            AppendEscape(out, "\\x%02X", byte);
            ++i;
        } else if (code <= 0x9F) {
            AppendEscape(out, "\\u%04X", static_cast<unsigned>(code));
            i += length;
        } else {
            out.append(text.substr(i, length));
            i += length;
        }
    }
    if (quoted) out += '"';
    return out;
}

}  // namespace

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

std::string QuotedText(const std::string& text) { return Visible(text, true); }

std::string VisibleText(std::string_view text) { return Visible(text, false); }

size_t Utf8CharacterAt(std::string_view text, size_t at, char32_t* code) {
    auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(at);
    size_t length;
    char32_t value, least;
    if (lead < 0x80) {
        *code = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, value = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, value = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, value = lead & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    if (text.size() - at < length) return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) return 0;
        value = (value << 6) | (byte(at + i) & 0x3F);
    }
    if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    *code = value;
    return length;
}

}  // namespace host

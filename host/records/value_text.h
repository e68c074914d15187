// How the host writes values as text, in its journal, its register of breaches and its
// files.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace host {

// An untyped pointer or handle: "null" or "0x...".
std::string PointerText(const void* pointer);
// A number in upper-case hexadecimal with at least `digits` digits after `prefix`:
// HexText(0x12, 8) is "0x00000012", HexText(0x12, 8, "") is "00000012".
std::string HexText(uint32_t value, int digits = 1, const char* prefix = "0x");
// A narrow string in double quotes, '"' and '\' escaped with a backslash, and what a
// terminal would act on made visible as in VisibleText; "null" for null. This is how the
// host prints every name and text that came from a file or from the plug-in.
std::string QuotedText(const char* text);
std::string QuotedText(const std::string& text);
// `text` as it is, but for what a terminal would act on rather than show: the C0 controls
// and DEL as "\xHH", the C1 controls (U+0080 to U+009F, in UTF-8) as "\u00HH", and a byte
// that is no part of a UTF-8 character as "\xHH". So no file and no plug-in can move the
// cursor, change colours or the title, or overwrite what is shown.
std::string VisibleText(std::string_view text);

// The length of the well-formed UTF-8 character at `text[at]` (1 to 4), with its code point
// in `code`; 0 when the bytes there are not one: a stray continuation byte, a truncated or
// overlong sequence, a surrogate, or a value beyond U+10FFFF.
size_t Utf8CharacterAt(std::string_view text, size_t at, char32_t* code);

}  // namespace host

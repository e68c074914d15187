// How the host writes values as text, in its journal, its register of breaches and its
// files.
#pragma once

#include <cstdint>
#include <string>

namespace host {

// An untyped pointer or handle: "null" or "0x...".
std::string PointerText(const void* pointer);
// A number in upper-case hexadecimal with at least `digits` digits after `prefix`:
// HexText(0x12, 8) is "0x00000012", HexText(0x12, 8, "") is "00000012".
std::string HexText(uint32_t value, int digits = 1, const char* prefix = "0x");
// A narrow string in double quotes, '"' and '\' escaped with a backslash, control
// characters as "\xHH"; "null" for null.
std::string QuotedText(const char* text);
std::string QuotedText(const std::string& text);

}  // namespace host

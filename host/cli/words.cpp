#include "host/cli/words.h"

#include <cstdlib>

namespace host {

std::vector<std::string> SplitCommand(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    bool in_word = false, quoted = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
            in_word = true;
        } else if (!quoted && (c == ' ' || c == '\t' || c == '\r' || c == '\n')) {
            if (in_word) words.push_back(word);
            word.clear();
            in_word = false;
        } else {
            word += c;
            in_word = true;
        }
    }
    if (in_word) words.push_back(word);
    return words;
}

std::string Quoted(const std::string& utf8) {
    std::string quoted(1, '"');
    quoted += utf8;
    quoted += '"';
    return quoted;
}

std::string Lower(std::string word) {
    for (char& c : word) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return word;
}

bool ParseInt(const std::string& word, int32_t* value) {
    if (word.empty()) return false;
    char* end = nullptr;
    long number = std::strtol(word.c_str(), &end, 10);
    if (*end != '\0' || number < INT32_MIN || number > INT32_MAX) return false;
    *value = static_cast<int32_t>(number);
    return true;
}

}  // namespace host

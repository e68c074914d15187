#include "host/session/words.h"

#include <cstdlib>

namespace host {

std::vector<Word> SplitCommand(const std::string& line) {
    std::vector<Word> words;
    std::string word;
    bool in_word = false, quoted = false, was_quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (quoted && c == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\')) {
            word += line[++i];
        } else if (c == '"') {
            quoted = !quoted;
            in_word = was_quoted = true;
        } else if (!quoted && (c == ' ' || c == '\t' || c == '\r' || c == '\n')) {
            if (in_word) words.emplace_back(word, was_quoted);
            word.clear();
            in_word = was_quoted = false;
        } else {
            word += c;
            in_word = true;
        }
    }
    if (in_word) words.emplace_back(word, was_quoted);
    return words;
}

std::string Quoted(const std::string& utf8) {
    std::string quoted(1, '"');
    for (char c : utf8) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
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

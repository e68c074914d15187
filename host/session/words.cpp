#include "host/session/words.h"

#include <cstdlib>

#include "host/records/value_text.h"

namespace host {

std::vector<Word> SplitCommand(const std::string& line, std::string* error) {
    std::vector<Word> words;
    std::string word;
    bool in_word = false, quoted = false, was_quoted = false;
    size_t opened = 0;  // where the quote that is open began
    for (size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (quoted && c == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\')) {
            word += line[++i];
        } else if (c == '"') {
            quoted = !quoted;
            opened = i;
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
    if (quoted) {
        if (error != nullptr) {
            *error = "the quote at column " + std::to_string(opened + 1) +
                     " is not closed: a name in quotes ends with another \"";
        }
        return {};
    }
    if (in_word) words.emplace_back(word, was_quoted);
    if (error != nullptr) error->clear();
    return words;
}

std::string Quoted(const std::string& utf8) { return QuotedText(utf8); }

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

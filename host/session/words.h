// The words of a command line as pellucid-host reads them, and words as it prints them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace host {

// A word of a command line. `quoted` when any part of it was in double quotes: a quoted
// "#2" is a name, an unquoted #2 the object at place 2.
struct Word : std::string {
    Word() = default;
    Word(std::string text, bool quoted_word) : std::string(std::move(text)), quoted(quoted_word) {}
    bool quoted = false;
};

// Splits a command line into words at spaces and tabs; double quotes keep spaces inside
// one word and are not part of it ("" is an empty word). Inside quotes \" is a quote and
// \\ a backslash; any other backslash is itself, so C:\scenes\a.scene reads as typed.
// A quote left open is a mistake: no words, and `error` (when given) says where it began;
// `error` is emptied otherwise.
std::vector<Word> SplitCommand(const std::string& line, std::string* error = nullptr);

// `utf8` in double quotes, as the program prints names and the words it refuses, written
// so that it reads back as the same word: a quote or a backslash inside gets a backslash.
// Control characters are shown as host::QuotedText shows them, which this is.
std::string Quoted(const std::string& utf8);

// `word` with A-Z made lower case: commands, keys and answers are read regardless of case.
std::string Lower(std::string word);

// A decimal 32-bit integer making up the whole of `word`; false, leaving `value`, when it
// is not one.
bool ParseInt(const std::string& word, int32_t* value);

}  // namespace host

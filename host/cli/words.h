// The words of a command line as pellucid-host reads them, and words as it prints them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace host {

// Splits a command line into words at spaces and tabs; double quotes keep spaces inside
// one word and are not part of it ("" is an empty word).
std::vector<std::string> SplitCommand(const std::string& line);

// `utf8` in double quotes, as the program prints names and the words it refuses. Nothing
// inside is escaped: a name is shown as the user would type it.
std::string Quoted(const std::string& utf8);

// `word` with A-Z made lower case: commands, keys and answers are read regardless of case.
std::string Lower(std::string word);

// A decimal 32-bit integer making up the whole of `word`; false, leaving `value`, when it
// is not one.
bool ParseInt(const std::string& word, int32_t* value);

}  // namespace host

// Wildcard patterns for file names and signatures: "?" any one character, "#" a digit (or a
// "?" in the text), "@" a letter, "*" any run of characters, everything else itself; letters
// match without regard to case. Where pattern and text are both UTF-8 and either holds more
// than ASCII, characters are Unicode's (case folded by ICU); otherwise a character is a byte of
// Windows-1252. Also the splitting of a pattern list at blanks, commas and semicolons.
// Depends on platform/ (character classes), import/UnicodeText and ICU.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace wildcard {

// True when `text` matches `pattern` as a whole. An empty pattern matches only an empty text.
// Runs in time proportional to the product of the two lengths at worst.
bool match(const char* pattern, size_t patternLength, const char* text, size_t textLength);
inline bool match(const std::string& pattern, const std::string& text) {
  return match(pattern.data(), pattern.size(), text.data(), text.size());
}
// The same, each byte a Windows-1252 character whatever the bytes are (signatures).
bool matchBytes(const char* pattern, size_t patternLength, const char* text, size_t textLength);

// Equal texts, letters compared without regard to case (Windows-1252).
bool equalsNoCase(const std::string& a, const std::string& b);

// The patterns of a list separated by blanks, commas, semicolons or control characters
// (empty pieces dropped), at
// most `maxCount` of them; the rest are ignored.
std::vector<std::string> splitPatterns(const std::string& list, size_t maxCount);

}  // namespace wildcard

// Pattern matching of index words: the wildcard match ("?" one character, "*" any run) and
// the fuzzy match (edit distance with wildcards). Both run in time polynomial in the word and
// pattern lengths whatever the number of allowed differences. Pure string work.
#pragma once

#include <string_view>

namespace fuzzymatch {

// True when `word` matches `pattern`, "?" standing for any one character and "*" for any run
// (none included).
bool wildcardMatch(std::string_view word, std::string_view pattern);

// The smallest number of insertions, deletions and substitutions (each 1) that makes `word`
// match `pattern` with its wildcards, or `limit` + 1 when it is above `limit` (limit >= 0).
int editDistance(std::string_view word, std::string_view pattern, int limit);

// True when editDistance(word, pattern, limit) <= limit.
bool fuzzyMatch(std::string_view word, std::string_view pattern, int limit);

// The same two over UTF-8 words and patterns, character by character ("?" is one character,
// a difference is one character).
bool wildcardMatchUtf8(std::string_view word, std::string_view pattern);
bool fuzzyMatchUtf8(std::string_view word, std::string_view pattern, int limit);

}  // namespace fuzzymatch

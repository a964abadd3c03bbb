// Preparing a request's text before it is cut into tokens: the natural-language wrapping,
// joining the additional request, and expanding macros. Depends on search/MacroTable and
// import/Alphabet.
#pragma once

#include <cstddef>
#include <string>

class Alphabet;
class MacroTable;

namespace requesttext {

// A text expanded from macros may hold at most this many bytes.
constexpr size_t kMaxExpandedBytes = 8192;
constexpr int kUnknownMacroMessage = 18;
constexpr int kTooLongMessage = 32;

// True when `text` holds nothing but blanks, tabs and line breaks.
bool isBlank(const std::string& text);

// With `naturalLanguage` and a request that is not blank: NLQ ("request"). Then the
// additional request is joined: (request) and additional; an empty request gives the
// additional request alone, a blank additional request the request alone.
std::string prepare(const std::string& request, const std::string& additional,
                    bool naturalLanguage);

// Replaces every macro character followed by a name (up to the next space-class character
// of `alphabet`) with the macro's expansion; expansions are not expanded again. A macro
// character followed by nothing or by a space stays. 0 with *out set; otherwise the number
// of the message to show: kUnknownMacroMessage with *badName set (no such macro, or
// `macros` is null), or kTooLongMessage when the result would pass kMaxExpandedBytes.
int expandMacros(const std::string& text, char macroChar, const MacroTable* macros,
                 const Alphabet& alphabet, std::string* out, std::string* badName);

}  // namespace requesttext

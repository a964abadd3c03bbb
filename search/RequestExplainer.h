// RequestExplainer: how the engine understood a request, for a person: the printed tree,
// the parts that are not searched and the file conditions; or, for a faulty request, the
// message with the request echo. Requests come in and explanations go out in UTF-8; the
// engine's own text is Windows-1252. Depends on search/SearchTree and import/CodePage.
#pragma once

#include <string>

#include "search/RequestSettings.h"

namespace requestexplainer {

constexpr int kUnderstood = 0;
constexpr int kFaulty = 1;  // a failed check, a macro error or an empty request

// Parses `utf8Request` with `settings` (messages are not shown) and writes the explanation
// to *out in UTF-8, one item per line. kUnderstood or kFaulty.
int explain(const std::string& utf8Request, const RequestSettings& settings, std::string* out);

// UTF-8 to Windows-1252; characters without a place there (and malformed bytes) become a
// blank.
std::string toEngineText(const std::string& utf8);
// Windows-1252 to UTF-8; the five bytes without a character become a blank.
std::string toUtf8(const std::string& engineText);
// Text of either text model as UTF-8: text that is well-formed UTF-8 is taken as it is (the
// text of a Unicode index), other text as Windows-1252.
std::string asUtf8(const std::string& engineText);
// True when `utf8` holds a character Windows-1252 has no place for: a request that must be
// read as the Unicode text model reads it.
bool needsUnicode(const std::string& utf8);

}  // namespace requestexplainer

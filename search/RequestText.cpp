// Preparing a request's text: natural language, the additional request, macros.
#include "search/RequestText.h"

#include "import/Alphabet.h"
#include "search/MacroTable.h"

namespace requesttext {

bool isBlank(const std::string& text) {
  for (char c : text)
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return false;
  return true;
}

std::string prepare(const std::string& request, const std::string& additional,
                    bool naturalLanguage) {
  std::string text = request;
  if (naturalLanguage && !isBlank(request)) text = "NLQ (\"" + request + "\")";
  if (text.empty()) return additional;
  if (isBlank(additional)) return text;
  return "(" + text + ") and " + additional;
}

int expandMacros(const std::string& text, char macroChar, const MacroTable* macros,
                 const Alphabet& alphabet, std::string* out, std::string* badName) {
  std::string result;
  bool expanded = false;
  size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    if (c != macroChar || macroChar == '\0') {
      result += c;
      ++i;
      continue;
    }
    size_t end = i + 1;
    while (end < text.size() && text[end] != '\0' &&
           (alphabet.type(static_cast<unsigned char>(text[end])) & 0xFF) != Alphabet::kSpace)
      ++end;
    std::string name = text.substr(i + 1, end - i - 1);
    if (name.empty()) {
      result += c;
      ++i;
      continue;
    }
    const std::string* expansion = macros ? macros->find(name) : nullptr;
    if (!expansion) {
      *badName = name;
      return kUnknownMacroMessage;
    }
    result += *expansion;
    expanded = true;
    if (result.size() > kMaxExpandedBytes) return kTooLongMessage;
    i = end;
  }
  if (expanded && result.size() > kMaxExpandedBytes) return kTooLongMessage;
  *out = std::move(result);
  return 0;
}

}  // namespace requesttext

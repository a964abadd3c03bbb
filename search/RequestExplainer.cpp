// RequestExplainer: the explanation's lines and the character set conversions.
#include "search/RequestExplainer.h"

#include <cstdint>

#include "import/Alphabet.h"
#include "import/CodePage.h"
#include "import/UnicodeText.h"
#include "search/ConstraintSet.h"
#include "search/SearchTree.h"
#include "search/TreePrinter.h"

namespace requestexplainer {

std::string toEngineText(const std::string& utf8) {
  std::string out;
  size_t i = 0;
  while (i < utf8.size()) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    size_t length = c < 0x80          ? 1
                    : (c >> 5) == 0x6   ? 2
                    : (c >> 4) == 0xE   ? 3
                    : (c >> 3) == 0x1E  ? 4
                                        : 0;
    uint32_t cp = c & (length == 1 ? 0x7F : length == 2 ? 0x1F : length == 3 ? 0x0F : 0x07);
    bool good = length > 0 && i + length <= utf8.size();
    for (size_t k = 1; good && k < length; ++k) {
      unsigned char cont = static_cast<unsigned char>(utf8[i + k]);
      good = (cont & 0xC0) == 0x80;
      cp = (cp << 6) | (cont & 0x3F);
    }
    if (!good) {
      out += ' ';  // a malformed byte
      ++i;
      continue;
    }
    out += static_cast<char>(codepage::fromUnicode(cp));
    i += length;
  }
  return out;
}

std::string toUtf8(const std::string& engineText) { return unicodetext::fromWindows1252(engineText, true); }

std::string asUtf8(const std::string& engineText) {
  return unicodetext::isValid(engineText) ? engineText : toUtf8(engineText);
}

bool needsUnicode(const std::string& utf8) {
  return unicodetext::toWindows1252(utf8, '\0').find('\0') != std::string::npos;
}

int explain(const std::string& utf8Request, const RequestSettings& settings, std::string* out) {
  RequestSettings quiet = settings;
  quiet.showMessages = false;
  SearchTree tree;
  std::string text;
  // A request with letters beyond Windows-1252 is read as a Unicode index reads it.
  const Alphabet& base = settings.alphabet ? *settings.alphabet : Alphabet::builtIn();
  const Alphabet unicode = base.asUnicode();
  const bool wide = needsUnicode(utf8Request) || base.isUnicode();
  if (wide) quiet.alphabet = base.isUnicode() ? &base : &unicode;
  int rc = tree.parse(wide ? utf8Request : toEngineText(utf8Request), "", quiet);
  if (rc < 0) {
    text = tree.message().empty() ? std::string("The request holds no words.") : tree.message();
    if (text.empty() || text.back() != '\n') text += "\n";
    *out = asUtf8(text);
    return kFaulty;
  }
  text = tree.print() + "\n";
  for (const SearchNode* n : tree.leftovers())
    text += "Not searched (no connector joins it to the request): " + treeprinter::print(n) +
            "\n";
  for (const SearchNode* f : tree.filterNodes()) {
    text += "File conditions:\n";
    std::string conditions = f->constraints ? f->constraints->describe() : "";
    if (conditions.empty()) conditions = "(none)\n";
    size_t pos = 0;
    while (pos < conditions.size()) {
      size_t end = conditions.find('\n', pos);
      text += "  " + conditions.substr(pos, end - pos) + "\n";
      pos = end + 1;
    }
  }
  *out = asUtf8(text);
  return kUnderstood;
}

}  // namespace requestexplainer

// Fuzz target: arbitrary bytes as the text of a Unicode index: made well-formed as the
// document source makes blocks, segmented and laid out into lines, each line broken into
// words and folded, and the same bytes folded and spaced as a request. Every line and word
// must stay well-formed UTF-8, no shown line may pass the line limit, no word the word limit.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "import/Alphabet.h"
#include "import/LineLayout.h"
#include "import/TextBlock.h"
#include "import/TextFormat.h"
#include "import/UnicodeText.h"
#include "import/UnicodeWords.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  static const Alphabet blind = Alphabet::builtIn().unicodeFor(true, true);
  static const Alphabet exact = Alphabet::builtIn().unicodeFor(false, false);
  const Alphabet& a = (data[0] & 1) ? blind : exact;
  std::string raw(reinterpret_cast<const char*>(data + 1), size - 1);
  std::string text = unicodetext::sanitized(raw);
  if (!unicodetext::isValid(text)) std::abort();
  // Blocks of a size the first byte picks, so that runs and characters cross block ends.
  const size_t blockBytes = 1 + data[0] % 64;
  size_t at = 0;
  LineLayout layout(
      [&](std::string* out) {
        if (at >= text.size()) return 0;
        size_t n = std::min(blockBytes, text.size() - at);
        out->append(text, at, n);
        at += n;
        return static_cast<int>(n);
      },
      20 + data[0] % 100, a);
  ScreenLine line;
  textformat::WordSpan spans[textformat::kMaxWordsPerLine];
  for (int lines = 0; layout.nextLine(&line) == 1; ++lines) {
    // Hidden text takes no room, so only the shown part of a line is held to the limit.
    if (lines > 1000000 || textblock::shownText(line.text).size() > LineLayout::kMaxLineBytes) std::abort();
    if (!unicodetext::isValid(line.text)) std::abort();
    const auto* p = reinterpret_cast<const unsigned char*>(line.text.data());
    int n = textformat::findWords(a, p, static_cast<int>(line.text.size()), spans);
    for (int k = 0; k < n; ++k) {
      std::string w = textformat::wordText(a, p, spans[k], 32);
      if (!unicodetext::isValid(w) || w.size() > 128 || unicodetext::charCount(w) > 32) std::abort();
    }
  }
  std::vector<int32_t> origin;
  std::string spaced = unicodewords::spaceRequest(raw, "?*%~#&", &origin);
  if (origin.size() != spaced.size()) std::abort();
  for (int32_t o : origin)
    if (o < 0 || static_cast<size_t>(o) >= raw.size()) std::abort();
  if (!unicodetext::isValid(a.translateRequest(text, "?*")) ) std::abort();
  return 0;
}

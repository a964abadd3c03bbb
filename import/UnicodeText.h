// Unicode text for indexes of the Unicode text model: UTF-8 decoding that treats every byte as
// hostile, the word classes of code points, the folding of a word (Unicode case folding, NFKC
// and, for accent-blind indexes, the removal of accents) that index words and request words
// both go through, and the conversion of Windows-1252 text blocks to UTF-8. Folding uses ICU;
// depends on nothing else in the engine.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace unicodetext {

constexpr uint32_t kReplacement = 0xFFFD;

// Decodes the code point at s[i] (i < s.size()): well-formed UTF-8 only (no overlong forms,
// surrogates or values above U+10FFFF). Sets *length to the bytes taken (1 for a malformed or
// cut sequence, whose code point is then kReplacement).
inline uint32_t decode(std::string_view s, size_t i, int* length);

// Appends the UTF-8 form of `cp` (a surrogate or a value above U+10FFFF gives U+FFFD).
void append(std::string* out, uint32_t cp);

// The offset of the first byte from `i` on that is not ASCII (s.size() when there is none).
size_t asciiEnd(std::string_view s, size_t i);

// True when every byte of `s` belongs to well-formed UTF-8.
bool isValid(std::string_view s);

// The length of `s` without a sequence at its end that the next bytes could still complete.
size_t completePrefix(std::string_view s);

// `s` with every malformed byte replaced by U+FFFD.
std::string sanitized(std::string_view s);

// Windows-1252 text as UTF-8: bytes below 0x80 unchanged, the others as their characters (the
// five bytes Windows-1252 leaves undefined as the C1 controls of the same value, or as blanks
// when `undefinedAsBlank`).
std::string fromWindows1252(std::string_view s, bool undefinedAsBlank = false);
// The same, appended to `out`.
void appendWindows1252(std::string* out, std::string_view s, bool undefinedAsBlank = false);
// UTF-8 text as Windows-1252; characters it cannot hold become `missing`.
std::string toWindows1252(std::string_view s, char missing = ' ');

// How the word finder treats a code point at or above U+0080.
enum class CharKind : uint8_t {
  kWord,     // letters, marks and digits of every script
  kIgnored,  // format characters (soft hyphen, joiners, direction marks, variation selectors):
             // inside a word, dropped
  kSpace,    // everything else: punctuation, symbols, blanks, unassigned and private code points
};
inline CharKind kindOf(uint32_t cp);

// True for the scripts written without blanks between words, which are cut into words by a
// dictionary (Chinese, Japanese, Thai, Lao, Khmer, Myanmar), and for the marks and signs that
// belong to their words (the prolonged sound mark, kana voicing marks).
inline bool isDictionaryScript(uint32_t cp);

// The number of code points in `s` (malformed bytes count one each).
size_t charCount(std::string_view s);
// Cuts `s` after `maxChars` code points and, at a code point boundary, to at most `maxBytes`.
void cutToChars(std::string* s, size_t maxChars, size_t maxBytes);

// How a word is folded: the index's flags.
struct Folding {
  bool ignoreCase = true;
  bool ignoreAccents = true;
};

// Folds text that holds at least one byte at or above 0x80 (the ASCII letters are already
// mapped by the alphabet): format characters are dropped, the text is normalised to NFKC with
// the Unicode case folding when `ignoreCase`, and accents are removed when `ignoreAccents`
// (see docs/unicode.md for which marks). Malformed bytes become U+FFFD.
std::string foldNonAscii(std::string_view text, Folding folding);

// True when foldNonAscii(text, folding) is `text` itself, as far as the code points of `text`
// each tell on their own (false for a malformed byte, a format character or anything the
// folding may change); the folding of most words of most scripts need not be run.
bool foldsToItself(std::string_view text, Folding folding);

// ---- Inline bodies below; readers of the interface may stop here. ----

namespace detail {

// Per code point of the Basic Multilingual Plane, what ICU says of it, filled in the first
// time it is asked about (0: not yet).
constexpr uint8_t kKnown = 0x80;
constexpr uint8_t kKindMask = 0x03;    // the CharKind
constexpr uint8_t kDictionary = 0x04;  // isDictionaryScript
// Left as it is, in any context, by the folding of a word: NFKC with the case folding, NFKC
// alone, the removal of accents (NFD, no mark to drop, NFC). See foldsToItself.
constexpr uint8_t kStaysCasefolded = 0x08;
constexpr uint8_t kStaysNfkc = 0x10;
constexpr uint8_t kStaysUnaccented = 0x20;

extern std::atomic<uint8_t> bmpProperties[0x10000];
// Works out and records the properties of `cp` (below U+10000).
uint8_t computeProperties(uint32_t cp);

inline uint8_t propertiesOf(uint32_t cp) {
  uint8_t v = bmpProperties[cp].load(std::memory_order_relaxed);
  return v ? v : computeProperties(cp);
}

}  // namespace detail

CharKind kindOfAbove(uint32_t cp);          // kindOf from U+10000 on
bool isDictionaryScriptAbove(uint32_t cp);  // isDictionaryScript from U+10000 on

inline uint32_t decode(std::string_view s, size_t i, int* length) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data()) + i;
  const size_t n = s.size() - i;
  const unsigned char c = p[0];
  *length = 1;
  if (c < 0x80) return c;
  int len;
  uint32_t min;
  if (c >= 0xC2 && c <= 0xDF) {
    len = 2;
    min = 0x80;
  } else if (c >= 0xE0 && c <= 0xEF) {
    len = 3;
    min = 0x800;
  } else if (c >= 0xF0 && c <= 0xF4) {
    len = 4;
    min = 0x10000;
  } else {
    return kReplacement;
  }
  if (n < static_cast<size_t>(len)) return kReplacement;
  uint32_t cp = c & (0x3Fu >> (len - 1));
  for (int k = 1; k < len; ++k) {
    if ((p[k] & 0xC0) != 0x80) return kReplacement;
    cp = (cp << 6) | (p[k] & 0x3Fu);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return kReplacement;
  *length = len;
  return cp;
}

inline CharKind kindOf(uint32_t cp) {
  if (cp < 0x10000) return static_cast<CharKind>(detail::propertiesOf(cp) & detail::kKindMask);
  return kindOfAbove(cp);
}

inline bool isDictionaryScript(uint32_t cp) {
  if (cp < 0x0E00) return false;  // below Thai nothing is
  if (cp < 0x10000) return (detail::propertiesOf(cp) & detail::kDictionary) != 0;
  return isDictionaryScriptAbove(cp);
}

}  // namespace unicodetext

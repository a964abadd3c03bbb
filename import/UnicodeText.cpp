// UTF-8 decoding, code point classes and word folding with ICU.
#include "import/UnicodeText.h"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/uscript.h>
#include <unicode/unistr.h>

#include <atomic>
#include <cstring>
#include <vector>

namespace unicodetext {

namespace {

// Windows-1252 bytes 0x80 to 0x9F; 0 where the code page leaves the byte undefined.
constexpr uint16_t kHigh1252[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

bool inRange(uint32_t cp, uint32_t lo, uint32_t hi) { return cp >= lo && cp <= hi; }

// Hebrew points and cantillation marks.
bool isHebrewPoint(uint32_t cp) { return inRange(cp, 0x0591, 0x05C7); }

// Arabic vowel signs (harakat), Quranic annotation marks and the superscript alef.
bool isArabicMark(uint32_t cp) {
  return inRange(cp, 0x0610, 0x061A) || inRange(cp, 0x064B, 0x065F) || cp == 0x0670 ||
         inRange(cp, 0x06D6, 0x06DC) || inRange(cp, 0x06DF, 0x06E4) || inRange(cp, 0x06E7, 0x06E8) ||
         inRange(cp, 0x06EA, 0x06ED);
}

// The combining diacritics that Latin, Greek and Cyrillic letters take.
bool isDiacritic(uint32_t cp) {
  return inRange(cp, 0x0300, 0x036F) || inRange(cp, 0x0483, 0x0489) || inRange(cp, 0x1AB0, 0x1AFF) ||
         inRange(cp, 0x1DC0, 0x1DFF) || inRange(cp, 0x20D0, 0x20FF) || inRange(cp, 0xFE20, 0xFE2F);
}

// Whether an accent-blind index drops the mark `cp` that follows a letter of `baseScript`.
bool dropsMark(uint32_t cp, UScriptCode baseScript) {
  if (isHebrewPoint(cp) || isArabicMark(cp)) return true;
  if (!isDiacritic(cp)) return false;  // kana voicing marks and the marks of other scripts stay
  switch (baseScript) {
    case USCRIPT_CYRILLIC:
      return cp != 0x0306;  // the breve makes letters of their own (й, ў)
    case USCRIPT_LATIN:
    case USCRIPT_GREEK:
    case USCRIPT_COMMON:
    case USCRIPT_INHERITED:
      return true;
    default:
      return false;
  }
}

const icu::Normalizer2* instance(const icu::Normalizer2* (*get)(UErrorCode&)) {
  UErrorCode err = U_ZERO_ERROR;
  const icu::Normalizer2* n = get(err);
  return U_SUCCESS(err) ? n : nullptr;
}

const icu::Normalizer2* nfkcCasefold() {
  static const icu::Normalizer2* n = instance(&icu::Normalizer2::getNFKCCasefoldInstance);
  return n;
}
const icu::Normalizer2* nfkc() {
  static const icu::Normalizer2* n = instance(&icu::Normalizer2::getNFKCInstance);
  return n;
}
const icu::Normalizer2* nfd() {
  static const icu::Normalizer2* n = instance(&icu::Normalizer2::getNFDInstance);
  return n;
}
const icu::Normalizer2* nfc() {
  static const icu::Normalizer2* n = instance(&icu::Normalizer2::getNFCInstance);
  return n;
}

using detail::kDictionary;
using detail::kKindMask;
using detail::kKnown;
using detail::kStaysCasefolded;
using detail::kStaysNfkc;
using detail::kStaysUnaccented;

CharKind computeKind(uint32_t cp) {
  if (cp == kReplacement) return CharKind::kSpace;
  uint32_t mask = U_GET_GC_MASK(static_cast<UChar32>(cp));
  if ((mask & U_GC_CF_MASK) || u_hasBinaryProperty(static_cast<UChar32>(cp), UCHAR_DEFAULT_IGNORABLE_CODE_POINT))
    return CharKind::kIgnored;  // variation selectors and the like fold to nothing
  if (mask & (U_GC_L_MASK | U_GC_M_MASK | U_GC_ND_MASK | U_GC_NL_MASK | U_GC_NO_MASK)) return CharKind::kWord;
  return CharKind::kSpace;
}

bool computeDictionary(uint32_t cp, CharKind kind) {
  if (cp < 0x0E00) return false;  // below Thai nothing is
  if (cp == 0x30FC || inRange(cp, 0x3099, 0x309C) || cp == 0xFF70 || cp == 0xFF9E || cp == 0xFF9F ||
      cp == 0x3005)
    return true;
  UErrorCode err = U_ZERO_ERROR;
  UScriptCode script = uscript_getScript(static_cast<UChar32>(cp), &err);
  if (U_FAILURE(err)) return false;
  switch (script) {
    case USCRIPT_HAN:
    case USCRIPT_HIRAGANA:
    case USCRIPT_KATAKANA:
    case USCRIPT_THAI:
    case USCRIPT_LAO:
    case USCRIPT_KHMER:
    case USCRIPT_MYANMAR:
      return kind == CharKind::kWord;
    default:
      return false;
  }
}

// True when `n` leaves `cp` as it is wherever it stands: `cp` never interacts with what
// comes before it (a normalisation boundary always falls before it), so a text of such code
// points is normalised one code point at a time, and `cp` on its own is normalised.
bool staysUnder(const icu::Normalizer2* n, uint32_t cp) {
  if (!n || !n->hasBoundaryBefore(static_cast<UChar32>(cp))) return false;
  UErrorCode err = U_ZERO_ERROR;
  bool normalized = n->isNormalized(icu::UnicodeString(static_cast<UChar32>(cp)), err);
  return U_SUCCESS(err) && normalized;
}

}  // namespace

namespace detail {

std::atomic<uint8_t> bmpProperties[0x10000];

uint8_t computeProperties(uint32_t cp) {
  const CharKind kind = computeKind(cp);
  uint8_t v = static_cast<uint8_t>(kKnown | static_cast<uint8_t>(kind));
  if (computeDictionary(cp, kind)) v |= kDictionary;
  // A format character is dropped by the folding, a malformed byte becomes U+FFFD: neither
  // stays. Surrogates are never decoded.
  if (kind != CharKind::kIgnored && cp != kReplacement && !inRange(cp, 0xD800, 0xDFFF)) {
    if (staysUnder(nfkcCasefold(), cp)) v |= kStaysCasefolded;
    if (staysUnder(nfkc(), cp)) v |= kStaysNfkc;
    if (u_charType(static_cast<UChar32>(cp)) != U_NON_SPACING_MARK && staysUnder(nfd(), cp) &&
        staysUnder(nfc(), cp))
      v |= kStaysUnaccented;
  }
  bmpProperties[cp].store(v, std::memory_order_relaxed);  // threads that meet it at once store the same
  return v;
}

}  // namespace detail

namespace {

void normalize(const icu::Normalizer2* n, icu::UnicodeString* s) {
  if (!n) return;
  UErrorCode err = U_ZERO_ERROR;
  icu::UnicodeString out = n->normalize(*s, err);
  if (U_SUCCESS(err)) *s = std::move(out);
}

void removeAccents(icu::UnicodeString* s) {
  normalize(nfd(), s);
  icu::UnicodeString kept;
  UScriptCode base = USCRIPT_INHERITED;
  for (int32_t i = 0; i < s->length();) {
    UChar32 cp = s->char32At(i);
    i += U16_LENGTH(cp);
    if (u_charType(cp) == U_NON_SPACING_MARK) {
      if (dropsMark(static_cast<uint32_t>(cp), base)) continue;
    } else {
      UErrorCode err = U_ZERO_ERROR;
      base = uscript_getScript(cp, &err);
      if (U_FAILURE(err)) base = USCRIPT_UNKNOWN;
    }
    kept.append(cp);
  }
  normalize(nfc(), &kept);
  *s = std::move(kept);
}

}  // namespace


void append(std::string* out, uint32_t cp) {
  if (cp > 0x10FFFF || inRange(cp, 0xD800, 0xDFFF)) cp = kReplacement;
  if (cp < 0x80) {
    *out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    *out += static_cast<char>(0xC0 | (cp >> 6));
    *out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    *out += static_cast<char>(0xE0 | (cp >> 12));
    *out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    *out += static_cast<char>(0xF0 | (cp >> 18));
    *out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    *out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

size_t asciiEnd(std::string_view s, size_t i) {
  // Eight bytes at a time while they are all ASCII, then byte by byte.
  for (uint64_t eight; i + 8 <= s.size(); i += 8) {
    std::memcpy(&eight, s.data() + i, 8);
    if ((eight & 0x8080808080808080ULL) != 0) break;
  }
  while (i < s.size() && static_cast<unsigned char>(s[i]) < 0x80) ++i;
  return i;
}

bool isValid(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    i = asciiEnd(s, i);
    if (i == s.size()) break;
    int len;
    if (decode(s, i, &len) == kReplacement && !(len == 3 && s.compare(i, 3, "\xEF\xBF\xBD") == 0)) return false;
    i += static_cast<size_t>(len);
  }
  return true;
}

size_t completePrefix(std::string_view s) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  size_t n = s.size(), back = 0;
  while (back < 3 && back < n && (p[n - 1 - back] & 0xC0) == 0x80) ++back;
  if (back == n) return n;
  unsigned char lead = p[n - 1 - back];
  size_t need = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 && lead <= 0xEF ? 3 : lead >= 0xC2 && lead <= 0xDF ? 2 : 1;
  return need > back + 1 ? n - back - 1 : n;
}

std::string sanitized(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    if (static_cast<unsigned char>(s[i]) < 0x80) {
      out += s[i++];
      continue;
    }
    int len;
    uint32_t cp = decode(s, i, &len);
    if (len > 1) out.append(s, i, static_cast<size_t>(len));
    else append(&out, cp);
    i += static_cast<size_t>(len);
  }
  return out;
}

std::string fromWindows1252(std::string_view s, bool undefinedAsBlank) {
  std::string out;
  appendWindows1252(&out, s, undefinedAsBlank);
  return out;
}

void appendWindows1252(std::string* out, std::string_view s, bool undefinedAsBlank) {
  out->reserve(out->size() + s.size() + s.size() / 4);
  for (size_t i = 0; i < s.size();) {
    // Runs of ASCII, the bulk of most text, are copied whole.
    const size_t start = i;
    i = asciiEnd(s, i);
    out->append(s, start, i - start);
    if (i == s.size()) break;
    const unsigned char c = static_cast<unsigned char>(s[i++]);
    if (c < 0xA0 && kHigh1252[c - 0x80]) append(out, kHigh1252[c - 0x80]);
    else if (c < 0xA0 && undefinedAsBlank) *out += ' ';
    else append(out, c);
  }
}

std::string toWindows1252(std::string_view s, char missing) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    int len;
    uint32_t cp = decode(s, i, &len);
    i += static_cast<size_t>(len);
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
      out += static_cast<char>(cp);
      continue;
    }
    char c = missing;
    for (int k = 0; k < 32; ++k)
      if (kHigh1252[k] == cp || (kHigh1252[k] == 0 && cp == 0x80u + static_cast<uint32_t>(k))) c = static_cast<char>(0x80 + k);
    out += c;
  }
  return out;
}

CharKind kindOfAbove(uint32_t cp) { return computeKind(cp); }

bool isDictionaryScriptAbove(uint32_t cp) { return computeDictionary(cp, computeKind(cp)); }

bool foldsToItself(std::string_view text, Folding folding) {
  uint8_t need = folding.ignoreCase ? kStaysCasefolded : kStaysNfkc;
  if (folding.ignoreAccents) need |= kStaysUnaccented;
  for (size_t i = 0; i < text.size();) {
    int len;
    uint32_t cp = decode(text, i, &len);
    if (cp >= 0x10000 || (detail::propertiesOf(cp) & need) != need) return false;  // also a malformed byte
    i += static_cast<size_t>(len);
  }
  return true;
}

size_t charCount(std::string_view s) {
  size_t n = 0;
  for (size_t i = 0; i < s.size();) {
    int len;
    decode(s, i, &len);
    i += static_cast<size_t>(len);
    ++n;
  }
  return n;
}

void cutToChars(std::string* s, size_t maxChars, size_t maxBytes) {
  size_t chars = 0, i = 0;
  while (i < s->size() && chars < maxChars) {
    int len;
    decode(*s, i, &len);
    if (i + static_cast<size_t>(len) > maxBytes) break;
    i += static_cast<size_t>(len);
    ++chars;
  }
  s->resize(i);
}

std::string foldNonAscii(std::string_view text, Folding folding) {
  // Format characters go first, so that they neither hold letters apart nor stay in a word.
  std::string clean;
  clean.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    int len;
    uint32_t cp = decode(text, i, &len);
    if (cp >= 0x80 && kindOf(cp) == CharKind::kIgnored) {
      i += static_cast<size_t>(len);
      continue;
    }
    if (len == 1 && cp == kReplacement) append(&clean, cp);
    else clean.append(text, i, static_cast<size_t>(len));
    i += static_cast<size_t>(len);
  }
  icu::UnicodeString s = icu::UnicodeString::fromUTF8(icu::StringPiece(clean.data(), static_cast<int32_t>(clean.size())));
  normalize(folding.ignoreCase ? nfkcCasefold() : nfkc(), &s);
  if (folding.ignoreAccents) removeAccents(&s);
  std::string out;
  s.toUTF8String(out);
  return out;
}

}  // namespace unicodetext

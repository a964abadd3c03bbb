// The alphabet: defaults, character types, case and accent tables, the folding map and the
// binary image.
#include "import/Alphabet.h"

#include <algorithm>
#include <cstring>

#include "import/TextBlock.h"
#include "import/TextFormat.h"
#include "import/UnicodeText.h"
#include "import/UnicodeWords.h"
#include "objects/ByteCodec.h"
#include "objects/Trace.h"
#include "platform/Platform.h"

namespace {

// The characters that separate words by default: space, tab, line feed, carriage return,
// the punctuation marks and form feed.
const unsigned char kDefaultSpaces[] = {0x20, 0x09, 0x0A, 0x0D, 0x7E, 0x60, 0x40, 0x23, 0x24, 0x5E,
                                        0x26, 0x2A, 0x5F, 0x2D, 0x2B, 0x3D, 0x7C, 0x7B, 0x5B, 0x7D,
                                        0x5D, 0x3C, 0x3E, 0x2F, 0x7C, 0x5C, 0x22, 0x27, 0x3A, 0x3B,
                                        0x21, 0x3F, 0x28, 0x29, 0x2C, 0x2E, 0x0C};

bool isUpperLetter(uint16_t t) { return (t & (Alphabet::kLetter | Alphabet::kUpperFlag)) ==
                                        (Alphabet::kLetter | Alphabet::kUpperFlag); }
bool isLowerLetter(uint16_t t) { return (t & Alphabet::kLetter) && !(t & Alphabet::kUpperFlag); }
bool isAccentedLetter(uint16_t t) { return (t & Alphabet::kLetter) && (t & Alphabet::kAccentFlag); }

}  // namespace

Alphabet::Alphabet() {
  trace::text("Alphabet::Alphabet()");
  setDefaults();
  textformat::buildClasses(*this, &classes_);
  trace::text("Alphabet::Alphabet() done");
}

const Alphabet& Alphabet::builtIn() {
  static const Alphabet* alphabet = [] {  // never changes; lives to the end of the process
    auto* a = new Alphabet;
    a->rebuildMap();
    return a;
  }();
  return *alphabet;
}

void Alphabet::setHyphenMode(int mode) {
  hyphenMode_ = mode;
  rebuildMap();
}

Alphabet Alphabet::foldedFor(bool ignoreCase, bool ignoreAccents) const {
  Alphabet folded = *this;
  folded.foldAccents(ignoreAccents);
  folded.foldUpper(false);
  folded.foldLower(ignoreCase);
  return folded;
}

Alphabet Alphabet::unicodeFor(bool ignoreCase, bool ignoreAccents) const {
  Alphabet u = asUnicode();
  u.options_ = 0;
  u.foldAccents(ignoreAccents);
  u.foldLower(ignoreCase);
  u.rebuildMap();
  return u;
}

Alphabet Alphabet::asUnicode() const {
  Alphabet u = *this;
  u.unicode_ = true;
  for (int c = 0x80; c < 256; ++c) {
    bool inUtf8 = c < 0xC0 || (c >= 0xC2 && c <= 0xF4);
    u.type_[c] = inUtf8 ? kLetter : kSpace;
    u.upper_[c] = u.lower_[c] = u.unaccented_[c] = static_cast<unsigned char>(c);
  }
  u.type_[textblock::kWordBreak] = kSpace;
  u.rebuildMap();
  return u;
}

void Alphabet::clear() {
  signature_ = kSignature;
  std::memset(type_, 0, sizeof type_);
  std::memset(upper_, 0, sizeof upper_);
  std::memset(lower_, 0, sizeof lower_);
  std::memset(unaccented_, 0, sizeof unaccented_);
  std::memset(map_, 0, sizeof map_);
  options_ = 0;
}

void Alphabet::setDefaults() {
  clear();
  for (unsigned char c : kDefaultSpaces) setSpace(c);
  setHyphen('-');
  setHyphen('_');
  for (int i = 1; i < 256; ++i) {
    unsigned char c = static_cast<unsigned char>(i);
    lower_[c] = upper_[c] = unaccented_[c] = c;
    if (platform::isCharAlphaNumeric(c)) setLetter(c);
    if (platform::isCharLower(c)) setLowerCase(c);
    if (platform::isCharUpper(c)) setUpperCase(c);
  }
  for (int i = 0; i < 256; ++i) {
    lower_[i] = platform::charLower(lower_[i]);
    upper_[i] = platform::charUpper(upper_[i]);
  }
  for (int i = 0; i < 26; ++i)
    setCasePair(static_cast<unsigned char>('A' + i), static_cast<unsigned char>('a' + i));
  for (int c = 1; c < 256; ++c)
    if (isLetter(static_cast<unsigned char>(c)) && !(type_[c] & kAccentFlag))
      unaccented_[c] = static_cast<unsigned char>(c);
  type_[0] = 0;
  map_[0] = 0;
}

void Alphabet::setLetter(unsigned char c) {
  type_[c] = kLetter;
  map_[c] = c;
}
void Alphabet::setSpace(unsigned char c) {
  type_[c] = kSpace;
  map_[c] = ' ';
}
void Alphabet::setHyphen(unsigned char c) {
  type_[c] = kHyphen;
  map_[c] = c;
}
void Alphabet::setIgnored(unsigned char c) {
  type_[c] = kIgnored;
  map_[c] = 0;
}
void Alphabet::setLetters(const std::string& chars) {
  for (char c : chars) setLetter(static_cast<unsigned char>(c));
}
void Alphabet::setSpaces(const std::string& chars) {
  for (char c : chars) setSpace(static_cast<unsigned char>(c));
}
void Alphabet::setHyphens(const std::string& chars) {
  for (char c : chars) setHyphen(static_cast<unsigned char>(c));
}
void Alphabet::setIgnoredChars(const std::string& chars) {
  for (char c : chars) setIgnored(static_cast<unsigned char>(c));
}

void Alphabet::setUpperCase(unsigned char c) {
  type_[c] |= kLetter | kUpperFlag;
  upper_[c] = c;
}

void Alphabet::setLowerCase(unsigned char c) {
  type_[c] = static_cast<uint16_t>((type_[c] & ~kUpperFlag) | kLetter);
  lower_[c] = c;
}

void Alphabet::setCasePair(unsigned char upperChar, unsigned char lowerChar) {
  upper_[lowerChar] = upperChar;
  upper_[upperChar] = upperChar;
  setUpperCase(upperChar);
  setLowerCase(lowerChar);
}

void Alphabet::setAccent(unsigned char c, bool accented) {
  if (accented)
    type_[c] |= kAccentFlag;
  else
    type_[c] = static_cast<uint16_t>(type_[c] & ~kAccentFlag);
  type_[c] |= kLetter;
}

void Alphabet::setAccentPair(unsigned char accentedChar, unsigned char baseChar) {
  unaccented_[baseChar] = baseChar;
  unaccented_[accentedChar] = baseChar;
  setAccent(baseChar, false);
  setAccent(accentedChar, true);
}

void Alphabet::foldAccents(bool on) {
  if (((options_ & kFoldAccents) != 0) == on) return;
  options_ = static_cast<uint8_t>(on ? options_ | kFoldAccents : options_ & ~kFoldAccents);
  rebuildMap();
}

void Alphabet::foldUpper(bool on) {
  if (((options_ & kFoldUpper) != 0) == on) return;
  options_ = static_cast<uint8_t>(on ? (options_ | kFoldUpper) & ~kFoldLower : options_ & ~kFoldUpper);
  rebuildMap();
}

void Alphabet::foldLower(bool on) {
  if (((options_ & kFoldLower) != 0) == on) return;
  options_ = static_cast<uint8_t>(on ? (options_ | kFoldLower) & ~kFoldUpper : options_ & ~kFoldLower);
  rebuildMap();
}

void Alphabet::rebuildMap() {
  for (int c = 0; c < 256; ++c) {
    int t = type_[c] & 0xFF;
    if (t == kHyphen) t = hyphenMode_;
    if (t == 0) {
      map_[c] = 0;
      continue;
    }
    if (t == 1) {
      map_[c] = '-';
      continue;
    }
    if (t == 2) {
      map_[c] = ' ';
      continue;
    }
    unsigned char r = static_cast<unsigned char>(c);
    if ((options_ & kFoldAccents) && isAccentedLetter(type_[c]) && unaccented_[c]) r = unaccented_[c];
    if ((options_ & kFoldUpper) && !isUpperLetter(type_[r]) && upper_[r]) r = upper_[r];
    if ((options_ & kFoldLower) && !isLowerLetter(type_[r]) && lower_[r]) r = lower_[r];
    map_[c] = r;
  }
  map_[0] = 0;
  textformat::buildClasses(*this, &classes_);
}

int Alphabet::translateWord(char* out, const char* in, int maxLength) const {
  int n = 0;
  if (unicode_) {
    std::string word(in, strnlen(in, static_cast<size_t>(std::max(maxLength, 0))));
    std::string folded = unicodewords::foldText(*this, word);
    unicodetext::cutToChars(&folded, folded.size(), static_cast<size_t>(std::max(maxLength, 0)));
    std::memcpy(out, folded.data(), folded.size());
    return static_cast<int>(folded.size());
  }
  for (int i = 0; i < maxLength && in[i]; ++i) {
    unsigned char m = map_[static_cast<unsigned char>(in[i])];
    if (m) out[n++] = static_cast<char>(m);
  }
  return n;
}

std::string Alphabet::translateRequest(const std::string& request,
                                       const std::string& operators) const {
  if (unicode_) return unicodewords::foldRequest(*this, request, operators);
  std::string out;
  bool quoted = false;
  for (char ch : request) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c == '"') {
      quoted = !quoted;
      out += ch;
    } else if (quoted || (c && operators.find(ch) != std::string::npos)) {
      out += ch;
    } else if (map_[c]) {
      out += static_cast<char>(map_[c]);
    }
  }
  return out;
}

bool Alphabet::isFoldedLetter(unsigned char c) const { return isLetter(c) && map_[c] == c; }

std::string Alphabet::toImage() const {
  std::string image;
  image.reserve(kImageBytes + 1);
  bytecodec::appendU16(&image, signature_);
  for (uint16_t t : type_) bytecodec::appendU16(&image, t);
  image.append(reinterpret_cast<const char*>(upper_), 256);
  image.append(reinterpret_cast<const char*>(lower_), 256);
  image.append(reinterpret_cast<const char*>(unaccented_), 256);
  image.append(reinterpret_cast<const char*>(map_), 256);
  image += static_cast<char>(0xFF);
  return image;
}

int Alphabet::fromImage(const void* data, size_t size) {
  const unsigned char* p = static_cast<const unsigned char*>(data);
  if (!p || size < kImageBytes || bytecodec::loadU16(p) != kSignature) {
    setDefaults();
    rebuildMap();
    return -1;
  }
  signature_ = kSignature;
  p += 2;
  for (uint16_t& t : type_) {
    t = bytecodec::loadU16(p);
    p += 2;
  }
  std::memcpy(upper_, p, 256);
  std::memcpy(lower_, p + 256, 256);
  std::memcpy(unaccented_, p + 512, 256);
  std::memcpy(map_, p + 768, 256);
  type_[0] = 0;
  rebuildMap();
  return 0;
}

int hyphenModeFromOption(int optionValue) {
  switch (optionValue) {
    case 1: return 0;
    case 3: return 2;
    case 2: return 4;
    default: return 1;
  }
}

void addLatinAccentPairs(Alphabet* a) {
  // Windows-1252 letters with diacritics, each with its base letter.
  static const struct {
    unsigned char accented;
    char base;
  } kPairs[] = {
      {0x8A, 'S'}, {0x9A, 's'}, {0x8E, 'Z'}, {0x9E, 'z'}, {0x9F, 'Y'}, {0xFF, 'y'},
      {0xC0, 'A'}, {0xC1, 'A'}, {0xC2, 'A'}, {0xC3, 'A'}, {0xC4, 'A'}, {0xC5, 'A'},
      {0xC7, 'C'}, {0xC8, 'E'}, {0xC9, 'E'}, {0xCA, 'E'}, {0xCB, 'E'}, {0xCC, 'I'},
      {0xCD, 'I'}, {0xCE, 'I'}, {0xCF, 'I'}, {0xD1, 'N'}, {0xD2, 'O'}, {0xD3, 'O'},
      {0xD4, 'O'}, {0xD5, 'O'}, {0xD6, 'O'}, {0xD8, 'O'}, {0xD9, 'U'}, {0xDA, 'U'},
      {0xDB, 'U'}, {0xDC, 'U'}, {0xDD, 'Y'}, {0xE0, 'a'}, {0xE1, 'a'}, {0xE2, 'a'},
      {0xE3, 'a'}, {0xE4, 'a'}, {0xE5, 'a'}, {0xE7, 'c'}, {0xE8, 'e'}, {0xE9, 'e'},
      {0xEA, 'e'}, {0xEB, 'e'}, {0xEC, 'i'}, {0xED, 'i'}, {0xEE, 'i'}, {0xEF, 'i'},
      {0xF1, 'n'}, {0xF2, 'o'}, {0xF3, 'o'}, {0xF4, 'o'}, {0xF5, 'o'}, {0xF6, 'o'},
      {0xF8, 'o'}, {0xF9, 'u'}, {0xFA, 'u'}, {0xFB, 'u'}, {0xFC, 'u'}, {0xFD, 'y'},
  };
  for (const auto& p : kPairs) a->setAccentPair(p.accented, static_cast<unsigned char>(p.base));
  a->rebuildMap();
}

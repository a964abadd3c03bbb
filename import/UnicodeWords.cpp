// The word finder, word folding and dictionary segmentation of UTF-8 text.
#include "import/UnicodeWords.h"

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>
#include <unicode/utf16.h>

#include <memory>
#include <unordered_map>

#include "import/Alphabet.h"
#include "import/TextBlock.h"
#include "import/UnicodeText.h"

namespace unicodewords {

namespace {

using textformat::kHyphenChar;
using textformat::kIgnoredChar;
using textformat::kSpaceChar;
using textformat::kWordChar;

// Blocks whose dictionary-script run goes on past this many bytes are segmented without
// waiting for the rest of the run.
constexpr size_t kHoldBytes = 65536;
// The longest word handed on, in bytes (what the sorter takes).
constexpr size_t kMaxWordBytes = 128;
// Folded words remembered per thread before the memory starts again (a few MB at most).
constexpr size_t kFoldCacheWords = 32768;

bool isAsciiWordByte(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The start of the code point that ends just before `end` (end > 0).
size_t previousStart(const std::string& s, size_t end) {
  size_t i = end - 1;
  for (int k = 0; k < 3 && i > 0 && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80; ++k) --i;
  return i;
}

bool dictionaryAt(const std::string& s, size_t i, int* len) {
  if (static_cast<unsigned char>(s[i]) < 0x80) {
    *len = 1;
    return false;
  }
  return unicodetext::isDictionaryScript(unicodetext::decode(s, i, len));
}

icu::BreakIterator* wordIterator() {
  thread_local std::unique_ptr<icu::BreakIterator> iterator = [] {
    UErrorCode err = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> it(icu::BreakIterator::createWordInstance(icu::Locale::getRoot(), err));
    if (U_FAILURE(err)) it.reset();
    return it;
  }();
  return iterator.get();
}

bool wordByteAt(const std::string& s, size_t i) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  if (c < 0x80) return isAsciiWordByte(c);
  int len;
  return unicodetext::kindOf(unicodetext::decode(s, i, &len)) == unicodetext::CharKind::kWord;
}

}  // namespace

uint8_t classAt(const Alphabet& a, const unsigned char* line, int length, int pos, int* charBytes) {
  unsigned char c = line[pos];
  if (c < 0x80) {
    *charBytes = 1;
    return a.wordClasses().cls[c];
  }
  std::string_view s(reinterpret_cast<const char*>(line), static_cast<size_t>(length));
  uint32_t cp = unicodetext::decode(s, static_cast<size_t>(pos), charBytes);
  switch (unicodetext::kindOf(cp)) {
    case unicodetext::CharKind::kWord:
      return kWordChar;
    case unicodetext::CharKind::kIgnored:
      return kIgnoredChar;
    default:
      return kSpaceChar;
  }
}

int findWords(const Alphabet& alphabet, const unsigned char* line, int length, textformat::WordSpan* words,
              int maxWords) {
  const textformat::WordClasses& t = alphabet.wordClasses();
  int count = 0;
  int pos = 0;
  while (pos < length && count < maxWords) {
    unsigned char c = line[pos];
    int n = 1;
    uint8_t k = c < 0x80 ? t.cls[c] : classAt(alphabet, line, length, pos, &n);
    if (k == kWordChar) {
      int start = pos;
      pos += n;
      while (pos < length) {
        unsigned char d = line[pos];
        if (d < 0x80) {
          if (!t.continues[d]) break;
          ++pos;
        } else {
          if (classAt(alphabet, line, length, pos, &n) == kSpaceChar) break;
          pos += n;
        }
      }
      int wordLength = pos - start;
      // A special hyphen joins the word when the next character is not one as well.
      if (pos < length && line[pos] < 0x80 && t.cls[line[pos]] == kHyphenChar &&
          !(pos + 1 < length && line[pos + 1] < 0x80 && t.cls[line[pos + 1]] == kHyphenChar))
        ++wordLength;
      words[count++] = {start, wordLength};
      if (pos < length && line[pos] != textformat::kHiddenCode) {
        if (line[pos] < 0x80) ++pos;
        else {
          classAt(alphabet, line, length, pos, &n);
          pos += n;
        }
      }
    } else if (c == textformat::kHiddenCode && !(pos > 0 && line[pos - 1] == textformat::kEscapeCode)) {
      ++pos;
      while (pos < length && line[pos] != textformat::kHiddenCode) ++pos;
      ++pos;
    } else {
      pos += n;
    }
  }
  return count;
}

std::string foldText(const Alphabet& alphabet, std::string_view text) {
  std::string out(text.size(), '\0');
  size_t n = 0;
  unsigned char high = 0;
  for (char ch : text) {
    unsigned char c = static_cast<unsigned char>(ch);
    high |= c;
    // Bytes from 0x80 on map to themselves in a Unicode alphabet; 0 drops a character.
    if (unsigned char m = alphabet.map(c)) out[n++] = static_cast<char>(m);
  }
  out.resize(n);
  const bool wide = high >= 0x80;
  if (!wide) return out;
  const uint8_t o = alphabet.options();
  const bool lower = (o & Alphabet::kFoldLower) != 0, accents = (o & Alphabet::kFoldAccents) != 0;
  // Most words of most scripts are already in their folded form: each code point says so.
  if (unicodetext::foldsToItself(out, {lower, accents})) return out;
  // Words repeat: the folded form of each is kept, per thread and folding, for the next time.
  thread_local std::unordered_map<std::string, std::string> folded[4];
  auto& cache = folded[(lower ? 1 : 0) | (accents ? 2 : 0)];
  if (auto it = cache.find(out); it != cache.end()) return it->second;
  if (cache.size() >= kFoldCacheWords) cache.clear();
  std::string result = unicodetext::foldNonAscii(out, {lower, accents});
  if (out.size() <= kMaxWordBytes) cache.emplace(out, result);
  return result;
}

std::string wordText(const Alphabet& alphabet, const unsigned char* line, const textformat::WordSpan& span,
                     int maxLength) {
  std::string out = foldText(
      alphabet, std::string_view(reinterpret_cast<const char*>(line) + span.start, static_cast<size_t>(span.length)));
  while (!out.empty() && out.back() == ' ') out.pop_back();
  // No more bytes than characters allowed: nothing to cut (ASCII words mostly).
  if (maxLength >= 0 && out.size() > static_cast<size_t>(std::min<int>(maxLength, kMaxWordBytes)))
    unicodetext::cutToChars(&out, static_cast<size_t>(maxLength), kMaxWordBytes);
  return out;
}

std::string foldRequest(const Alphabet& alphabet, const std::string& request, const std::string& operators) {
  std::string out, run;
  auto flush = [&] {
    if (!run.empty()) out += foldText(alphabet, run);
    run.clear();
  };
  bool quoted = false;
  for (char ch : request) {
    if (ch == '"') {
      flush();
      quoted = !quoted;
      out += ch;
    } else if (quoted || (ch && operators.find(ch) != std::string::npos)) {
      flush();
      out += ch;
    } else {
      run += ch;
    }
  }
  flush();
  return out;
}

namespace {

// Sets *breaks to the byte offsets inside `text` at which the dictionary break iterator puts
// a boundary, start and end left out. The UTF-16 copy the iterator reads and the map back to
// byte offsets are kept from call to call, so that runs do not allocate.
void findDictionaryBreaks(std::string_view text, std::vector<size_t>* breaks) {
  breaks->clear();
  if (text.empty()) return;
  int first;
  unicodetext::decode(text, 0, &first);
  if (static_cast<size_t>(first) == text.size()) return;  // one character has no boundary inside
  icu::BreakIterator* it = wordIterator();
  if (!it) return;
  thread_local icu::UnicodeString u;
  thread_local std::vector<size_t> byteAt;  // byte offset of each UTF-16 unit
  u.remove();
  byteAt.clear();
  for (size_t i = 0; i < text.size();) {
    int len;
    uint32_t cp = unicodetext::decode(text, i, &len);
    if (cp > 0xFFFF) {
      u.append(static_cast<char16_t>(U16_LEAD(cp)));
      u.append(static_cast<char16_t>(U16_TRAIL(cp)));
      byteAt.push_back(i);
    } else {
      u.append(static_cast<char16_t>(cp));
    }
    byteAt.push_back(i);
    i += static_cast<size_t>(len);
  }
  byteAt.push_back(text.size());
  it->setText(u);
  for (int32_t b = it->first(); b != icu::BreakIterator::DONE; b = it->next())
    if (b > 0 && b < u.length()) breaks->push_back(byteAt[static_cast<size_t>(b)]);
  static const icu::UnicodeString kEmpty;
  it->setText(kEmpty);  // holds no pointer into this call's text
}

}  // namespace

std::vector<size_t> dictionaryBreaks(const std::string& text) {
  std::vector<size_t> breaks;
  findDictionaryBreaks(text, &breaks);
  return breaks;
}

// True when `s` may hold a dictionary-script character: those all take three or four bytes.
bool mayHoldDictionaryScript(const std::string& s) {
  for (unsigned char c : s)
    if (c >= 0xE0) return true;
  return false;
}

std::string segmentBlock(const std::string& block) {
  if (!mayHoldDictionaryScript(block)) return block;
  std::string out;
  out.reserve(block.size() + block.size() / 8);
  const char breakCode = static_cast<char>(textblock::kWordBreak);
  thread_local std::vector<size_t> breaks;  // kept from run to run, so runs do not allocate
  size_t copied = 0;  // the text before this is in `out`
  size_t i = 0;
  while (i < block.size()) {
    i = unicodetext::asciiEnd(block, i);
    if (i == block.size()) break;
    int len;
    if (!dictionaryAt(block, i, &len)) {
      i += static_cast<size_t>(len);
      continue;
    }
    size_t end = i + static_cast<size_t>(len);
    while (end < block.size() && dictionaryAt(block, end, &len)) end += static_cast<size_t>(len);
    out.append(block, copied, i - copied);
    if (i > 0 && wordByteAt(block, previousStart(block, i))) out += breakCode;
    findDictionaryBreaks(std::string_view(block).substr(i, end - i), &breaks);
    size_t from = i;
    for (size_t b : breaks) {
      out.append(block, from, i + b - from);
      out += breakCode;
      from = i + b;
    }
    out.append(block, from, end - from);
    if (end < block.size() && wordByteAt(block, end)) out += breakCode;
    copied = i = end;
  }
  out.append(block, copied, std::string::npos);
  return out;
}

std::function<int(std::string*)> segmentingSource(std::function<int(std::string*)> inner) {
  struct State {
    std::function<int(std::string*)> inner;
    std::string held;
    bool done = false;
    bool failed = false;
  };
  auto state = std::make_shared<State>();
  state->inner = std::move(inner);
  return [state](std::string* out) -> int {
    State& s = *state;
    while (true) {
      if (!s.done) {
        std::string block;
        int n = s.inner(&block);
        if (n < 0) s.failed = true;
        if (n <= 0) {
          s.done = true;
        } else if (s.held.empty() && !mayHoldDictionaryScript(block)) {
          out->append(block);  // the usual case: nothing to cut, nothing to hold back
          return n;
        } else {
          s.held += block;
        }
      }
      if (s.done) {
        if (s.held.empty()) return s.failed ? -1 : 0;
        std::string seg = segmentBlock(s.held);
        s.held.clear();
        out->append(seg);
        return static_cast<int>(seg.size());
      }
      // Hold back a dictionary-script run at the end: the next block may go on with it.
      size_t cut = s.held.size();
      while (cut > 0) {
        size_t start = previousStart(s.held, cut);
        int len;
        if (!dictionaryAt(s.held, start, &len)) break;
        cut = start;
      }
      if (s.held.size() - cut > kHoldBytes) cut = s.held.size();
      if (cut == 0) continue;
      std::string seg = segmentBlock(s.held.substr(0, cut));
      s.held.erase(0, cut);
      out->append(seg);
      return static_cast<int>(seg.size());
    }
  };
}

std::string spaceRequest(const std::string& request, const std::string& operators, std::vector<int32_t>* origin) {
  std::string out;
  if (origin) origin->clear();
  auto emit = [&](char c, size_t from) {
    out += c;
    if (origin) origin->push_back(static_cast<int32_t>(from));
  };
  auto isOperator = [&](char c) { return c != 0 && operators.find(c) != std::string::npos; };
  size_t i = 0;
  while (i < request.size()) {
    unsigned char c = static_cast<unsigned char>(request[i]);
    if (c < 0x80) {
      emit(request[i], i);
      ++i;
      continue;
    }
    int len;
    uint32_t cp = unicodetext::decode(request, i, &len);
    if (unicodetext::kindOf(cp) == unicodetext::CharKind::kSpace) {
      emit(' ', i);
      i += static_cast<size_t>(len);
      continue;
    }
    if (!unicodetext::isDictionaryScript(cp)) {
      for (int k = 0; k < len; ++k) emit(request[i + static_cast<size_t>(k)], i + static_cast<size_t>(k));
      i += static_cast<size_t>(len);
      continue;
    }
    size_t end = i;
    while (end < request.size() && dictionaryAt(request, end, &len)) end += static_cast<size_t>(len);
    bool touches = (i > 0 && isOperator(request[i - 1])) || (end < request.size() && isOperator(request[end]));
    if (i > 0 && wordByteAt(request, previousStart(request, i))) emit(' ', i);
    std::string run = request.substr(i, end - i);
    std::vector<size_t> breaks;
    if (!touches) breaks = dictionaryBreaks(run);
    size_t next = 0;
    for (size_t k = 0; k < run.size(); ++k) {
      if (next < breaks.size() && breaks[next] == k) {
        emit(' ', i + k);
        ++next;
      }
      emit(run[k], i + k);
    }
    if (end < request.size() && wordByteAt(request, end)) emit(' ', end);
    i = end;
  }
  return out;
}

}  // namespace unicodewords

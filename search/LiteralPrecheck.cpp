// LiteralPrecheck: the request's one word, and the letter-stream test on a plain-text file.
//
// Why the test is exact: a plain-text file of bytes 1..127 has no byte-order mark, UTF-8 or
// UTF-16 in it, so the importer takes every byte as one character (control characters become
// blanks). A word the indexer makes is then a run of characters folded by the alphabet's map,
// with dropped characters left out, perhaps joined across a hyphen and a line end, perhaps cut
// by the line layout or the longest word length. Every such word is a piece of the file's
// letters taken in order with everything else left out. So when that letter stream does not
// hold the (cut) request word, compared case-blind, no word of the file equals it.
//
// In a Unicode scan the same holds for text of other characters, read as the importer reads
// it (the same choice of UTF-8, Windows-1252 or the DOS code page, from the same head of the
// file): a word of the index is the folding of a run of characters, and the folding of a run
// is the folding of its characters one after another (normalisation composes only into
// letters that are not ASCII, whose accents and case fold back to the letters they came
// from). So every ASCII letter of an indexed word is a letter that one of its characters
// folds to on its own. The stream takes each character's letters; whatever it leaves out only
// joins letters that were apart, which can make the test say "may" but never "cannot".
// Characters that fold to themselves (most of every script but Latin) give no ASCII letter.
#include "search/LiteralPrecheck.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "import/Alphabet.h"
#include "import/Charset.h"
#include "import/FormatTypes.h"
#include "import/Mailbox.h"
#include "import/PlainMail.h"
#include "import/UnicodeText.h"
#include "import/Utf8Converter.h"
#include "import/Viewer.h"
#include "import/ViewerTable.h"
#include "search/NodeKind.h"
#include "search/SearchNode.h"
#include "search/SearchTree.h"

namespace {

constexpr int32_t kMaxCheckedBytes = 64 << 20;  // larger files are scanned without the check
constexpr size_t kHeadBytes = 4096;             // what the text importer judges the encoding on
constexpr size_t kKeptBufferBytes = 1u << 20;   // a larger read buffer is given back after use
constexpr size_t kMaxKeptCharacters = 4096;     // foldings of characters kept per thread

unsigned char asciiLower(unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c; }
bool isAsciiLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// The request's only word, or "" when the request is anything else or a word option may
// widen it (fuzzy, phonic, stemming, synonyms, natural language).
std::string plainWord(const SearchTree& tree, const RequestSettings& settings) {
  const SearchOptions& o = settings.options;
  if (o.fuzzySearching || o.phonicSearching || o.autoStemming || o.synonymSearching || o.natLangSearching) return "";
  const SearchNode* root = tree.root();
  if (!root || root->kind != nodekind::kWord || root->left || root->right || root->quoted || root->anyWords)
    return "";
  const SearchMarkers& m = settings.markers;
  std::string word;
  for (unsigned char c : root->text) {
    // Letters only: digits may be read as numbers, anything else may be a wildcard or marker.
    if (!isAsciiLetter(c) || c == static_cast<unsigned char>(m.stemming) || c == static_cast<unsigned char>(m.phonic) ||
        c == static_cast<unsigned char>(m.fuzzy) || c == static_cast<unsigned char>(m.synonym))
      return "";
    word.push_back(static_cast<char>(asciiLower(c)));
  }
  return word;
}

// The letter byte `c` folds to, case-blind, whichever case and accent folding the scan's
// index uses; kUndecided when an alphabet pairs it with another letter, so that it could
// stand for either.
unsigned char oneLetter(const Alphabet& a, unsigned char c) {
  const unsigned char own = asciiLower(c);
  const unsigned char base = a.unaccented(c) ? a.unaccented(c) : c;
  for (unsigned char v : {a.map(c), base, a.lower(c), a.upper(c), a.lower(base), a.upper(base)})
    if (v != 0 && asciiLower(v) != own) return 0xFF;
  return own;
}

// True when the mailbox `bytes` holds a single message.
bool oneMessage(const std::string& bytes) {
  bool cut = false;
  return mailbox::split(bytes, static_cast<int64_t>(bytes.size()) + 1, &cut).size() == 1 && !cut;
}

}  // namespace

LiteralPrecheck::LiteralPrecheck(const SearchTree& tree, const RequestSettings& settings, int maxWordLength,
                                 const Alphabet* alphabet) {
  word_ = plainWord(tree, settings);
  if (maxWordLength > 0 && word_.size() > static_cast<size_t>(maxWordLength)) word_.resize(maxWordLength);
  if (word_.empty()) return;
  const Alphabet& a = alphabet ? *alphabet : Alphabet::builtIn();
  unicode_ = a.isUnicode();
  for (int b = 0; b < 256; ++b) {
    auto c = static_cast<unsigned char>(b);
    unsigned char folded = a.map(c);
    if (b == 0 || b > 127) letterOf_[b] = kUndecided;
    else if (folded == 0 || folded == ' ' || folded == '-') letterOf_[b] = kSkipped;
    else letterOf_[b] = oneLetter(a, c);
  }
  // Knuth-Morris-Pratt failure function: the letter stream is read once, never backed up.
  fallback_.assign(word_.size(), 0);
  for (size_t i = 1, k = 0; i < word_.size(); ++i) {
    while (k > 0 && word_[i] != word_[k]) k = fallback_[k - 1];
    if (word_[i] == word_[k]) ++k;
    fallback_[i] = static_cast<int>(k);
  }
  // The bytes that fold to the word's first letter, when there are at most two and no
  // ASCII letter is undecided; else the letter stream is read byte by byte.
  bool undecidedAscii = false;
  for (int b = 1; b < 128; ++b) {
    if (letterOf_[b] == kUndecided) undecidedAscii = true;
    if (letterOf_[b] == static_cast<uint8_t>(word_[0])) {
      if (starterCount_ < 2) starters_[starterCount_] = static_cast<uint8_t>(b);
      ++starterCount_;
    }
  }
  if (undecidedAscii || starterCount_ > 2) starterCount_ = 0;
  if (!unicode_) return;
  // The upper halves of the two code pages the plain-text importers deliver from.
  utf8conv::Converter windows("WINDOWS-1252"), dos("CP437");
  for (int b = 0x80; b < 0x100; ++b) {
    const auto byte = static_cast<uint8_t>(b);
    std::string w, d;
    windows.convert(&byte, 1, &w, true);
    dos.convert(&byte, 1, &d, true);
    windows1252_[b - 0x80] = lettersOf(w);
    dos_[b - 0x80] = lettersOf(d);
  }
}

// The letter stream fed to the Knuth-Morris-Pratt matcher one letter at a time.
struct LiteralPrecheck::Stream {
  const LiteralPrecheck& check;
  size_t matched = 0;
  // True when the word is complete with `letter`.
  bool feed(unsigned char letter) {
    const std::string& want = check.word_;
    while (matched > 0 && static_cast<unsigned char>(want[matched]) != letter)
      matched = static_cast<size_t>(check.fallback_[matched - 1]);
    if (static_cast<unsigned char>(want[matched]) == letter && ++matched == want.size()) return true;
    return false;
  }
  // 1: the word is complete; -1: undecided (also for a byte above 127); 0: go on.
  int feedAscii(uint8_t byte) {
    const uint8_t letter = check.letterOf_[byte];
    if (letter == kSkipped) return 0;
    if (letter == kUndecided) return -1;
    return feed(letter) ? 1 : 0;
  }
  int feedLetters(const Letters& letters) {
    if (!letters.empty() && static_cast<uint8_t>(letters[0]) == kUndecided) return -1;
    for (char c : letters)
      if (feed(static_cast<unsigned char>(c))) return 1;
    return 0;
  }
};

LiteralPrecheck::Letters LiteralPrecheck::lettersOf(std::string_view utf8) const {
  // The widest folding (case and accents) gives every ASCII letter any folding of the index
  // gives, and more: a letter too many only makes the test say "may". The ASCII letters of
  // each character's folding are kept per thread; characters repeat.
  thread_local std::unordered_map<std::string, std::string> foldedLetters;
  auto it = foldedLetters.find(std::string(utf8));
  if (it == foldedLetters.end()) {
    if (foldedLetters.size() >= kMaxKeptCharacters) foldedLetters.clear();
    std::string ascii;
    for (char ch : unicodetext::foldNonAscii(utf8, {true, true}))
      if (isAsciiLetter(static_cast<unsigned char>(ch))) ascii.push_back(static_cast<char>(asciiLower(ch)));
    it = foldedLetters.emplace(std::string(utf8), std::move(ascii)).first;
  }
  // A letter of the folding is not mapped again; one the alphabet would map to another
  // letter cannot be judged against the word's letters.
  for (char c : it->second)
    if (letterOf_[static_cast<unsigned char>(c)] != static_cast<unsigned char>(c)) return Letters(1, static_cast<char>(kUndecided));
  return it->second;
}

bool LiteralPrecheck::bytesMayHold(const uint8_t* bytes, size_t byteCount, bool dosText) const {
  if (word_.empty()) return true;
  // Text of bytes 1..127 reads alike in both text models: the usual case, and a fast one.
  if (sevenBit(bytes, byteCount)) return sevenBitMayHold(bytes, byteCount);
  if (!unicode_) return true;  // a byte the code page may fold to a letter of the word
  const size_t headBytes = std::min(byteCount, kHeadBytes);
  // The text importer's choice of encoding, from the same head: 7-bit text is its plain code
  // page (unless escapes may be ISO-2022, guessed by a detector); else a mark or UTF-16
  // (not served), UTF-8, or the plain code page when the head is not well-formed UTF-8.
  const charset::Encoding plain = dosText ? charset::Encoding::kCp437 : charset::Encoding::kWindows1252;
  const bool seven = sevenBit(bytes, headBytes);
  charset::Detection d = seven ? charset::Detection{plain, 0} : charset::detect(bytes, headBytes, plain);
  if (d.encoding == charset::Encoding::kUtf8)
    return utf8MayHold(bytes + d.bomBytes, byteCount - static_cast<size_t>(d.bomBytes));
  if (d.encoding == charset::Encoding::kCp437) return singleByteMayHold(bytes, byteCount, dos_);
  if (d.encoding == charset::Encoding::kWindows1252 && seven && std::memchr(bytes, 0x1B, headBytes) == nullptr)
    return singleByteMayHold(bytes, byteCount, windows1252_);
  return true;
}

bool LiteralPrecheck::indexWordMayBe(std::string_view word) const {
  if (word_.empty()) return true;
  const auto* bytes = reinterpret_cast<const uint8_t*>(word.data());
  if (sevenBit(bytes, word.size())) return sevenBitMayHold(bytes, word.size());
  // A word of a Unicode index is well-formed UTF-8 whatever its document's encoding was.
  return !unicode_ || utf8MayHold(bytes, word.size());
}

bool LiteralPrecheck::sevenBit(const uint8_t* bytes, size_t byteCount) {
  uint8_t high = 0, low = 0xFF;
  for (size_t i = 0; i < byteCount; ++i) {  // no early exit, so that the loop is vectorised
    high |= bytes[i];
    low = std::min(low, bytes[i]);
  }
  return byteCount == 0 || (high < 0x80 && low != 0);
}

bool LiteralPrecheck::sevenBitMayHold(const uint8_t* bytes, size_t byteCount) const {
  if (starterCount_ == 0) return asciiMayHold(bytes, byteCount);
  // The word is tried at each byte that folds to its first letter, found by memchr.
  const uint8_t* end = bytes + byteCount;
  const uint8_t* next[2] = {nullptr, nullptr};
  for (int s = 0; s < starterCount_; ++s)
    next[s] = static_cast<const uint8_t*>(std::memchr(bytes, starters_[s], byteCount));
  for (;;) {
    int s = 0;
    if (starterCount_ == 2 && next[1] && (!next[0] || next[1] < next[0])) s = 1;
    const uint8_t* at = next[s];
    if (!at) return false;
    size_t matched = 0;
    for (const uint8_t* p = at; p < end; ++p) {
      const uint8_t letter = letterOf_[*p];
      if (letter == kSkipped) continue;
      if (letter != static_cast<uint8_t>(word_[matched])) break;
      if (++matched == word_.size()) return true;
    }
    next[s] = static_cast<const uint8_t*>(std::memchr(at + 1, starters_[s], static_cast<size_t>(end - at - 1)));
  }
}

bool LiteralPrecheck::asciiMayHold(const uint8_t* bytes, size_t byteCount) const {
  Stream stream{*this};
  for (size_t i = 0; i < byteCount; ++i)
    if (stream.feedAscii(bytes[i])) return true;  // the word, or a byte above 127
  return false;
}

bool LiteralPrecheck::utf8MayHold(const uint8_t* bytes, size_t byteCount) const {
  Stream stream{*this};
  const std::string_view text(reinterpret_cast<const char*>(bytes), byteCount);
  for (size_t i = 0; i < byteCount;) {
    if (bytes[i] < 0x80) {
      if (stream.feedAscii(bytes[i++])) return true;
      continue;
    }
    int length = 1;
    const uint32_t cp = unicodetext::decode(text, i, &length);
    const std::string_view ch = text.substr(i, static_cast<size_t>(length));
    i += static_cast<size_t>(length);
    if (cp == unicodetext::kReplacement) continue;  // a malformed byte: a replacement character
    if (cp < 0x10000) {
      using namespace unicodetext::detail;
      constexpr uint8_t kStays = kStaysCasefolded | kStaysNfkc | kStaysUnaccented;
      if ((propertiesOf(cp) & kStays) == kStays) continue;  // itself, not ASCII, whatever the folding
    }
    if (stream.feedLetters(lettersOf(ch))) return true;
  }
  return false;
}

bool LiteralPrecheck::singleByteMayHold(const uint8_t* bytes, size_t byteCount,
                                        const std::array<Letters, 128>& high) const {
  Stream stream{*this};
  for (size_t i = 0; i < byteCount; ++i) {
    const int r = bytes[i] < 0x80 ? stream.feedAscii(bytes[i]) : stream.feedLetters(high[bytes[i] - 0x80]);
    if (r) return true;
  }
  return false;
}

bool LiteralPrecheck::mayHold(const ViewerEntry& format, ByteSource& source) const {
  if (word_.empty()) return true;
  // Only the built-in plain-text importers read the bytes as they stand; every other format
  // (HTML entities, RTF escapes, WordPerfect codes, containers, outside importers) decodes.
  const int16_t type = format.info.type;
  // Our own mail reader gives some messages' text as the bytes stand (import/PlainMail): those
  // are checked as 7-bit text, unless the word is one of the reader's own labels.
  const bool mail = (type == formattype::kMailMessage || type == formattype::kMailbox) && format.hooks.make;
  if (mail) {
    for (std::string_view label : plainmail::kLabels)
      if (label == word_) return true;
  } else if ((type != formattype::kAnsi && type != formattype::kAscii) || !(format.info.flags & LXR_VIEWER_INTERNAL) ||
             (format.info.flags & LXR_VIEWER_CONTAINER)) {
    return true;
  }
  const int32_t size = source.size();
  if (size < 0 || size > kMaxCheckedBytes) return true;
  // The bytes are read through the importer's own open file, in one read where it can.
  thread_local std::string bytes;
  bytes.resize(static_cast<size_t>(size));
  int32_t have = 0;
  while (have < size) {
    int32_t got = source.readAt(have, bytes.data() + have, size - have);
    if (got <= 0) break;
    have += got;
  }
  // A mailbox is passed over only when it holds one message, which indexing makes one
  // document: the search then counts it as one.
  bool result = have != size ||
                (mail ? !plainmail::readsAsItStands(bytes) || (type == formattype::kMailbox && !oneMessage(bytes)) ||
                            sevenBitMayHold(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size())
                      : bytesMayHold(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                                     type == formattype::kAscii));
  if (bytes.capacity() > kKeptBufferBytes) std::string().swap(bytes);
  return result;
}

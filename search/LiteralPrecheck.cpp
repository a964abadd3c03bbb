// LiteralPrecheck: the request's one word, and the letter-stream test on a plain-text file.
//
// Why the test is exact: a plain-text file of bytes 1..127 has no byte-order mark, UTF-8 or
// UTF-16 in it, so the importer takes every byte as one character (control characters become
// blanks). A word the indexer makes is then a run of characters folded by the alphabet's map,
// with dropped characters left out, perhaps joined across a hyphen and a line end, perhaps cut
// by the line layout or the longest word length. Every such word is a piece of the file's
// letters taken in order with everything else left out. So when that letter stream does not
// hold the (cut) request word, compared case-blind, no word of the file equals it.
#include "search/LiteralPrecheck.h"

#include <algorithm>

#include "import/Alphabet.h"
#include "import/FormatTypes.h"
#include "import/ViewerTable.h"
#include "io/WholeFile.h"
#include "search/NodeKind.h"
#include "search/SearchNode.h"
#include "search/SearchTree.h"

namespace {

constexpr size_t kMaxCheckedBytes = 64u << 20;  // larger files are scanned without the check

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

}  // namespace

LiteralPrecheck::LiteralPrecheck(const SearchTree& tree, const RequestSettings& settings, int maxWordLength,
                                 const Alphabet* alphabet) {
  word_ = plainWord(tree, settings);
  if (maxWordLength > 0 && word_.size() > static_cast<size_t>(maxWordLength)) word_.resize(maxWordLength);
  if (word_.empty()) return;
  const Alphabet& a = alphabet ? *alphabet : Alphabet::builtIn();
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
}

bool LiteralPrecheck::bytesMayHold(const uint8_t* bytes, size_t byteCount) const {
  if (word_.empty()) return true;
  const auto* want = reinterpret_cast<const unsigned char*>(word_.data());
  const size_t wantCount = word_.size();
  size_t matched = 0;
  for (size_t i = 0; i < byteCount; ++i) {
    uint8_t letter = letterOf_[bytes[i]];
    if (letter == kSkipped) continue;
    if (letter == kUndecided) return true;
    while (matched > 0 && want[matched] != letter) matched = static_cast<size_t>(fallback_[matched - 1]);
    if (want[matched] == letter && ++matched == wantCount) return true;
  }
  return false;
}

bool LiteralPrecheck::mayHold(const std::string& fileName, const ViewerEntry& format) const {
  if (word_.empty()) return true;
  // Only the built-in plain-text importers read the bytes as they stand; every other format
  // (HTML entities, RTF escapes, WordPerfect codes, containers, outside importers) decodes.
  const int16_t type = format.info.type;
  if ((type != formattype::kAnsi && type != formattype::kAscii) || !(format.info.flags & LXR_VIEWER_INTERNAL) ||
      (format.info.flags & LXR_VIEWER_CONTAINER))
    return true;
  std::string bytes;
  if (wholefile::read(fileName, &bytes, kMaxCheckedBytes) < 0) return true;
  return bytesMayHold(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

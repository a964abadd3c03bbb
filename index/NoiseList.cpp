// NoiseList: reading the noise word file and matching words against its pattern tree.
#include "index/NoiseList.h"

#include <algorithm>
#include <cstring>

#include "io/WholeFile.h"

namespace {

// The largest noise file read; a longer one is refused (1000 words need far less).
constexpr size_t kMaxFileBytes = 4u << 20;

const char* const kFieldNames[] = {"XFIRSTWORD", "XLASTWORD", "XNAME", "XDATE"};

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

// Matches text against a pattern of literal bytes, "?" (one byte) and "*" (any run),
// without recursion: the usual walk that remembers the last "*" to fall back on.
bool globMatch(const char* text, size_t textLen, const char* pat, size_t patLen) {
  size_t t = 0, p = 0;
  size_t starP = SIZE_MAX, starT = 0;
  while (t < textLen) {
    if (p < patLen && pat[p] == '*') {
      starP = p++;
      starT = t;
    } else if (p < patLen && (pat[p] == '?' || pat[p] == text[t])) {
      ++p;
      ++t;
    } else if (starP != SIZE_MAX) {
      p = starP + 1;
      t = ++starT;
    } else {
      return false;
    }
  }
  while (p < patLen && pat[p] == '*') ++p;
  return p == patLen;
}

bool allStars(const std::string& s) {
  return !s.empty() && s.find_first_not_of('*') == std::string::npos;
}

}  // namespace

void NoiseList::clear() {
  entries_.clear();
  nodes_.clear();
  exact_.clear();
  std::fill(std::begin(heads_), std::end(heads_), -1);
  std::fill(std::begin(patternFirst_), std::end(patternFirst_), false);
  std::fill(std::begin(exactFirst_), std::end(exactFirst_), false);
  built_ = false;
}

int NoiseList::load(const std::string& fileName) {
  clear();
  std::string text;
  if (wholefile::read(fileName, &text, kMaxFileBytes) < 0) return -1;
  loadText(text);
  return 0;
}

int NoiseList::loadText(const std::string& text) {
  clear();
  size_t pos = 0;
  int words = 0;
  while (pos < text.size() && words < kMaxLines) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    size_t last = end;
    while (last > pos && isBlank(text[last - 1])) --last;
    if (last > pos) {
      std::string line = text.substr(pos, last - pos);
      bool blank = std::all_of(line.begin(), line.end(), isBlank);
      if (!blank) {
        ++words;
        add(line);
      }
    }
    pos = end + 1;
  }
  return count();
}

void NoiseList::add(const std::string& word) {
  if (static_cast<int>(entries_.size()) >= kMaxAddCount) return;
  if (word.empty() || word.size() > kMaxEntryBytes) return;
  if (word.find('\0') != std::string::npos) return;
  entries_.push_back(word);
  built_ = false;
}

int NoiseList::loadForIndex(const std::string& noiseText) {
  loadText(noiseText);
  for (const char* name : kFieldNames) add(name);
  build();
  return count();
}

void NoiseList::build() {
  nodes_.clear();
  std::fill(std::begin(heads_), std::end(heads_), -1);
  std::sort(entries_.begin(), entries_.end());  // std::string compares bytes as unsigned
  for (const std::string& e : entries_) insert(e);
  // Plain words are answered from a hash set; the tree is walked only for words whose
  // first byte begins a pattern.
  exact_.clear();
  std::fill(std::begin(patternFirst_), std::end(patternFirst_), false);
  std::fill(std::begin(exactFirst_), std::end(exactFirst_), false);
  for (const std::string& e : entries_) {
    if (e.find_first_of("?*", 1) == std::string::npos) {
      exact_.insert(e);
      exactFirst_[static_cast<unsigned char>(e[0])] = true;
    } else {
      patternFirst_[static_cast<unsigned char>(e[0])] = true;
    }
  }
  built_ = true;
}

int32_t NoiseList::newChain(const std::string& pattern, size_t from) {
  // One node per byte up to a "*", then a "*" node holding the rest, then the end node.
  int32_t first = -1, prev = -1;
  auto append = [&](Node n) {
    nodes_.push_back(std::move(n));
    int32_t at = static_cast<int32_t>(nodes_.size() - 1);
    if (prev < 0) first = at;
    else nodes_[static_cast<size_t>(prev)].next = at;
    prev = at;
  };
  size_t i = from;
  for (; i < pattern.size() && pattern[i] != '*'; ++i) {
    Node n;
    n.ch = pattern[i];
    append(std::move(n));
  }
  if (i < pattern.size()) {
    Node star;
    star.ch = '*';
    star.rest = pattern.substr(i);
    append(std::move(star));
  }
  append(Node{});
  return first;
}

void NoiseList::insert(const std::string& pattern) {
  // An entry spelled exactly like one already in the tree adds nothing (found below). An
  // entry that other entries merely match, read as a word, is still added: "ab*" read as a
  // word matches "a*??", yet "ab*" also matches "ab", which "a*??" does not.
  if (pattern.empty()) return;
  unsigned char firstByte = static_cast<unsigned char>(pattern[0]);
  if (heads_[firstByte] < 0) {
    heads_[firstByte] = newChain(pattern, 1);
    return;
  }
  // Follow the nodes that spell the pattern literally; hang the rest as an alternative of
  // the last node of the place where the spelling stops.
  int32_t* link = &heads_[firstByte];
  size_t i = 1;
  while (true) {
    int32_t n = *link;
    int32_t last = -1;
    bool advanced = false;
    while (n >= 0) {
      Node& node = nodes_[static_cast<size_t>(n)];
      if (i == pattern.size()) {
        if (node.ch == 0) return;  // already there
      } else if (pattern[i] == '*') {
        if (node.ch == '*' && node.rest == pattern.substr(i)) return;
      } else if (node.ch == pattern[i]) {
        link = &node.next;
        ++i;
        advanced = true;
        break;
      }
      last = n;
      n = node.alt;
    }
    if (advanced) continue;
    int32_t chain = newChain(pattern, i);
    if (last < 0) *link = chain;
    else nodes_[static_cast<size_t>(last)].alt = chain;
    return;
  }
}

bool NoiseList::matchFrom(int32_t node, const char* word, size_t length, size_t pos) const {
  // Every alternative is tried, so a "?" node earlier in a place does not hide a literal
  // one after it. Each node lies at one depth, so a word visits each node at most once.
  for (int32_t n = node; n >= 0; n = nodes_[static_cast<size_t>(n)].alt) {
    const Node& nd = nodes_[static_cast<size_t>(n)];
    if (pos == length) {
      if (nd.ch == 0 || (nd.ch == '*' && allStars(nd.rest))) return true;
      continue;
    }
    if (nd.ch == '*') {
      if (globMatch(word + pos, length - pos, nd.rest.data(), nd.rest.size())) return true;
    } else if (nd.ch != 0 && (nd.ch == word[pos] || nd.ch == '?')) {
      if (matchFrom(nd.next, word, length, pos + 1)) return true;
    }
  }
  return false;
}

bool NoiseList::isNoise(const char* word, size_t length) const {
  if (nodes_.empty() || word == nullptr || length == 0) return false;
  const unsigned char first = static_cast<unsigned char>(word[0]);
  // Most words (all those of other scripts than the list's) begin with a byte no entry does.
  if (exactFirst_[first] && exact_.count(std::string_view(word, length))) return true;
  if (!patternFirst_[first]) return false;
  int32_t head = heads_[first];
  if (head < 0) return false;
  return matchFrom(head, word, length, 1);
}

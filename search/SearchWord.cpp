// SearchWord: parsing and formatting of request words with their markers.
#include "search/SearchWord.h"

#include <algorithm>

#include "import/UnicodeText.h"

namespace {

// Exact prefix and allowed differences for each search-wide fuzziness 0..9.
constexpr int kExactPrefix[10] = {99, 4, 3, 2, 2, 1, 1, 0, 0, 0};
constexpr int kDifferences[10] = {0, 1, 1, 1, 2, 2, 3, 3, 4, 5};

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string trimmed(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && isBlank(s[b])) ++b;
  while (e > b && isBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

}  // namespace

void SearchWord::parse(const std::string& written, const SearchMarkers& markers) {
  text = trimmed(written);
  fuzzyStart = -1;
  fuzzyCount = 0;
  phonic = stemming = synonym = false;
  if (!text.empty() && text.front() == markers.phonic) {
    text.erase(0, 1);
    phonic = true;
  }
  size_t at = text.find(markers.synonym);
  if (at != std::string::npos) {
    text.erase(at, 1);
    synonym = true;
  }
  if (!text.empty() && text.back() == markers.stemming) {
    text.pop_back();
    stemming = true;
  }
  at = text.find(markers.fuzzy);
  if (at != std::string::npos) {
    fuzzyStart = static_cast<int>(at);
    std::string rest;
    for (char c : text) {
      if (c == markers.fuzzy) ++fuzzyCount;
      else rest += c;
    }
    text = rest;
  }
}

void SearchWord::resolveFuzziness(int level, int length, int* start, int* count) {
  *start = -1;
  *count = 0;
  level = std::clamp(level, 0, kMaxFuzziness);
  int cap = length < 3 ? 0 : length <= 4 ? 3 : length == 5 ? 6 : 9;
  level = std::min(level, cap);
  int prefix = kExactPrefix[level];
  if (length < prefix) return;
  int e = kDifferences[level];
  if (length > 6) e = length * e / 7;
  e = std::min(e, kMaxDifferences);
  if (e <= 0) return;
  *start = prefix;
  *count = e;
}

std::string SearchWord::format(const SearchMarkers& markers) const {
  return format(fuzziness, markers);
}

std::string SearchWord::format(int level, const SearchMarkers& markers) const {
  if (text.find("~~") != std::string::npos) return text;
  std::string out = text;
  int start = fuzzyStart, count = fuzzyCount;
  const bool resolved = count <= 0;
  const int length = static_cast<int>(markers.utf8 ? unicodetext::charCount(text) : text.size());
  if (resolved) resolveFuzziness(level, length, &start, &count);
  if (count > 0) {
    size_t at = std::min(static_cast<size_t>(std::max(start, 0)), out.size());
    if (resolved && markers.utf8) {  // the prefix counts characters: its byte length
      std::string prefix = text;
      unicodetext::cutToChars(&prefix, static_cast<size_t>(std::max(start, 0)), text.size());
      at = prefix.size();
    }
    out.insert(at, static_cast<size_t>(count), markers.fuzzy);
  }
  if (phonic) out.insert(out.begin(), markers.phonic);
  if (stemming) out += markers.stemming;
  if (synonym) out += markers.synonym;
  return out;
}

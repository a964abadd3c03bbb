// Wildcard and fuzzy matching. The fuzzy match is a dynamic programme over (word prefix,
// pattern prefix) with one row kept at a time, stopping as soon as a whole row exceeds the
// limit; the greedy recursive form of the same definition is exponential in the limit.
#include "search/FuzzyMatch.h"

#include <algorithm>
#include <vector>

namespace fuzzymatch {

bool wildcardMatch(std::string_view word, std::string_view pattern) {
  // Greedy scan that backs up to the last star: linear for one star, O(n*m) at worst.
  size_t w = 0, p = 0;
  size_t starP = std::string_view::npos, starW = 0;
  while (w < word.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starW = w;
    } else if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == word[w])) {
      ++p;
      ++w;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      w = ++starW;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

int editDistance(std::string_view word, std::string_view pattern, int limit) {
  if (limit < 0) limit = 0;
  const int over = limit + 1;
  const size_t m = pattern.size();
  // row[j]: cost of matching the word prefix read so far against pattern[0, j).
  std::vector<int> row(m + 1), next(m + 1);
  row[0] = 0;
  for (size_t j = 1; j <= m; ++j)
    row[j] = std::min(over, row[j - 1] + (pattern[j - 1] == '*' ? 0 : 1));
  for (char c : word) {
    next[0] = std::min(over, row[0] + 1);
    int best = next[0];
    for (size_t j = 1; j <= m; ++j) {
      char q = pattern[j - 1];
      int v;
      if (q == '*') {
        v = std::min(next[j - 1], row[j]);  // the star takes nothing more, or this character
      } else {
        int substitute = row[j - 1] + ((q == '?' || q == c) ? 0 : 1);
        v = std::min({substitute, row[j] + 1, next[j - 1] + 1});
      }
      next[j] = std::min(v, over);
      best = std::min(best, next[j]);
    }
    row.swap(next);
    if (best >= over) return over;
  }
  return row[m];
}

bool fuzzyMatch(std::string_view word, std::string_view pattern, int limit) {
  return editDistance(word, pattern, limit) <= limit;
}

}  // namespace fuzzymatch

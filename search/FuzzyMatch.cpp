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

namespace {

// Without a star only cells within `limit` of the diagonal can stay within the limit, so each
// row computes a band of 2 * limit + 1 cells: O(word length * limit).
int bandedDistance(std::string_view word, std::string_view pattern, int limit) {
  const int over = limit + 1;
  const int n = static_cast<int>(word.size()), m = static_cast<int>(pattern.size());
  if (n - m > limit || m - n > limit) return over;
  std::vector<int> row(static_cast<size_t>(m) + 1, over), next(static_cast<size_t>(m) + 1, over);
  int prevLo = 0, prevHi = std::min(m, limit);
  for (int j = 0; j <= prevHi; ++j) row[static_cast<size_t>(j)] = j;
  for (int i = 1; i <= n; ++i) {
    const int lo = std::max(0, i - limit), hi = std::min(m, i + limit);
    const char c = word[static_cast<size_t>(i - 1)];
    int best = over;
    for (int j = lo; j <= hi; ++j) {
      int v = over;
      if (j >= prevLo && j <= prevHi) v = row[static_cast<size_t>(j)] + 1;
      if (j >= 1) {
        char q = pattern[static_cast<size_t>(j - 1)];
        if (j - 1 >= prevLo && j - 1 <= prevHi)
          v = std::min(v, row[static_cast<size_t>(j - 1)] + ((q == '?' || q == c) ? 0 : 1));
        if (j - 1 >= lo) v = std::min(v, next[static_cast<size_t>(j - 1)] + 1);
      }
      next[static_cast<size_t>(j)] = std::min(v, over);
      best = std::min(best, next[static_cast<size_t>(j)]);
    }
    if (best >= over) return over;
    row.swap(next);
    prevLo = lo;
    prevHi = hi;
  }
  return m >= prevLo && m <= prevHi ? row[static_cast<size_t>(m)] : over;
}

}  // namespace

int editDistance(std::string_view word, std::string_view pattern, int limit) {
  if (limit < 0) limit = 0;
  if (pattern.find('*') == std::string_view::npos) return bandedDistance(word, pattern, limit);
  // With stars the cost along a row is not tied to the diagonal: the whole row is kept.
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

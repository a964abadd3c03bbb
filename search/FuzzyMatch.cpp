// Wildcard and fuzzy matching. The fuzzy match is a dynamic programme over (word prefix,
// pattern prefix) with one row kept at a time, stopping as soon as a whole row exceeds the
// limit; the greedy recursive form of the same definition is exponential in the limit.
#include "search/FuzzyMatch.h"

#include <algorithm>
#include <string>
#include <vector>

#include "import/UnicodeText.h"

namespace fuzzymatch {

namespace {

template <typename View>
bool wildcardOf(View word, View pattern) {
  // Greedy scan that backs up to the last star: linear for one star, O(n*m) at worst.
  size_t w = 0, p = 0;
  size_t starP = View::npos, starW = 0;
  while (w < word.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starW = w;
    } else if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == word[w])) {
      ++p;
      ++w;
    } else if (starP != View::npos) {
      p = starP + 1;
      w = ++starW;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

// Without a star only cells within `limit` of the diagonal can stay within the limit, so each
// row computes a band of 2 * limit + 1 cells: O(word length * limit).
template <typename View>
int bandedDistance(View word, View pattern, int limit) {
  const int over = limit + 1;
  const int n = static_cast<int>(word.size()), m = static_cast<int>(pattern.size());
  if (n - m > limit || m - n > limit) return over;
  std::vector<int> row(static_cast<size_t>(m) + 1, over), next(static_cast<size_t>(m) + 1, over);
  int prevLo = 0, prevHi = std::min(m, limit);
  for (int j = 0; j <= prevHi; ++j) row[static_cast<size_t>(j)] = j;
  for (int i = 1; i <= n; ++i) {
    const int lo = std::max(0, i - limit), hi = std::min(m, i + limit);
    const auto c = word[static_cast<size_t>(i - 1)];
    int best = over;
    for (int j = lo; j <= hi; ++j) {
      int v = over;
      if (j >= prevLo && j <= prevHi) v = row[static_cast<size_t>(j)] + 1;
      if (j >= 1) {
        auto q = pattern[static_cast<size_t>(j - 1)];
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

template <typename View>
int distanceOf(View word, View pattern, int limit) {
  if (limit < 0) limit = 0;
  if (pattern.find('*') == View::npos) return bandedDistance(word, pattern, limit);
  // With stars the cost along a row is not tied to the diagonal: the whole row is kept.
  const int over = limit + 1;
  const size_t m = pattern.size();
  // row[j]: cost of matching the word prefix read so far against pattern[0, j).
  std::vector<int> row(m + 1), next(m + 1);
  row[0] = 0;
  for (size_t j = 1; j <= m; ++j)
    row[j] = std::min(over, row[j - 1] + (pattern[j - 1] == '*' ? 0 : 1));
  for (auto c : word) {
    next[0] = std::min(over, row[0] + 1);
    int best = next[0];
    for (size_t j = 1; j <= m; ++j) {
      auto q = pattern[j - 1];
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

// The code points of UTF-8 text (malformed bytes as U+FFFD).
std::u32string codePoints(std::string_view s) {
  std::u32string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    int len;
    out += static_cast<char32_t>(unicodetext::decode(s, i, &len));
    i += static_cast<size_t>(len);
  }
  return out;
}

}  // namespace

bool wildcardMatch(std::string_view word, std::string_view pattern) { return wildcardOf(word, pattern); }

int editDistance(std::string_view word, std::string_view pattern, int limit) {
  return distanceOf(word, pattern, limit);
}

bool fuzzyMatch(std::string_view word, std::string_view pattern, int limit) {
  return editDistance(word, pattern, limit) <= limit;
}

bool wildcardMatchUtf8(std::string_view word, std::string_view pattern) {
  const std::u32string w = codePoints(word), p = codePoints(pattern);
  return wildcardOf(std::u32string_view(w), std::u32string_view(p));
}

bool fuzzyMatchUtf8(std::string_view word, std::string_view pattern, int limit) {
  const std::u32string w = codePoints(word), p = codePoints(pattern);
  return distanceOf(std::u32string_view(w), std::u32string_view(p), limit) <= limit;
}

}  // namespace fuzzymatch

// Helpers of the tests of extractors: running one, and the share of a reference text's words
// that an extracted text holds in the same order, for the tests on real samples (like scripts/compare-text.py): words are runs of
// ASCII letters and digits and of non-ASCII bytes, lower-cased; the count is the longest
// common subsequence of the two word lists.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "import/ExtractedText.h"
#include "tests/support/TempDir.h"

namespace testsupport {

// What extractor `f` makes of `bytes`, with at most `textBytes` of text.
inline ExtractedText runExtractor(ExtractFunction f, const std::string& bytes, int64_t textBytes) {
  ExtractLimits limits;
  limits.textBytes = textBytes;
  ExtractedText out;
  f(bytes, limits, &out);
  return out;
}

inline std::vector<std::string> referenceWords(const std::string& text) {
  std::vector<std::string> out;
  std::string w;
  for (unsigned char c : text) {
    if (std::isalnum(c) || c >= 0x80) {
      w += static_cast<char>(std::tolower(c));
    } else if (!w.empty()) {
      out.push_back(w);
      w.clear();
    }
  }
  if (!w.empty()) out.push_back(w);
  return out;
}

// The number of words of `ref` found in order in `ours` (Hunt-Szymanski).
inline size_t wordsInOrder(const std::vector<std::string>& ref, const std::vector<std::string>& ours) {
  std::map<std::string, std::vector<size_t>> where;
  for (size_t i = 0; i < ours.size(); ++i) where[ours[i]].push_back(i);
  std::vector<size_t> tails;
  for (const std::string& w : ref) {
    auto it = where.find(w);
    if (it == where.end()) continue;
    for (auto p = it->second.rbegin(); p != it->second.rend(); ++p) {
      auto k = std::lower_bound(tails.begin(), tails.end(), *p);
      if (k == tails.end()) {
        tails.push_back(*p);
      } else {
        *k = *p;
      }
    }
  }
  return tails.size();
}

// The real samples of `folders` (below /work/shared/testdata/real) that have a reference text:
// `ours(path)` gives our text of each, which must hold at least `percent` of the reference
// words in order. The number compared; 0 when the samples are not on this machine.
template <typename Ours>
int expectReferenceWords(std::initializer_list<const char*> folders, Ours ours, size_t percent = 90) {
  const std::filesystem::path root = "/work/shared/testdata/real";
  int compared = 0;
  for (const char* folder : folders) {
    if (!std::filesystem::is_directory(root / folder)) continue;
    for (const auto& e : std::filesystem::directory_iterator(root / folder)) {
      std::string path = e.path().string(), expected = path + ".expected.txt";
      if (path.ends_with(".expected.txt") || !std::filesystem::exists(expected)) continue;
      auto ref = referenceWords(readFile(expected));
      size_t common = wordsInOrder(ref, referenceWords(ours(path)));
      EXPECT_GE(common * 100, ref.size() * percent) << path << ": " << common << " of " << ref.size();
      ++compared;
    }
  }
  return compared;
}

}  // namespace testsupport

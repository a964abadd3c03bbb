// The kinds of index the search tests run over, as xapian-core runs its tests per back-end:
// case- and accent-blind, case-sensitive, accent-sensitive. Each folds its words and the
// requests searched in it by its own flags; the base alphabet pairs the Latin accented letters
// with their base letters, so that an accent-blind index folds them.
#pragma once

#include <string>

#include <gtest/gtest.h>

#include "import/Alphabet.h"

namespace searchtest {

struct IndexKind {
  const char* name;
  bool caseSensitive;
  bool accentSensitive;
};

inline const IndexKind kIndexKinds[] = {
    {"CaseBlind", false, false}, {"CaseSensitive", true, false}, {"AccentSensitive", false, true}};

inline const Alphabet& latinAlphabet() {
  static const Alphabet alphabet = [] {
    Alphabet a;
    addLatinAccentPairs(&a);
    a.rebuildMap();
    return a;
  }();
  return alphabet;
}

inline std::string kindName(const ::testing::TestParamInfo<IndexKind>& info) { return info.param.name; }

}  // namespace searchtest

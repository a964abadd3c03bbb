// The request classes of the search benchmark and the words each corpus uses for them, shared
// by our side (bench/SearchBench) and Xapian's (bench/XapianQueries, bench/XapianQueryProcess),
// so both answer the same question. Header only; no engine or Xapian dependency.
#pragma once

#include <string>
#include <vector>

namespace queryclasses {

enum Kind { kTerm, kAnd, kPhrase, kPrefix, kNear, kOr, kAndNot, kFuzzy, kRange };

struct QueryClass {
  const char* name;                // the row's name in the tables ("common word", ...)
  Kind kind;
  std::vector<std::string> words;  // lower case; for kRange the two bounds
};

constexpr int kNearDistance = 5;  // our w/5; Xapian's NEAR window is one more (6 positions)

// Our request text for a class: "a", "a and b", "a b", "a*", "a w/5 b", "a or b or c",
// "a and not b", "a~~b"; a fuzzy word is given with its "%" ("go%verment": differences
// allowed after "go").
inline std::string requestText(const QueryClass& q) {
  const std::vector<std::string>& w = q.words;
  auto at = [&w](size_t i) { return i < w.size() ? w[i] : std::string(); };
  switch (q.kind) {
    case kTerm: return at(0);
    case kAnd: return at(0) + " and " + at(1);
    case kPhrase: return at(0) + " " + at(1);
    case kPrefix: return at(0) + "*";
    case kNear: return at(0) + " w/" + std::to_string(kNearDistance) + " " + at(1);
    case kOr: return at(0) + " or " + at(1) + " or " + at(2);
    case kAndNot: return at(0) + " and not " + at(1);
    case kFuzzy: return at(0);  // the word holds its fuzzy marker
    case kRange: return at(0) + "~~" + at(1);
  }
  return "";
}

// The ten classes with words chosen for `corpus` ("brown", "mail", "kernel-docs"; any other
// name gets the kernel-docs words): a common word in most documents, a rare word in a handful.
inline std::vector<QueryClass> forCorpus(const std::string& corpus) {
  if (corpus == "brown")
    return {{"common word", kTerm, {"time"}},           {"rare word", kTerm, {"pentagon"}},
            {"two-word AND", kAnd, {"state", "government"}}, {"two-word phrase", kPhrase, {"united", "states"}},
            {"prefix wildcard", kPrefix, {"govern"}},   {"w/5", kNear, {"people", "said"}},
            {"OR of three", kOr, {"money", "world", "year"}}, {"negation", kAndNot, {"time", "people"}},
            {"fuzzy word", kFuzzy, {"go%verment"}},      {"numeric range", kRange, {"100", "200"}}};
  // Mail is read as mail: of the headers only From, To, Cc, Subject and Date are text, so the
  // common word is one of the bodies ("received" is mostly in Received: headers).
  if (corpus == "mail")
    return {{"common word", kTerm, {"please"}},       {"rare word", kTerm, {"jury"}},
            {"two-word AND", kAnd, {"linux", "python"}}, {"two-word phrase", kPhrase, {"mailing", "list"}},
            {"prefix wildcard", kPrefix, {"spam"}},     {"w/5", kNear, {"razor", "list"}},
            {"OR of three", kOr, {"linux", "perl", "python"}}, {"negation", kAndNot, {"please", "list"}},
            {"fuzzy word", kFuzzy, {"me%sage"}},         {"numeric range", kRange, {"100", "200"}}};
  return {{"common word", kTerm, {"system"}},           {"rare word", kTerm, {"kobject"}},
          {"two-word AND", kAnd, {"memory", "page"}},   {"two-word phrase", kPhrase, {"page", "table"}},
          {"prefix wildcard", kPrefix, {"interr"}},     {"w/5", kNear, {"interrupt", "handler"}},
          {"OR of three", kOr, {"driver", "device", "bus"}}, {"negation", kAndNot, {"memory", "page"}},
          {"fuzzy word", kFuzzy, {"me%mori"}},           {"numeric range", kRange, {"100", "200"}}};
}

}  // namespace queryclasses

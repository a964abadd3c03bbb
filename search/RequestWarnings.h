// RequestWarnings: what a search tells its user about a request that it searches but cannot
// search as written: parts no connector joins to the rest (not searched), synonyms asked for
// without a thesaurus, and a request of noise words only. Each is an information message
// tagged as a warning. Depends on search/SearchTree and objects/MessageTable.
#pragma once

#include <string>

#include "search/RequestSettings.h"

class Reporter;
class SearchTree;

namespace requestwarnings {

constexpr int kNoiseOnlyMessage = 201;    // the noise words
constexpr int kNotSearchedMessage = 202;  // the part left out
constexpr int kNoThesaurusMessage = 203;

// Shows the warnings a parsed request deserves before any index is searched, through the
// settings' reporter (none: nothing is shown): each part that is not searched, and synonyms
// without a thesaurus. `request` is the text as given.
void warnBeforeSearch(const SearchTree& tree, const std::string& request, const RequestSettings& settings);

// The request's words that the last index search marked as noise, separated by blanks.
std::string noiseWords(const SearchTree& tree);

// Shows that only noise words were asked for.
void warnNoiseOnly(const SearchTree& tree, Reporter& reporter);

}  // namespace requestwarnings

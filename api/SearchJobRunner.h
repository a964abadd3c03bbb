// Runs search jobs for the engine interface: the settings of a search from the engine's
// options (markers, search-wide word options, alphabet, thesaurus, stemmer, macros,
// retrieval limit), the searchers callers keep between jobs, and the search history
// SHISTORY.DAT. Depends on api/LexaurumInstance and search/Searcher.
#pragma once

#include "lexaurum/lexaurum.h"

class LexaurumInstance;

namespace searchjobs {

// 0 when documents were retrieved, -1 otherwise.
int run(LexaurumInstance& engine, lxrSearchJob* job);

// A new searcher handle (at least 55 bytes), or null.
lxrSearcher* create(LexaurumInstance& engine);
// True when `handle` is one that create() made and destroy() has not yet taken.
bool isSearcher(const lxrSearcher* handle);
void destroy(lxrSearcher* handle);

// The history table's title and its largest number of entries (older ones give way).
constexpr const char* kHistoryTitle = "Lexaurum Search History";
constexpr int kMaxHistory = 100;

}  // namespace searchjobs

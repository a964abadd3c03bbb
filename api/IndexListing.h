// The listings of an index for the engine interface: its words with their counts and its
// documents. Each opens the index for reading (so they work while an update runs), walks it
// and closes it. Depends on index/ and search/WordIterator.
#pragma once

#include <string>

#include "lexaurum/lexaurum.h"
#include "search/SearchWord.h"

class Stemmer;

class Alphabet;
class Reporter;

namespace indexlisting {

// 0, or -1 (reported through the error reporter) when the index cannot be opened or read.
// A pattern is matched as a request word with `markers`, stemmed words by `stemmer` (may
// be null), folded as the index folds its words (the index folds `alphabet` by its flags).
// The counts are over the documents still in the index (removed ones are not counted), and
// a word found only in removed documents is not handed out.
int listWords(const Alphabet& alphabet, const std::string& folder, const std::string& pattern, bool allWords,
              lxrWordListFn fn, uintptr_t data, const Stemmer* stemmer = nullptr,
              const SearchMarkers& markers = {});
int listDocuments(const std::string& folder, bool withCancelled, lxrDocumentListFn fn,
                  uintptr_t data);

// Verifies the index with progress through `job` (may be null). 0, or -1 with *failure set.
int verify(const std::string& folder, lxrJobBase* job, Reporter* reporter, std::string* failure);

// True for the words the engine keeps for itself: number words, field words and the first-
// and last-word marks.
bool isEngineWord(const std::string& word);

}  // namespace indexlisting

// The listings of an index for the engine interface: its words with their counts and its
// documents. Each opens the index for reading (so they work while an update runs), walks it
// and closes it. Depends on index/ and search/WordIterator.
#pragma once

#include <string>

#include "lexaurum/lexaurum.h"

class Alphabet;
class Reporter;

namespace indexlisting {

// 0, or -1 (reported through the error reporter) when the index cannot be opened or read.
int listWords(const Alphabet& alphabet, const std::string& folder, const std::string& pattern, bool allWords,
              lxrWordListFn fn, uintptr_t data);
int listDocuments(const std::string& folder, bool withCancelled, lxrDocumentListFn fn,
                  uintptr_t data);

// Verifies the index with progress through `job` (may be null). 0, or -1 with *failure set.
int verify(const std::string& folder, lxrJobBase* job, Reporter* reporter, std::string* failure);

// True for the words the engine keeps for itself: number words, field words and the first-
// and last-word marks.
bool isEngineWord(const std::string& word);

}  // namespace indexlisting

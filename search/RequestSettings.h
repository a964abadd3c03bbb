// RequestSettings: what the request parser takes from the engine: the search-wide word
// options, the marker and macro characters, and the alphabet, thesaurus, stemmer and macros
// table to use. The engine interface fills it from the engine's options. Depends on
// search/SearchWord only.
#pragma once

#include "search/SearchWord.h"

class Alphabet;
class Reporter;
class MacroTable;
class Stemmer;
class Thesaurus;

struct RequestSettings {
  SearchOptions options;
  SearchMarkers markers;
  char macroChar = '\0';  // none: macros are off
  // Null: the built-in alphabet, no thesaurus (synonyms expand to nothing), no stemmer
  // (stemmed words match by their pattern only), no macros (every macro name is unknown).
  // Each must outlive the parse.
  const Alphabet* alphabet = nullptr;
  const Thesaurus* thesaurus = nullptr;
  const Stemmer* stemmer = nullptr;
  const MacroTable* macros = nullptr;
  // Show failures (messages 9, 13, 18, 32) through `reporter` (null: nowhere). Off, they are
  // only kept in the tree's message().
  bool showMessages = true;
  Reporter* reporter = nullptr;
};

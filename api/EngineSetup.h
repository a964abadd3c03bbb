// The engine's settings: the options file OPTIONS.DAT (a table file titled "Lexaurum Options"
// in the private folder) and their values in memory. Every key the engine reads has a field
// here with its default; keys this version does not know are kept and written back, so a
// newer program's settings survive an older one. Depends on io/TableFile and the search
// options of search/SearchWord.
#pragma once

#include <map>
#include <string>

#include "search/SearchWord.h"

class TableFile;

class EngineSetup {
 public:
  static constexpr const char* kTitle = "Lexaurum Options";

  // Indexing and alphabet.
  std::string alphabetName = "ENGLISH.ABC";
  int hyphens = 3;  // 1..4: how hyphen characters are treated
  int maxWordLength = 32;
  bool indexNumbers = true;
  int binaryFiles = 2;  // 1 filter binary files, 3 skip them, other: no detection
  std::string noiseListName = "LEXAURUM.NOI";
  bool relativePaths = false;  // for indexes made by scripts
  bool indexCaseSensitive = false;    // unindexed search folding
  bool indexAccentSensitive = false;

  // Searching.
  std::string stemmerName = "STEMMING.DAT";
  char fuzzyChar = '%';
  char phoneticChar = '#';
  char stemmingChar = '~';
  char synonymChar = '&';
  char macroChar = '\0';  // none: macros are off
  SearchOptions searchOptions;
  int retrievalLimit = 0;  // documents; 0 = no limit
  int searchParameter = 0;

  // Job scripts (docs/job-scripts.md): folders besides the script's own tree and the private
  // folder where scripts may write, separated by ";" ("*": anywhere), and whether they may
  // replace and delete the documents of the indexes they name. A script's OPTION command
  // changes neither.
  std::string scriptOutputFolders;
  bool scriptChangesDocuments = false;

  EngineSetup() = default;

  // Reads `path`. 0; -1 when the file is missing or not an options file, in which case every
  // field keeps its default.
  int read(const std::string& path);
  // Writes every known key and every kept unknown one; 0 or -1 (file unchanged).
  int write(const std::string& path) const;

  // Changes one setting as the options file's line "name = value" would. 0, or -1 for a
  // name or value that cannot stand in that file (nothing changes then).
  int setOption(const std::string& name, const std::string& value);

  // A key this version keeps only as text (the debugging switches "MergeNW" and friends):
  // its value as an integer, or `fallback` when absent or not a number.
  int extraInt(const std::string& name, int fallback) const;
  std::string extraString(const std::string& name) const;
  void setExtra(const std::string& name, const std::string& value);

  // maxWordLength as the indexer uses it: above 128 becomes 127, below 4 becomes 4.
  int effectiveMaxWordLength() const;

 private:
  void load(const TableFile& table);
  void fill(TableFile& table) const;

  std::map<std::string, std::string> extras_;
};

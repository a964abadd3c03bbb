// Every fixed file name the program uses comes from one table of (kind, name) pairs. A name
// that holds a "%" is a pattern formatted with one number. A name can be replaced at run
// time for one kind (tests and diagnostics do so).
#pragma once

#include <string>

namespace wellknown {

// Kinds the engine uses by name.
enum Kind {
  kInUse = 1, kDesktop = 2, kSortTemp = 4, kSwapFile = 5, kXData = 13, kSearchHistory = 14,
  kFileList = 15, kSortList = 16, kSearchResults = 17, kHits = 18, kViewTemp = 19,
  kPrintTemp = 21, kReport = 22, kNoiseList = 23, kDiskTree = 24, kSettings = 25,
  kHelp = 27, kDirTemp = 29, kIndexLibrary = 30, kWpChars = 31, kClipboard = 32,
  kKwicTemp = 33, kToIndex = 34, kAlphabet = 35, kIndexLog = 36, kSearchTemp = 37,
  kMessages = 39, kWinHelp = 45, kMenu = 46, kWinMenu = 47, kCursors = 48, kMacros = 49,
  kFileTypes = 50, kApplications = 51, kOptions = 52, kSearchDirs = 53, kSearchIndexes = 54,
};

// The name of `kind`, with `number` put into a pattern. For a kind not in the table,
// traces "Unable to find name for type %d" and returns "".
std::string name(int kind, long number = 0);
// Replaces the name of one kind until reset (an empty name restores the table's).
void setName(int kind, const std::string& name);
void resetNames();

}  // namespace wellknown

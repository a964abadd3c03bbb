// What `lxr search` and `lxr show` are asked to do, read from their arguments: the request,
// the indexes and files searched, the word options, the order, and how results are shown.
// Only argument reading; nothing here runs a search.
#pragma once

#include <string>
#include <vector>

namespace searchoptions {

struct SearchOptions {
  std::string request;       // UTF-8, as typed
  std::string also;          // the additional request (--also)
  std::vector<std::string> indexes;   // index folders (library names resolved)
  std::string files;         // folder of an unindexed scan (--files, --folder)
  std::vector<std::string> includes, excludes;
  int sortType = 16;         // LXR_SORT_* value
  int searchFlags = 0;       // LXR_SEARCH_* bits
  int fuzziness = 0;
  int best = 0;              // --max / --best; 0 keeps every document
  std::string listing;       // --listing FILE
  int listingFlags = -1;     // --listing-flags; -1: not given
  int context = -1;          // --context N; -1: no context
  bool json = false;
  bool hitNumbers = false;   // --hits: the word numbers of the hits
  // lxr show only.
  std::string document;      // the FILE operand
  bool hitLinesOnly = false; // --hit-lines
  int width = 100;           // --width: columns of a shown line
};

// Reads the words after "search". 0, or -1 with *error saying what is wrong.
//   search REQUEST INDEX... [options]     INDEX: a folder or a name in the index library
//   search INDEX[,INDEX...] REQUEST...    the earlier order, taken when the first operand
//                                         names indexes and the second does not
int parseSearch(const std::vector<std::string>& args, SearchOptions* out, std::string* error);

// Reads the words after "show": FILE --request REQUEST [--index INDEX] [--hit-lines]
// [--width N] and the word options. 0, or -1 with *error set.
int parseShow(const std::vector<std::string>& args, SearchOptions* out, std::string* error);

// True when `operand` names an index (or, with commas, indexes): a library name or a folder
// holding an index.
bool namesIndexes(const std::string& operand);

}  // namespace searchoptions

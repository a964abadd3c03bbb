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
  int sortType = 16;         // LXR_SORT_* value, the direction settled (see sortedByTool)
  int direction = 0;         // +1 --ascending, -1 --descending, 0 the order's own
  enum class Color { kAuto, kAlways, kNever };
  Color color = Color::kAuto;  // --color
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

// True when the tool puts the documents in order itself (by the whole name, or by date),
// so that --max keeps the first N in that order rather than the N with most hits.
bool sortedByTool(const SearchOptions& o);
// True when the hits are to be coloured on standard output (--color, NO_COLOR, a terminal).
bool useColor(const SearchOptions& o);

// What the parsers return for an operand that names no index (a complaint, not a usage).
constexpr int kNotAnIndex = -2;

// Reads the words after "search". 0, or -1 with *error saying what is wrong.
//   search REQUEST INDEX... [options]     INDEX: a folder or a name in the index library
//   search INDEX[,INDEX...] REQUEST...    the earlier order, taken when the first operand
//                                         names indexes and the second does not
// kNotAnIndex when an operand names no index.
int parseSearch(const std::vector<std::string>& args, SearchOptions* out, std::string* error);

// Reads the words after "show": FILE --request REQUEST [--index INDEX] [--hit-lines]
// [--width N] and the word options. 0, or -1 with *error set.
int parseShow(const std::vector<std::string>& args, SearchOptions* out, std::string* error);

// True when `operand` names an index (or, with commas, indexes): a library name or a folder
// holding an index.
bool namesIndexes(const std::string& operand);

}  // namespace searchoptions

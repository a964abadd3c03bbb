// SearchJobRequest: what one search job asks for (the request, the indexes and files to
// search, the results file, the listing and the sort order), and SearchProgress, what the
// search reports as it goes through its JobControl. The engine interface fills the request
// from its job record and copies the progress back into its own record. Depends on
// index/IndexJobRequest (the file specification) and objects/JobControl.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "index/IndexJobRequest.h"
#include "objects/JobControl.h"

// The status codes of search jobs; the engine interface hands callers the same numbers.
// The searchFlags bit of a request written in UTF-8 (else Windows-1252).
constexpr int16_t kUtf8RequestFlag = 64;
// The searchFlags bit of a best-N search whose caller wants only the best N reported: the
// documents that cannot be among them are counted in the totals without a 2004 report, and
// their records are not read.
constexpr int16_t kBestOnlyFlag = 128;

namespace searchcode {
constexpr int32_t kStopQuery = 1001;  // the call-back may answer -1 to stop the search
constexpr int32_t kDone = 1003;
constexpr int32_t kStart = 2001;
constexpr int32_t kIndexesDone = 2002;
constexpr int32_t kSearching = 2003;  // an index or a file is being searched
constexpr int32_t kDocFound = 2004;
}  // namespace searchcode

struct SearchJobRequest {
  std::string request;
  std::string additionalRequest;
  int16_t sortType = 0;                   // 0 ask getSortType; see ResultsJob
  std::function<int16_t()> getSortType;   // may be null
  bool searchFiles = false;               // scan the files of filesToSearch, not indexed
  bool searchIndexes = false;             // search the folders of indexesToSearch
  FileSpec filesToSearch;
  std::vector<std::string> indexesToSearch;
  std::string resultsName;                // blank: a new SRCH<n>.DAT
  std::string listingName;                // blank: no listing
  int32_t listingFlags = 0;
  int16_t searchParameter = 0;            // best N documents; 0: all
  int16_t searchFlags = 0;                // 1 fuzzy, 2 phonic, 4 stemming, 8 natural, 16 synonyms,
                                          // kUtf8RequestFlag, kBestOnlyFlag
  int16_t fuzziness = 0;                  // 0..9, with the fuzzy flag
};

struct SearchProgress {
  int32_t statusCode = 0;  // 2001..2004, 1003, 1001
  std::string name;        // 2003: the index or file being searched
  bool isFile = false;
  int32_t filesToSearch = 0, filesSearched = 0;
  std::string docName;     // 2004
  int32_t hitCount = 0;
  const void* docRecord = nullptr;  // 2004: the found document's record, during the call
  int32_t answer = 0;      // 1001: the call-back sets -1 to stop the search
  // The totals so far.
  int32_t totalFiles = 0;
  int32_t totalHits = 0;
};

using SearchJobControl = JobControl<SearchProgress>;

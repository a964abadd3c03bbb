// SearchResultsWriter: where the documents a search retrieves go. Each found document is
// kept in the search's results file (optionally only the best N by score, waiting in a
// temporary results file or in the caller's own item store), the file is sorted by the
// job's order with the short name as the second key, the request and totals go into its
// header, and a listing file is written when the job asks for one. Depends on search/ResultsFile, search/BestNFilter and objects/.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>

#include "search/ResultsFile.h"

class BestNFilter;
class Reporter;
class ResultsItemStore;

// What the writer takes from the search job.
struct ResultsJob {
  std::string resultsName;     // blank: a new SRCH<n>.DAT in workFolder (then stored here)
  std::string workFolder;
  int sortType = 16;           // 1 unsorted, 0 ask getSortType, 4 name, 8 date, 16 score; +2 ascending
  std::function<int16_t()> getSortType;  // may be null: unsorted when asked
  int32_t bestN = 0;           // 0: keep every document
  // The caller's own store of found items: with bestN, the best N wait there (and end there)
  // instead of in a temporary file; they are also written to the results file. Null: none.
  ResultsItemStore* itemStore = nullptr;
  std::string request;
  std::time_t searchTime = 0;
  std::string listingName;     // blank: no listing
  int32_t listingFlags = 0;    // 1 counts, 2 hits, 32 detail, 1024 header, 2048 append
  Reporter* reporter = nullptr;  // where message 40 goes (null: nowhere)
};

// Threads: one user at a time.
class SearchResultsWriter {
 public:
  static constexpr int kListingFailedMessage = 40;

  explicit SearchResultsWriter(ResultsJob& job);
  ~SearchResultsWriter();
  SearchResultsWriter(const SearchResultsWriter&) = delete;
  SearchResultsWriter& operator=(const SearchResultsWriter&) = delete;

  // Keeps a found document (its score in item.doc.score). 0, or -1 when it could not be kept
  // (it is counted all the same).
  int add(ResultsItem& item);
  // Counts a found document that cannot be kept (its score does not beat scoreBar()).
  void count(int32_t hits);
  // With a best-N filter: the score a document must beat to be kept (INT32_MIN while any is
  // kept). Without one: INT32_MIN.
  int32_t scoreBar() const;
  // Flushes the best-N filter, sorts the file and writes its header. 0 or -1.
  int finish();
  // Writes the job's listing file (after finish). 0 (also when none is asked for) or -1
  // (message 40 names the file).
  int writeListing();

  bool failed() const { return failed_; }
  // When the results file could not be made: its name and the system's reason; else empty.
  const std::string& createFailure() const { return createFailure_; }
  int32_t documents() const { return documents_; }
  int64_t totalHits() const { return totalHits_; }
  int32_t highScore() const { return highScore_; }
  const std::string& fileName() const { return job_.resultsName; }

  // The next unused name of `pattern` ("SRCH*.DAT": the star becomes 1, 2, ...) in `folder`.
  static std::string nextFreeName(const std::string& folder, const std::string& pattern);

 private:
  int sort();
  int effectiveSortType() const;

  ResultsJob& job_;
  ResultsFile file_;
  std::unique_ptr<BestNFilter> best_;  // null: every document goes to the file
  int32_t documents_ = 0;
  int64_t totalHits_ = 0;
  int32_t highScore_ = 0;
  bool failed_ = false;
  std::string createFailure_;
};

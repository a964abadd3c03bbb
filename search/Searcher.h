// Searcher: runs one search job: parses the request, searches each index of the job in
// turn (and the files of an unindexed scan), hands every retrieved document to the results writer, counts documents and hits,
// reports progress through the job's call-back (and lets the caller stop), asks at the
// retrieval limit, and finishes the results file and listing. A searcher can serve many
// jobs. Depends on search/ (SearchTree, IndexSearch, SearchResultsWriter) and index/.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "import/Alphabet.h"
#include "index/IndexJob.h"
#include "search/RequestSettings.h"
#include "search/ResultsFile.h"
#include "objects/Reporter.h"
#include "objects/Status.h"
#include "search/SearchJobRequest.h"

class SearchResultsWriter;
class SearchTree;
struct FoundDocument;

// What a search job leaves behind.
struct SearchOutcome {
  int32_t totalFiles = 0;
  int32_t totalHits = 0;
  std::string resultsName;  // the results file written
  // Why an index could not be searched (ok when every index was): damaged, missing, held.
  Status status;
};

struct SearcherSettings {
  // Options, markers, thesaurus, stemmer, macros, and the alphabet of the engine's options:
  // each index searched folds it by its own flags, and the request is parsed anew for each
  // index with the index's alphabet.
  RequestSettings request;
  int32_t retrievalLimit = 0;     // documents before the "stop?" question; 0: none
  std::string workFolder;         // where SRCH<n>.DAT and RFLT.DAT go
  // Scanning files without an index: how they are read and folded.
  IndexJobSettings indexing;
  bool caseSensitive = false;
  bool accentSensitive = false;
  // The index library's names of index folders (null: none).
  LibraryNameFn libraryName;
  // Called at the end of every search with the request and the totals (the search history).
  std::function<void(const std::string& request, int32_t documents, int32_t hits)> history;
};

// Threads: one user at a time.
class Searcher {
 public:
  static constexpr int kNoDocumentsMessage = 19;
  static constexpr int kLimitQuestion = 58;

  explicit Searcher(SearcherSettings settings);
  ~Searcher();
  Searcher(const Searcher&) = delete;
  Searcher& operator=(const Searcher&) = delete;

  // Runs the job; `control` receives the progress reports (with the totals so far) and gives
  // the cancel flag, which an answer of -1 to the stop query sets to 1. The totals and the
  // results file's name go into `*outcome`. 0 when documents were retrieved, -1 otherwise
  // (empty or faulty request, nothing found, or an index that could not be searched: its
  // status is in `*outcome`, and the documents found are no answer).
  int doSearch(const SearchJobRequest& job, const SearchJobControl& control, SearchOutcome* outcome);

  // New settings for the next job (the options may have changed meanwhile).
  void setSettings(SearcherSettings settings) { settings_ = std::move(settings); }

 private:
  int parse(SearchTree* tree, const Alphabet* alphabet = nullptr);
  const Alphabet& baseAlphabet() const;
  int finishEarly();
  int searchIndex(const std::string& folder, bool report = true, int32_t documentsNotIndexed = 0);
  int scanFiles();
  void relayScan(const IndexProgress& p, int32_t* scanCancel);
  int found(FoundDocument& doc);
  // A found document below the best N's score bar: counted, neither reported nor kept.
  int counted(int32_t hits);
  // After each found or counted document: the retrieval limit's question and the cancel flag.
  int afterDocument();
  void reportStatus(int code);
  int32_t cancelFlag() const { return control_ ? control_->cancel() : 0; }
  Reporter& reporter() const {
    return settings_.request.reporter ? *settings_.request.reporter : Reporter::quiet();
  }

  SearcherSettings settings_;
  const SearchJobRequest* job_ = nullptr;
  const SearchJobControl* control_ = nullptr;
  SearchOutcome* outcome_ = nullptr;
  std::unique_ptr<SearchResultsWriter> writer_;
  ResultsItem item_;  // the found document being written
  SearchProgress progress_;
  int32_t limit_ = 0;
  int32_t countedSinceQuery_ = 0;  // counted documents since the caller was last asked to stop
  bool noiseWarned_ = false;  // "only noise words" is said once per search
  bool stop_ = false;
  bool relevance_ = false;
  std::string request_, additional_;
  bool requestUtf8_ = false;  // the request is UTF-8 (else Windows-1252)
  Alphabet unicodeBase_;      // the check parse of a UTF-8 request folds with it
};

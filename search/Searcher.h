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

#include "index/IndexJob.h"
#include "lexaurum/lexaurum.h"
#include "search/RequestSettings.h"

class SearchResultsWriter;
class SearchTree;
struct FoundDocument;

struct SearcherSettings {
  RequestSettings request;        // options, markers, alphabet, thesaurus, stemmer, macros
  int32_t retrievalLimit = 0;     // documents before the "stop?" question; 0: none
  std::string workFolder;         // where SRCH<n>.DAT and RFLT.DAT go
  // Scanning files without an index: how they are read and folded.
  IndexJobSettings indexing;
  bool caseSensitive = false;
  bool accentSensitive = false;
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

  // Runs the job. 0 when documents were retrieved, -1 otherwise (empty or faulty request,
  // nothing found).
  int doSearch(lxrSearchJob* job);

  // New settings for the next job (the options may have changed meanwhile).
  void setSettings(SearcherSettings settings) { settings_ = std::move(settings); }

 private:
  int parse(SearchTree* tree);
  int searchIndex(SearchTree& tree, const std::string& folder, bool report = true);
  int scanFiles(SearchTree& tree);
  static void relayScan(uintptr_t data, void* record);
  int found(FoundDocument& doc);
  void reportStatus(int code);

  SearcherSettings settings_;
  lxrSearchJob* job_ = nullptr;
  lxrIndexJob* scanJob_ = nullptr;  // the temporary index of an unindexed scan
  std::unique_ptr<SearchResultsWriter> writer_;
  lxrSearchProgressInfo progress_{};
  int32_t limit_ = 0;
  bool noiseWarned_ = false;  // "only noise words" is said once per search
  bool stop_ = false;
  bool relevance_ = false;
  std::string request_, additional_;
};

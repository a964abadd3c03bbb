#include "search/Searcher.h"

#include <cstring>

#include "index/IndexJob.h"
#include "index/NoiseList.h"
#include "index/TextDB.h"
#include "io/FileMode.h"
#include "objects/MessageTable.h"
#include "objects/StringSet.h"
#include "objects/TextFields.h"
#include "objects/Trace.h"
#include "objects/UserCallbacks.h"
#include "search/IndexSearch.h"
#include "search/LiteralPrecheck.h"
#include "search/RequestWarnings.h"
#include "search/SearchResultsWriter.h"
#include "search/SearchTree.h"

using namespace indexformat;

namespace {

constexpr uint32_t kSearchTypes = kHeaderFile | kKeyFile | kRefFile | kDocFile | kNoiseFile;
constexpr int kScoreSort = 16;

std::string trimmed(const char* text, size_t capacity) {
  std::string s(text, strnlen(text, capacity));
  size_t a = s.find_first_not_of(" \t\r\n");
  if (a == std::string::npos) return "";
  size_t b = s.find_last_not_of(" \t\r\n");
  return s.substr(a, b - a + 1);
}

}  // namespace

Searcher::Searcher(SearcherSettings settings) : settings_(std::move(settings)) {
  progress_.structSize = sizeof progress_;
}

Searcher::~Searcher() = default;

void Searcher::reportStatus(int code) {
  progress_.statusCode = code;
  if (!job_ || !job_->base.pReportCallBack) return;
  job_->base.pReportCallBack(job_->base.pReportData, &progress_);
  if (code == LXR_PROGRESS_SEARCH_DONE) return;
  progress_.statusCode = LXR_PROGRESS_STOP_QUERY;
  progress_.answer = 0;
  job_->base.pReportCallBack(job_->base.pReportData, &progress_);
  if (progress_.answer == -1) {
    trace::text("Searcher::reportStatus -- abort requested");
    job_->base.cancelFlag = 1;
  }
}

int Searcher::parse(SearchTree* tree) {
  return tree->parse(request_, additional_, settings_.request);
}

int Searcher::doSearch(lxrSearchJob* job) {
  job_ = job;
  stop_ = false;
  limit_ = settings_.retrievalLimit;
  job->totalFiles = 0;
  job->totalHits = 0;
  request_ = trimmed(job->request, sizeof job->request);
  additional_ = trimmed(job->additionalRequest, sizeof job->additionalRequest);
  if (request_.empty() && additional_.empty()) return -1;

  SearchOptions& o = settings_.request.options;
  o.fuzzySearching = o.fuzzySearching || (job->searchFlags & 1);
  if (job->searchFlags & 1) o.fuzziness = std::clamp<int>(job->fuzziness, 0, 9);
  o.phonicSearching = o.phonicSearching || (job->searchFlags & 2);
  o.autoStemming = o.autoStemming || (job->searchFlags & 4);
  o.natLangSearching = o.natLangSearching || (job->searchFlags & 8);
  o.synonymSearching = o.synonymSearching || (job->searchFlags & 16);

  ResultsJob results;
  results.resultsName = trimmed(job->resultsName, sizeof job->resultsName);
  results.workFolder = settings_.workFolder;
  results.sortType = job->sortType;
  results.getSortType = job->getSortType;
  results.reportData = job->base.pReportData;
  results.bestN = job->searchParameter > 0 ? job->searchParameter : 0;
  results.request = additional_.empty() ? request_ : request_.empty() ? additional_ : request_ + " and " + additional_;
  results.searchTime = std::time(nullptr);
  results.listingName = trimmed(job->listingName, sizeof job->listingName);
  results.listingFlags = job->listingFlags;
  writer_.reset();  // closes the previous results file first: the new one may take its name
  writer_ = std::make_unique<SearchResultsWriter>(results);
  int sort = job->sortType;
  relevance_ = sort == 0 || (sort & kScoreSort) != 0;

  trace::line("Starting search for %s", results.request.c_str());
  reportStatus(LXR_PROGRESS_SEARCH_START);
  SearchTree tree;
  if (parse(&tree) < 0) {
    writer_->finish();
    return -1;
  }
  requestwarnings::warnBeforeSearch(tree, results.request, settings_.request);
  noiseWarned_ = false;
  if (job->searchIndexes && job->indexesToSearch) {
    for (int i = 0; i < job->indexesToSearch->count() && !stop_ && job->base.cancelFlag == 0; ++i) {
      SearchTree perIndex;  // parsed again for each index
      if (parse(&perIndex) < 0) break;
      if (searchIndex(perIndex, job->indexesToSearch->at(i)) < 0) stop_ = true;
    }
  }
  if (job->searchFiles && !stop_ && job->base.cancelFlag == 0) {
    SearchTree forFiles;
    if (parse(&forFiles) == 0) scanFiles(forFiles);
  }
  reportStatus(LXR_PROGRESS_SEARCH_2002);
  if (job->totalFiles == 0 && !stop_ && job->base.cancelFlag == 0) messages::showInfo(kNoDocumentsMessage);
  if (settings_.history) settings_.history(results.request, job->totalFiles, job->totalHits);
  writer_->finish();
  writer_->writeListing();
  textfields::copy(job->resultsName, sizeof job->resultsName, writer_->fileName());
  reportStatus(LXR_PROGRESS_SEARCH_DONE);
  job_ = nullptr;
  return job->totalFiles > 0 ? 0 : -1;
}

int Searcher::searchIndex(SearchTree& tree, const std::string& folder, bool report) {
  if (report) {  // an unindexed scan reports its files instead
    trace::line("Searching in index %s", folder.c_str());
    textfields::copy(progress_.name, sizeof progress_.name, folder);
    progress_.isFile = 0;
    reportStatus(LXR_PROGRESS_SEARCHING);
  }
  // The index is opened for each search, so that a search always sees its latest update.
  trace::text("Searcher::searchIndex -- Opening new index");
  TextDB db;
  if (db.setDirectory(folder) < 0 || db.open(filemode::kRead, kSearchTypes) < 0) {
    // The index's error text is already the whole message: said once.
    if (db.errorText().empty()) messages::showError(1, {folder, ""});
    else ui::showError(db.errorText().c_str());
    return -1;
  }
  NoiseList noise;
  noise.loadForIndex(db.noiseText());
  IndexSearchSettings s;
  s.lookup.indexName = db.header().indexName.empty() ? folder : db.header().indexName;
  s.lookup.alphabet = settings_.request.alphabet;
  s.lookup.stemmer = settings_.request.stemmer;
  s.lookup.markers = settings_.request.markers;
  s.lookup.isNoise = [&noise](const std::string& w) { return noise.isNoise(w); };
  s.relevance = relevance_;
  s.found = [this](FoundDocument& d) { return found(d); };
  IndexSearch search(tree, db, s);
  int rc = search.search();
  if (rc == 0 && search.nothingToSearch() && !noiseWarned_) {
    requestwarnings::warnNoiseOnly(tree);
    noiseWarned_ = true;
  }
  db.close();
  db.unlock();
  return rc;
}

void Searcher::relayScan(uintptr_t data, void* record) {
  auto* self = reinterpret_cast<Searcher*>(data);
  auto* p = static_cast<lxrIndexProgressInfo*>(record);
  if (p->structSize == 0 || p->statusCode != LXR_PROGRESS_DOC_BEGIN) return;
  std::string name = std::string(p->filePath) + "/" + p->fileName;
  trace::line("Searching in file %s       (Files to search: %d  Files searched: %d", name.c_str(),
              p->filesToIndex, p->filesIndexed);
  textfields::copy(self->progress_.name, sizeof self->progress_.name, name);
  self->progress_.isFile = 1;
  self->progress_.filesToSearch = p->filesToIndex;
  self->progress_.filesSearched = p->filesIndexed;
  self->reportStatus(LXR_PROGRESS_SEARCHING);
  if (self->job_->base.cancelFlag != 0) self->scanJob_->base.cancelFlag = -1;
}

int Searcher::scanFiles(SearchTree& tree) {
  // The files are indexed into a temporary index and searched there: the request finds the
  // same documents and hits whether the files are indexed or not.
  std::string folder = settings_.workFolder + "/UNINDEXED" + std::to_string(reinterpret_cast<uintptr_t>(this) % 100000);
  lxrIndexJob scan{};
  scan.base.structSize = sizeof scan;
  scan.base.pReportCallBack = &Searcher::relayScan;
  scan.base.pReportData = reinterpret_cast<uintptr_t>(this);
  textfields::copy(scan.indexPath, sizeof scan.indexPath, folder);
  textfields::copy(scan.indexName, sizeof scan.indexName, "Unindexed search");
  scan.create = 1;
  scan.add = 1;
  scan.caseSensitive = settings_.caseSensitive;
  scan.accentSensitive = settings_.accentSensitive;
  scan.toAdd = job_->filesToSearch;
  scanJob_ = &scan;
  // Files whose bytes show they cannot match are passed over without being broken into words.
  LiteralPrecheck precheck(tree, settings_.request, settings_.indexing.maxWordLength, settings_.request.alphabet);
  IndexJobSettings scanSettings = settings_.indexing;
  if (precheck.active())
    scanSettings.mayHold = [&precheck](const std::string& name, const ViewerEntry& f) { return precheck.mayHold(name, f); };
  IndexJob indexing(&scan, scanSettings);
  int rc = indexing.run();
  scanJob_ = nullptr;
  if (rc == 0 && job_->base.cancelFlag == 0) rc = searchIndex(tree, folder, false);
  TextDB::deleteIndex(folder, false);
  return rc;
}

int Searcher::found(FoundDocument& doc) {
  ResultsItem item;
  item.doc = doc.doc;
  item.doc.score = doc.score;
  item.hits = doc.hits;
  writer_->add(item);
  job_->totalHits += static_cast<int32_t>(doc.hits.size());
  ++job_->totalFiles;
  textfields::copy(progress_.docName, sizeof progress_.docName, doc.doc.fileName);
  progress_.hitCount = static_cast<int32_t>(doc.hits.size());
  progress_.docRecord = &doc.doc;
  trace::line("Found: %s %d hits ", doc.doc.fileName.c_str(), progress_.hitCount);
  reportStatus(LXR_PROGRESS_DOC_FOUND);
  progress_.docRecord = nullptr;
  if (limit_ > 0 && job_->totalFiles >= limit_) {
    if (messages::ask(kLimitQuestion, {std::to_string(limit_)}, true)) stop_ = true;
    else limit_ *= 2;
  }
  if (job_->base.cancelFlag != 0) stop_ = true;
  return stop_ ? -1 : 0;
}

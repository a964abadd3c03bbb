#include "search/Searcher.h"

#include <algorithm>
#include <ctime>

#include "import/UnicodeText.h"
#include "index/IndexJob.h"
#include "index/NoiseList.h"
#include "index/TextDB.h"
#include "io/FileMode.h"
#include "objects/MessageTable.h"
#include "objects/Reporter.h"
#include "objects/Trace.h"
#include "platform/Platform.h"
#include "search/IndexSearch.h"
#include "search/LiteralPrecheck.h"
#include "search/RequestWarnings.h"
#include "search/SearchResultsWriter.h"
#include "search/SearchTree.h"

using namespace indexformat;

namespace {

constexpr uint32_t kSearchTypes = kHeaderFile | kKeyFile | kRefFile | kDocFile | kNoiseFile;
constexpr int kScoreSort = 16;
constexpr int32_t kCountedPerStopQuery = 1024;

std::string trimmed(const std::string& s) {
  size_t a = s.find_first_not_of(" \t\r\n");
  if (a == std::string::npos) return "";
  size_t b = s.find_last_not_of(" \t\r\n");
  return s.substr(a, b - a + 1);
}

}  // namespace

Searcher::Searcher(SearcherSettings settings) : settings_(std::move(settings)) {}

Searcher::~Searcher() = default;

void Searcher::reportStatus(int code) {
  progress_.statusCode = code;
  if (!control_) return;
  progress_.totalFiles = outcome_->totalFiles;
  progress_.totalHits = outcome_->totalHits;
  control_->send(progress_);
  if (code == searchcode::kDone) return;
  progress_.statusCode = searchcode::kStopQuery;
  progress_.answer = 0;
  control_->send(progress_);
  if (progress_.answer == -1) {
    trace::text("Searcher::reportStatus -- abort requested");
    control_->setCancel(1);
  }
}

int Searcher::parse(SearchTree* tree, const Alphabet* alphabet) {
  if (!alphabet && requestUtf8_) alphabet = &unicodeBase_;
  if (!alphabet) return tree->parse(request_, additional_, settings_.request);
  RequestSettings settings = settings_.request;
  settings.alphabet = alphabet;
  settings.markers.utf8 = alphabet->isUnicode();
  // The request in the index's text: UTF-8 for a Unicode index, else Windows-1252.
  if (alphabet->isUnicode() != requestUtf8_) {
    auto convert = [&](const std::string& s) {
      return requestUtf8_ ? unicodetext::toWindows1252(s) : unicodetext::fromWindows1252(s);
    };
    return tree->parse(convert(request_), convert(additional_), settings);
  }
  return tree->parse(request_, additional_, settings);
}

const Alphabet& Searcher::baseAlphabet() const {
  return settings_.request.alphabet ? *settings_.request.alphabet : Alphabet::builtIn();
}

int Searcher::doSearch(const SearchJobRequest& job, const SearchJobControl& control, SearchOutcome* outcome) {
  job_ = &job;
  control_ = &control;
  outcome_ = outcome;
  *outcome = SearchOutcome();
  stop_ = false;
  limit_ = settings_.retrievalLimit;
  request_ = trimmed(job.request);
  additional_ = trimmed(job.additionalRequest);
  requestUtf8_ = (job.searchFlags & kUtf8RequestFlag) != 0;
  if (requestUtf8_) unicodeBase_ = baseAlphabet().asUnicode();  // folds as the code-page check does
  if (request_.empty() && additional_.empty()) return finishEarly();

  SearchOptions& o = settings_.request.options;
  o.fuzzySearching = o.fuzzySearching || (job.searchFlags & 1);
  if (job.searchFlags & 1) o.fuzziness = std::clamp<int>(job.fuzziness, 0, 9);
  o.phonicSearching = o.phonicSearching || (job.searchFlags & 2);
  o.autoStemming = o.autoStemming || (job.searchFlags & 4);
  o.natLangSearching = o.natLangSearching || (job.searchFlags & 8);
  o.synonymSearching = o.synonymSearching || (job.searchFlags & 16);

  ResultsJob results;
  results.resultsName = trimmed(job.resultsName);
  results.workFolder = settings_.workFolder;
  results.sortType = job.sortType;
  results.getSortType = job.getSortType;
  results.bestN = job.searchParameter > 0 ? job.searchParameter : 0;
  results.request = additional_.empty() ? request_ : request_.empty() ? additional_ : request_ + " and " + additional_;
  results.searchTime = std::time(nullptr);
  results.listingName = trimmed(job.listingName);
  results.listingFlags = job.listingFlags;
  results.reporter = settings_.request.reporter;
  writer_.reset();  // closes the previous results file first: the new one may take its name
  writer_ = std::make_unique<SearchResultsWriter>(results);
  // The search goes on (its progress and counts still reach the caller), but it fails.
  if (!writer_->createFailure().empty())
    reporter().error("The search results file cannot be made: " + writer_->createFailure());
  int sort = job.sortType;
  relevance_ = sort == 0 || (sort & kScoreSort) != 0;

  trace::line("Starting search for %s", results.request.c_str());
  reportStatus(searchcode::kStart);
  SearchTree tree;
  if (parse(&tree) < 0) {
    writer_->finish();
    return finishEarly();
  }
  requestwarnings::warnBeforeSearch(tree, results.request, settings_.request);
  noiseWarned_ = false;
  if (job.searchIndexes) {
    for (size_t i = 0; i < job.indexesToSearch.size() && !stop_ && cancelFlag() == 0; ++i)
      if (searchIndex(job.indexesToSearch[i]) < 0) stop_ = true;
  }
  if (job.searchFiles && !stop_ && cancelFlag() == 0) scanFiles();
  reportStatus(searchcode::kIndexesDone);
  if (outcome->totalFiles == 0 && !stop_ && cancelFlag() == 0) reporter().info(messages::text(kNoDocumentsMessage));
  if (settings_.history) settings_.history(results.request, outcome->totalFiles, outcome->totalHits);
  writer_->finish();
  writer_->writeListing();
  outcome->resultsName = writer_->fileName();
  reportStatus(searchcode::kDone);
  int found = outcome->status.isOk() ? outcome->totalFiles : 0;
  job_ = nullptr;
  control_ = nullptr;
  outcome_ = nullptr;
  return found > 0 ? 0 : -1;
}

int Searcher::finishEarly() {
  job_ = nullptr;
  control_ = nullptr;
  outcome_ = nullptr;
  return -1;
}

int Searcher::searchIndex(const std::string& folder, bool report, int32_t documentsNotIndexed) {
  if (report) {  // an unindexed scan reports its files instead
    trace::line("Searching in index %s", folder.c_str());
    progress_.name = folder;
    progress_.isFile = false;
    reportStatus(searchcode::kSearching);
  }
  // The index is opened for each search, so that a search always sees its latest update.
  trace::text("Searcher::searchIndex -- Opening new index");
  TextDB db;
  if (settings_.libraryName) db.setLibraryName(settings_.libraryName(folder));
  db.setBaseAlphabet(baseAlphabet());
  if (db.setDirectory(folder) < 0 || db.open(filemode::kRead, kSearchTypes) < 0) {
    // The index's error text is already the whole message: said once.
    reporter().error(db.errorText().empty() ? messages::text(1, {folder, ""}) : db.errorText());
    if (outcome_ && outcome_->status.isOk())
      outcome_->status = db.status().isOk() ? Status::ioError(messages::text(1, {folder, ""})) : db.status();
    return -1;
  }
  // The request is parsed again for each index, folded as the index folds its words.
  SearchTree tree;
  if (parse(&tree, &db.alphabet()) < 0) return -1;
  NoiseList noise;
  noise.loadForIndex(db.noiseText());
  IndexSearchSettings s;
  s.lookup.indexName = db.header().indexName.empty() ? folder : db.header().indexName;
  s.lookup.alphabet = &db.alphabet();
  s.lookup.stemmer = settings_.request.stemmer;
  s.lookup.markers = settings_.request.markers;
  s.lookup.reporter = settings_.request.reporter;
  s.lookup.isNoise = [&noise](const std::string& w) { return noise.isNoise(w); };
  s.relevance = relevance_;
  s.documentsNotIndexed = documentsNotIndexed;
  s.found = [this](FoundDocument& d) { return found(d); };
  // The debug log names every document found, so it keeps the full path.
  if ((job_->searchFlags & kBestOnlyFlag) && !trace::isLogging()) {
    s.scoreBar = [this] { return writer_->scoreBar(); };
    s.counted = [this](int32_t hits) { return counted(hits); };
  }
  IndexSearch search(tree, db, s);
  int rc = search.search();
  if (search.damaged()) {
    // What a damaged index gives is no answer: the search fails with the reason.
    std::string text = messages::text(1, {folder, "(the index is damaged; verify it, then rebuild it)"});
    reporter().error(text);
    if (outcome_ && outcome_->status.isOk()) outcome_->status = Status::damaged(text);
  }
  if (rc == 0 && search.nothingToSearch() && !noiseWarned_) {
    requestwarnings::warnNoiseOnly(tree, reporter());
    noiseWarned_ = true;
  }
  db.close();
  db.unlock();
  return rc;
}

void Searcher::relayScan(const IndexProgress& p, int32_t* scanCancel) {
  if (p.statusCode != progresscode::kDocBegin) return;
  std::string name = p.filePath + "/" + p.fileName;
  trace::line("Searching in file %s       (Files to search: %d  Files searched: %d", name.c_str(),
              p.filesToIndex, p.filesIndexed);
  progress_.name = name;
  progress_.isFile = true;
  progress_.filesToSearch = p.filesToIndex;
  progress_.filesSearched = p.filesIndexed;
  reportStatus(searchcode::kSearching);
  if (cancelFlag() != 0) *scanCancel = -1;
}

int Searcher::scanFiles() {
  // The files are indexed into a temporary index and searched there: the request finds the
  // same documents and hits whether the files are indexed or not.
  std::string folder = settings_.workFolder + "/UNINDEXED" + std::to_string(reinterpret_cast<uintptr_t>(this) % 100000);
  IndexJobRequest scan;
  scan.indexPath = folder;
  scan.indexName = "Unindexed search";
  scan.create = true;
  scan.add = true;
  scan.caseSensitive = settings_.caseSensitive;
  scan.accentSensitive = settings_.accentSensitive;
  scan.unicode = requestUtf8_;
  scan.toAdd = job_->filesToSearch;
  int32_t scanCancel = 0;
  IndexJobControl scanControl;
  scanControl.cancelFlag = &scanCancel;
  scanControl.report = [this, &scanCancel](IndexProgress& p) { relayScan(p, &scanCancel); };
  // Files whose bytes show they cannot match are passed over without being broken into words:
  // the check folds as the temporary index will.
  const Alphabet folded = requestUtf8_ ? unicodeBase_
                                       : baseAlphabet().foldedFor(!settings_.caseSensitive, !settings_.accentSensitive);
  SearchTree tree;
  if (parse(&tree, &folded) < 0) return -1;
  RequestSettings checkSettings = settings_.request;
  checkSettings.alphabet = &folded;
  LiteralPrecheck precheck(tree, checkSettings, settings_.indexing.maxWordLength, &folded);
  IndexJobSettings scanSettings = settings_.indexing;
  scanSettings.alphabet = &baseAlphabet();
  // A Unicode index gives ASCII characters the classes of the alphabet it was made from, and
  // the check folds other characters at least as widely as any folding of the index.
  if (precheck.active()) {
    scanSettings.mayHold = [&precheck](const ViewerEntry& f, ByteSource& bytes) { return precheck.mayHold(f, bytes); };
    // The request is that one word: the temporary index needs no other.
    scanSettings.keepWord = [&precheck](const std::string& word) { return precheck.indexWordMayBe(word); };
  }
  IndexJob indexing(scan, scanControl, scanSettings);
  int rc;
  {
    // The temporary index is deleted when the scan ends: nothing of it need reach the disk.
    platform::SyncsSkipped noSyncs;
    rc = indexing.run();
  }
  // The files passed over unread still weigh in the scores, as they would in an index.
  if (rc == 0 && cancelFlag() == 0) rc = searchIndex(folder, false, indexing.passedOverDocuments());
  TextDB::deleteIndex(folder, false);
  return rc;
}

int Searcher::found(FoundDocument& doc) {
  ResultsItem& item = item_;  // used again, so that its strings keep their memory
  item.doc = doc.doc;
  item.doc.score = doc.score;
  item.hits = doc.hits;
  writer_->add(item);
  outcome_->totalHits += static_cast<int32_t>(doc.hits.size());
  ++outcome_->totalFiles;
  progress_.docName = doc.doc.fileName;
  progress_.hitCount = static_cast<int32_t>(doc.hits.size());
  progress_.docRecord = &doc.doc;
  if (trace::isLogging()) trace::line("Found: %s %d hits ", doc.doc.fileName.c_str(), progress_.hitCount);
  reportStatus(searchcode::kDocFound);
  progress_.docRecord = nullptr;
  return afterDocument();
}

int Searcher::counted(int32_t hits) {
  writer_->count(hits);
  outcome_->totalHits += hits;
  ++outcome_->totalFiles;
  // Unreported documents still give the caller its chance to stop the search now and then.
  if (control_ && ++countedSinceQuery_ >= kCountedPerStopQuery) {
    countedSinceQuery_ = 0;
    progress_.statusCode = searchcode::kStopQuery;
    progress_.answer = 0;
    control_->send(progress_);
    if (progress_.answer == -1) control_->setCancel(1);
  }
  return afterDocument();
}

int Searcher::afterDocument() {
  if (limit_ > 0 && outcome_->totalFiles >= limit_) {
    if (reporter().ask(messages::text(kLimitQuestion, {std::to_string(limit_)}), true)) stop_ = true;
    else limit_ *= 2;
  }
  if (cancelFlag() != 0) stop_ = true;
  return stop_ ? -1 : 0;
}

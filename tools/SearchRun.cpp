#include "tools/SearchRun.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "lexaurum/lexaurum.h"
#include <algorithm>

#include "search/RequestExplainer.h"
#include "tools/EngineMessages.h"
#include "tools/FailureKind.h"
#include "tools/ToolSupport.h"

namespace searchrun {

namespace {

namespace fs = std::filesystem;

constexpr int32_t kDefaultListingFlags = LXR_LIST_HEADER | LXR_LIST_COUNTS_ONLY;

// The search reports "done" (1003) only when it got past parsing the request; a job that
// ends without it stopped at the request.
void onProgress(uintptr_t data, void* record) {
  auto* p = static_cast<lxrSearchProgressInfo*>(record);
  if (p->structSize == 0) return;  // the engine's probe of the call-back
  if (p->statusCode == LXR_PROGRESS_SEARCH_DONE) *reinterpret_cast<bool*>(data) = true;
}

int collect(uintptr_t data, const lxrDocumentInfo* doc, int32_t hitCount, int32_t score, const int32_t* hits) {
  Found f;
  f.name = doc->fileName;
  f.title = doc->title;
  f.date = doc->modDate;
  f.size = doc->fileSize;
  f.hitCount = hitCount;
  f.score = score;
  if (hitCount > 0) f.hits.assign(hits, hits + hitCount);
  reinterpret_cast<Results*>(data)->documents.push_back(std::move(f));
  return 0;
}

StringSet* stringSet(const std::vector<std::string>& items) {
  if (items.empty()) return nullptr;
  StringSet* set = lxrsNewStringSet();
  for (const std::string& s : items) lxrsStringSetAdd(set, s.c_str());  // names are bytes, as on disk
  return set;
}

// The results file and the record index the engine keeps beside it.
void removeResults(const std::string& privateDir, const std::string& stem) {
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(privateDir, ec))
    if (e.path().filename().string().rfind(stem, 0) == 0) fs::remove(e.path(), ec);
}

// Puts `docs` in the order `o` asks for, by the whole name (a byte order, as the file system
// has the names) or by date and then name, and keeps the first --max of them.
void order(const searchoptions::SearchOptions& o, std::vector<Found>* docs) {
  const bool ascending = (o.sortType & LXR_SORT_ASCENDING) != 0;
  const bool byDate = (o.sortType & LXR_SORT_BY_DATE) != 0;
  std::stable_sort(docs->begin(), docs->end(), [&](const Found& a, const Found& b) {
    if (byDate && a.date != b.date) return ascending ? a.date < b.date : a.date > b.date;
    return ascending ? a.name < b.name : a.name > b.name;
  });
  if (o.best > 0 && docs->size() > static_cast<size_t>(o.best)) docs->resize(static_cast<size_t>(o.best));
}

}  // namespace

Results run(const searchoptions::SearchOptions& o, const std::string& privateDir, const std::string& filesList) {
  Results out;
  lxrSearchJob job;
  LXR_INIT_RECORD(job);
  bool done = false;
  job.base.pReportCallBack = onProgress;
  job.base.pReportData = reinterpret_cast<uintptr_t>(&done);
  // The request goes as typed, in UTF-8; the engine converts it for code-page indexes.
  toolsupport::copyField(job.request, sizeof job.request, o.request);
  toolsupport::copyField(job.additionalRequest, sizeof job.additionalRequest, o.also);
  job.sortType = static_cast<int16_t>(o.sortType);
  job.searchFlags = static_cast<int16_t>(o.searchFlags | LXR_SEARCH_UTF8);
  // Unindexed files are searched in a Unicode index; indexes say their own text model.
  out.utf8Lines = true;
  for (const std::string& folder : o.indexes) {
    lxrIndexInfo info;
    LXR_INIT_RECORD(info);
    int16_t rc = 0;
    if (lxrsGetIndexInfo(folder.c_str(), &info, &rc) == 0 && info.textModel != LXR_TEXT_UNICODE) out.utf8Lines = false;
  }
  job.fuzziness = static_cast<int16_t>(o.fuzziness);
  // In an order the tool makes itself, --max keeps the first documents of that order, not
  // the best by score: the engine then keeps them all.
  job.searchParameter = static_cast<int16_t>(searchoptions::sortedByTool(o) ? 0 : o.best);
  // Only the documents shown are needed: the others are counted, not read.
  if (job.searchParameter > 0) job.searchFlags = static_cast<int16_t>(job.searchFlags | LXR_SEARCH_BEST_ONLY);
  job.searchIndexes = o.indexes.empty() ? 0 : 1;
  job.searchFiles = o.files.empty() && filesList.empty() ? 0 : 1;
  if (!o.files.empty())
    toolsupport::copyField(job.filesToSearch.directory, sizeof job.filesToSearch.directory, toolsupport::absolute(o.files));
  if (!filesList.empty())
    toolsupport::copyField(job.filesToSearch.filesListName, sizeof job.filesToSearch.filesListName, filesList);
  job.filesToSearch.includeFilters = stringSet(o.includes);
  job.filesToSearch.excludeFilters = stringSet(o.excludes);
  StringSet* indexes = lxrsNewStringSet();
  for (const std::string& folder : o.indexes) lxrsStringSetAdd(indexes, folder.c_str());
  job.indexesToSearch = indexes;
  const std::string stem = "RESULTS" + std::to_string(getpid());
  const std::string results = privateDir + "/" + stem + ".TMP";
  toolsupport::copyField(job.resultsName, sizeof job.resultsName, results);
  if (!o.listing.empty()) {
    toolsupport::copyField(job.listingName, sizeof job.listingName, toolsupport::absolute(o.listing));
    job.listingFlags = o.listingFlags >= 0 ? o.listingFlags : kDefaultListingFlags;
  }
  int16_t result = 0;
  enginemessages::takeErrors();
  lxrsDoSearchJob(&job, &result);
  out.errors = enginemessages::takeErrors();
  lxrsFreeStringSet(indexes);
  if (job.filesToSearch.includeFilters) lxrsFreeStringSet(job.filesToSearch.includeFilters);
  if (job.filesToSearch.excludeFilters) lxrsFreeStringSet(job.filesToSearch.excludeFilters);
  out.totalDocuments = job.totalFiles;
  out.totalHits = job.totalHits;
  if (!done) {
    out.outcome = Outcome::kFaultyRequest;
  } else if (!out.errors.empty()) {
    out.outcome = Outcome::kFailed;
  } else if (job.totalFiles == 0) {
    out.outcome = Outcome::kNone;
  } else if (lxrsListResults(results.c_str(), collect, reinterpret_cast<uintptr_t>(&out), &result) < 0) {
    out.outcome = Outcome::kFailed;
  } else {
    out.outcome = Outcome::kFound;
  }
  removeResults(privateDir, stem);
  if (out.outcome == Outcome::kFound && searchoptions::sortedByTool(o)) order(o, &out.documents);
  return out;
}

int exitCode(const Results& results, const searchoptions::SearchOptions& o) {
  switch (results.outcome) {
    case Outcome::kFound: return kFound;
    case Outcome::kNone: return kNoneFound;
    case Outcome::kFaultyRequest:
      std::fprintf(stderr, "lxr: the request was not searched\n");
      return kRequestError;
    default:
      return failurekind::exitFor(results.errors, o.indexes.empty() ? "" : o.indexes[0]);
  }
}

}  // namespace searchrun

#include "win/SearchRunner.h"

#include <cstdio>
#include <string>

#include "lexaurum/lexaurum.h"
#include "win/EngineText.h"
#include "win/JobStatusWindow.h"

namespace searchrunner {

namespace {

constexpr const char* kResultsName = "SRCH1.DAT";

struct Running {
  JobStatusWindow* status = nullptr;
  const FoundFn* onFound = nullptr;
  bool parsed = false;
  int32_t found = 0;
};

void copyField(char* field, size_t capacity, const std::string& value) {
  std::snprintf(field, capacity, "%s", value.c_str());
}

void onProgress(uintptr_t data, void* record) {
  auto* r = reinterpret_cast<Running*>(data);
  auto* p = static_cast<lxrSearchProgressInfo*>(record);
  if (p->structSize == 0) return;  // the engine's probe of the call-back
  switch (p->statusCode) {
    case LXR_PROGRESS_SEARCHING:
      r->status->report(QObject::tr("Searching %1").arg(enginetext::fromFileName(p->name)), -1);
      break;
    case LXR_PROGRESS_DOC_FOUND: {
      ++r->found;
      ResultRow row;
      row.engineName = p->docName;
      ResultModel::splitName(row.engineName, &row.name, &row.folder);
      row.hitCount = p->hitCount;
      (*r->onFound)(row);
      r->status->report(QObject::tr("%n document(s) found", nullptr, r->found), -1);
      break;
    }
    case LXR_PROGRESS_STOP_QUERY:
      if (r->status->cancelPresses() > 0) p->answer = -1;
      r->status->pump();
      break;
    case LXR_PROGRESS_SEARCH_DONE: r->parsed = true; break;
    default: r->status->report(QString(), -1); break;
  }
}

StringSet* stringSet(const QStringList& items, bool fileNames) {
  StringSet* set = lxrsNewStringSet();
  for (const QString& s : items)
    lxrsStringSetAdd(set, (fileNames ? enginetext::toFileName(s) : enginetext::toEngine(s)).c_str());
  return set;
}

int collect(uintptr_t data, const lxrDocumentInfo* doc, int32_t hitCount, int32_t score, const int32_t* hits) {
  ResultRow row;
  row.engineName = doc->fileName;
  ResultModel::splitName(row.engineName, &row.name, &row.folder);
  row.date = QString::fromLatin1(doc->modDate);
  row.title = enginetext::fromEngine(doc->title);
  row.size = doc->fileSize;
  row.score = score;
  row.hitCount = hitCount;
  if (hitCount > 0 && hits) row.hits.assign(hits, hits + hitCount);
  reinterpret_cast<std::vector<ResultRow>*>(data)->push_back(std::move(row));
  return 0;
}

}  // namespace

int readResults(const std::string& resultsName, std::vector<ResultRow>* rows) {
  std::vector<ResultRow> read;
  int16_t result = 0;
  if (lxrsListResults(resultsName.c_str(), collect, reinterpret_cast<uintptr_t>(&read), &result) < 0) return -1;
  *rows = std::move(read);
  return 0;
}

SearchOutcome run(const SearchRequest& request, const QString& privateDir, QWidget* parent,
                  const FoundFn& onFound) {
  SearchOutcome out;
  lxrSearchJob job;
  LXR_INIT_RECORD(job);
  JobStatusWindow status(QObject::tr("Searching"), &job.base.cancelFlag, parent);
  Running running;
  running.status = &status;
  running.onFound = &onFound;
  job.base.pReportCallBack = onProgress;
  job.base.pReportData = reinterpret_cast<uintptr_t>(&running);
  // Requests go in UTF-8: the engine converts them for code-page indexes.
  copyField(job.request, sizeof job.request, request.request.toStdString());
  copyField(job.additionalRequest, sizeof job.additionalRequest, request.alsoRequest.toStdString());
  job.sortType = request.sortType;
  job.searchFlags = static_cast<int16_t>(request.searchFlags | LXR_SEARCH_UTF8);
  job.fuzziness = request.fuzziness;
  job.searchIndexes = request.indexFolders.isEmpty() ? 0 : 1;
  job.indexesToSearch = stringSet(request.indexFolders, true);
  for (const QString& folder : request.indexFolders) {
    lxrIndexInfo info;
    LXR_INIT_RECORD(info);
    int16_t infoResult = 0;
    if (lxrsGetIndexInfo(enginetext::toFileName(folder).c_str(), &info, &infoResult) == 0 &&
        info.textModel != LXR_TEXT_UNICODE)
      out.utf8Lines = false;
  }
  if (!request.filesFolder.isEmpty()) {
    job.searchFiles = 1;
    copyField(job.filesToSearch.directory, sizeof job.filesToSearch.directory,
              enginetext::toFileName(request.filesFolder));
    job.filesToSearch.includeFilters = stringSet(request.includes, false);
    job.filesToSearch.excludeFilters = stringSet(request.excludes, false);
  }
  const std::string results = enginetext::toFileName(privateDir + "/" + kResultsName);
  copyField(job.resultsName, sizeof job.resultsName, results);
  int16_t result = 0;
  lxrsDoSearchJob(&job, &result);
  lxrsFreeStringSet(job.indexesToSearch);
  if (job.filesToSearch.includeFilters) lxrsFreeStringSet(job.filesToSearch.includeFilters);
  if (job.filesToSearch.excludeFilters) lxrsFreeStringSet(job.filesToSearch.excludeFilters);
  out.totalFiles = job.totalFiles;
  out.totalHits = job.totalHits;
  if (!running.parsed) {
    out.kind = SearchOutcome::kFaultyRequest;
  } else if (job.totalFiles == 0) {
    out.kind = status.cancelPresses() > 0 ? SearchOutcome::kStopped : SearchOutcome::kNone;
  } else if (readResults(results, &out.rows) < 0) {
    out.kind = SearchOutcome::kFailed;
  } else {
    out.kind = status.cancelPresses() > 0 ? SearchOutcome::kStopped : SearchOutcome::kFound;
  }
  return out;
}

}  // namespace searchrunner

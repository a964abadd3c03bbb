// Job records to requests and controls, progress back to records.
#include "api/JobRecords.h"

#include <cstring>
#include <string>

#include "objects/StringSet.h"
#include "objects/TextFields.h"

static_assert(progresscode::kCheckingFiles == LXR_PROGRESS_CHECKING_FILES);
static_assert(progresscode::kDocBegin == LXR_PROGRESS_DOC_BEGIN);
static_assert(progresscode::kDocWords == LXR_PROGRESS_DOC_WORDS);
static_assert(progresscode::kDocDone == LXR_PROGRESS_DOC_DONE);
static_assert(progresscode::kOpenFailed == LXR_PROGRESS_OPEN_FAILED);
static_assert(progresscode::kBinarySkipped == LXR_PROGRESS_BINARY_SKIPPED);
static_assert(progresscode::kMerging == LXR_PROGRESS_MERGING);
static_assert(progresscode::kCompressing == LXR_PROGRESS_COMPRESSING);
static_assert(progresscode::kVerifying == LXR_PROGRESS_VERIFYING);
static_assert(progresscode::kSortBegin == LXR_PROGRESS_SORT_BEGIN);
static_assert(progresscode::kSortEnd == LXR_PROGRESS_SORT_END);
static_assert(kCancelImmediate == LXR_CANCEL_IMMEDIATE);
static_assert(searchcode::kStopQuery == LXR_PROGRESS_STOP_QUERY);
static_assert(searchcode::kDone == LXR_PROGRESS_SEARCH_DONE);
static_assert(searchcode::kStart == LXR_PROGRESS_SEARCH_START);
static_assert(searchcode::kIndexesDone == LXR_PROGRESS_SEARCH_2002);
static_assert(searchcode::kSearching == LXR_PROGRESS_SEARCHING);
static_assert(searchcode::kDocFound == LXR_PROGRESS_DOC_FOUND);
static_assert(kBestOnlyFlag == LXR_SEARCH_BEST_ONLY);
static_assert(kUtf8RequestFlag == LXR_SEARCH_UTF8);

namespace jobrecords {

namespace {

std::string text(const char* field, size_t capacity) { return std::string(field, strnlen(field, capacity)); }

std::vector<std::string> strings(const StringSet* set) {
  std::vector<std::string> out;
  if (!set) return out;
  for (int i = 0; i < set->count(); ++i) out.emplace_back(set->at(i));
  return out;
}

}  // namespace

FileSpec fileSpecOf(const lxrFileSpec& files) {
  FileSpec out;
  out.includeFilters = strings(files.includeFilters);
  out.excludeFilters = strings(files.excludeFilters);
  out.directory = text(files.directory, sizeof files.directory);
  out.directoryListName = text(files.directoryListName, sizeof files.directoryListName);
  out.filesListName = text(files.filesListName, sizeof files.filesListName);
  return out;
}

IndexJobRequest indexRequestOf(const lxrIndexJob& record) {
  IndexJobRequest r;
  r.indexName = text(record.indexName, sizeof record.indexName);
  r.indexPath = text(record.indexPath, sizeof record.indexPath);
  r.create = record.create != 0;
  r.add = record.add != 0;
  r.compress = record.compress != 0;
  r.removeListed = record.removeListed != 0;
  r.removeDeleted = record.removeDeleted != 0;
  r.caseSensitive = record.caseSensitive != 0;
  r.accentSensitive = record.accentSensitive != 0;
  r.relativePaths = record.relativePaths != 0;
  r.unicode = record.textModel == LXR_TEXT_UNICODE;
  r.toAdd = fileSpecOf(record.toAdd);
  r.toRemoveListName = text(record.toRemoveListName, sizeof record.toRemoveListName);
  if (record.tempFileDir) r.tempFileDir = text(record.tempFileDir, LXR_PATH_CHARS);
  return r;
}

SearchJobRequest searchRequestOf(const lxrSearchJob& record) {
  SearchJobRequest r;
  r.request = text(record.request, sizeof record.request);
  r.additionalRequest = text(record.additionalRequest, sizeof record.additionalRequest);
  r.sortType = record.sortType;
  if (record.getSortType) {
    lxrGetSortTypeFn ask = record.getSortType;
    uintptr_t data = record.base.pReportData;
    r.getSortType = [ask, data] { return ask(data); };
  }
  r.searchFiles = record.searchFiles != 0;
  r.searchIndexes = record.searchIndexes != 0 && record.indexesToSearch;
  r.filesToSearch = fileSpecOf(record.filesToSearch);
  r.indexesToSearch = strings(record.indexesToSearch);
  r.resultsName = text(record.resultsName, sizeof record.resultsName);
  r.listingName = text(record.listingName, sizeof record.listingName);
  r.listingFlags = record.listingFlags;
  r.searchParameter = record.searchParameter;
  r.searchFlags = record.searchFlags;
  r.fuzziness = record.fuzziness;
  return r;
}

void copyProgress(const IndexProgress& from, lxrIndexProgressInfo* to) {
  to->structSize = static_cast<int32_t>(sizeof *to);
  to->statusCode = from.statusCode;
  to->phase = from.phase;
  to->percentDone = from.percentDone;
  to->filesSelected = from.filesSelected;
  to->filesChecked = from.filesChecked;
  to->filesToIndex = from.filesToIndex;
  to->filesIndexed = from.filesIndexed;
  to->binaryFilesSkipped = from.binaryFilesSkipped;
  to->openFailures = from.openFailures;
  to->encryptedFilesSkipped = from.encryptedFilesSkipped;
  to->bytesToIndex = from.bytesToIndex;
  to->freeDiskKBytes = from.freeDiskKBytes;
  to->fileSize = from.fileSize;
  to->bytesRead = from.bytesRead;
  to->wordCount = from.wordCount;
  to->sorterBufferBytes = from.sorterBufferBytes;
  to->mergeRoomBytes = from.mergeRoomBytes;
  to->mergeFileBytes = from.mergeFileBytes;
  to->wordListBytes = from.wordListBytes;
  textfields::copy(to->fileName, sizeof to->fileName, from.fileName);
  textfields::copy(to->filePath, sizeof to->filePath, from.filePath);
  textfields::copy(to->fileType, sizeof to->fileType, from.fileType);
  textfields::copy(to->errorText, sizeof to->errorText, from.errorText);
}

IndexProgressRelay::IndexProgressRelay(lxrJobBase* base) : base_(base) {
  info_.structSize = static_cast<int32_t>(sizeof info_);
}

IndexJobControl IndexProgressRelay::control() {
  IndexJobControl c;
  if (!base_) return c;
  c.cancelFlag = &base_->cancelFlag;
  if (base_->pReportCallBack)
    c.report = [this](IndexProgress& p) {
      copyProgress(p, &info_);
      base_->pReportCallBack(base_->pReportData, &info_);
    };
  return c;
}

SearchProgressRelay::SearchProgressRelay(lxrSearchJob* record) : record_(record) {
  info_.structSize = static_cast<int32_t>(sizeof info_);
}

SearchJobControl SearchProgressRelay::control() {
  SearchJobControl c;
  c.cancelFlag = &record_->base.cancelFlag;
  c.report = [this](SearchProgress& p) {
    record_->totalFiles = p.totalFiles;
    record_->totalHits = p.totalHits;
    if (!record_->base.pReportCallBack) return;
    info_.statusCode = p.statusCode;
    textfields::copy(info_.name, sizeof info_.name, p.name);
    info_.isFile = p.isFile ? 1 : 0;
    info_.filesToSearch = p.filesToSearch;
    info_.filesSearched = p.filesSearched;
    textfields::copy(info_.docName, sizeof info_.docName, p.docName);
    info_.hitCount = p.hitCount;
    info_.docRecord = p.docRecord;
    info_.answer = p.answer;
    record_->base.pReportCallBack(record_->base.pReportData, &info_);
    p.answer = info_.answer;
  };
  return c;
}

}  // namespace jobrecords

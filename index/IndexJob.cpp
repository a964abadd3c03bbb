#include "index/IndexJob.h"

#include <cstring>

#include "index/Compressor.h"
#include "index/FileSelection.h"
#include "index/IndexLog.h"
#include "index/Indexer.h"
#include "objects/Trace.h"
#include "objects/UserCallbacks.h"

IndexJob::IndexJob(lxrIndexJob* record, IndexJobSettings settings, const std::string& folder)
    : caller_(record), copy_(*record), settings_(std::move(settings)) {
  std::string path(copy_.indexPath, strnlen(copy_.indexPath, sizeof copy_.indexPath));
  if (path.empty()) path = folder;
  folder_ = path.empty() ? path : absolutePath(path);
}

int IndexJob::run() {
  if (folder_.empty()) {
    trace::text("IndexJob: no index folder");
    return -1;
  }
  int rc = 0;
  if (copy_.create || copy_.add || copy_.removeListed || copy_.removeDeleted) rc = doAdd();
  if (rc == 0 && copy_.compress) rc = compress();
  return rc;
}

int IndexJob::compress() {
  trace::text("IndexJob::compress");
  lxrIndexProgressInfo progress{};
  progress.structSize = sizeof progress;
  Compressor compressor(&caller_->base, &progress, settings_.compressTableBytes, settings_.diagnose);
  int rc = compressor.compress(folder_);
  IndexLog log;
  log.open(folder_);
  if (rc == 0) {
    log.line("Compressed: " + std::to_string(compressor.survivors()) + " documents, " +
             std::to_string(compressor.wordsWritten()) + " words");
  } else {
    log.line("Compressing failed: " + compressor.errorText());
  }
  log.timeLine();
  progress.phase = 8;
  progress.percentDone = 100;
  if (caller_->base.pReportCallBack) caller_->base.pReportCallBack(caller_->base.pReportData, &progress);
  return rc;
}

int IndexJob::doAdd() {
  trace::text("IndexJob::doAdd");
  int rc;
  {
    Indexer indexer(*this);
    rc = indexer.addDocs();
  }
  trace::text("IndexJob::doAdd done");
  return rc;
}

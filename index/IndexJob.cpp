#include "index/IndexJob.h"

#include "index/Compressor.h"
#include "index/FileSelection.h"
#include "index/IndexLog.h"
#include "index/Indexer.h"
#include "objects/Trace.h"

IndexJob::IndexJob(IndexJobRequest request, IndexJobControl control, IndexJobSettings settings,
                   const std::string& folder)
    : request_(std::move(request)), control_(std::move(control)), settings_(std::move(settings)) {
  std::string path = request_.indexPath;
  if (path.empty()) path = folder;
  folder_ = path.empty() ? path : absolutePath(path);
}

int IndexJob::run() {
  if (folder_.empty()) {
    trace::text("IndexJob: no index folder");
    return -1;
  }
  int rc = 0;
  if (request_.create || request_.add || request_.removeListed || request_.removeDeleted) rc = doAdd();
  if (rc == 0 && request_.compress) rc = compress();
  return rc;
}

int IndexJob::compress() {
  trace::text("IndexJob::compress");
  IndexProgress progress;
  Compressor compressor(&control_, &progress, settings_.compressTableBytes, settings_.diagnose);
  compressor.setReporter(&reporter());
  compressor.setLibraryName(libraryName());
  int rc = compressor.compress(folder_);
  IndexLog log;
  log.open(folder_, settings_.logLimitBytes);
  if (rc == 0) {
    log.line("Compressed: " + std::to_string(compressor.survivors()) + " documents, " +
             std::to_string(compressor.wordsWritten()) + " words");
  } else {
    log.line("Compressing failed: " + compressor.errorText());
  }
  log.timeLine();
  progress.phase = 8;
  progress.percentDone = 100;
  control_.send(progress);
  return rc;
}

int IndexJob::doAdd() {
  trace::text("IndexJob::doAdd");
  int rc;
  {
    Indexer indexer(*this);
    rc = indexer.addDocs();
    passedOverDocuments_ = indexer.passedOverDocuments();
  }
  trace::text("IndexJob::doAdd done");
  return rc;
}

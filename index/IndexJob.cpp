#include "index/IndexJob.h"

#include <cstring>

#include "index/FileSelection.h"
#include "index/Indexer.h"
#include "objects/Trace.h"

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
  if (!copy_.create && !copy_.add && !copy_.removeListed && !copy_.removeDeleted) return 0;
  return doAdd();
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

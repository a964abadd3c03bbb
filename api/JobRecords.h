// The engine interface's job records translated into the requests and job controls of the
// layers below it, and their progress copied back into the records the caller's call-back
// receives. Nothing below the interface sees an interface record. Depends on index/ and
// search/ (their request and progress types) and the public header.
#pragma once

#include "index/IndexJobRequest.h"
#include "index/IndexProgress.h"
#include "lexaurum/lexaurum.h"
#include "search/SearchJobRequest.h"

namespace jobrecords {

// The file specification of a record (pattern sets copied; text fields read up to their
// capacity).
FileSpec fileSpecOf(const lxrFileSpec& spec);
// The request of an index job record.
IndexJobRequest indexRequestOf(const lxrIndexJob& record);

// The request of a search job record (its index set copied).
SearchJobRequest searchRequestOf(const lxrSearchJob& record);

// Copies the progress into the interface's record (structSize set, texts cut to their
// fields).
void copyProgress(const IndexProgress& from, lxrIndexProgressInfo* to);

// The link between a running index job and the caller's record: the job's reports are
// copied into an lxrIndexProgressInfo and handed to the record's progress call-back, and the
// job reads the record's cancel flag. Valid while the record and this object live.
class IndexProgressRelay {
 public:
  explicit IndexProgressRelay(lxrJobBase* base);
  IndexProgressRelay(const IndexProgressRelay&) = delete;
  IndexProgressRelay& operator=(const IndexProgressRelay&) = delete;

  // The control to give the job (null base: no call-back, never cancelled).
  IndexJobControl control();

 private:
  lxrJobBase* base_;
  lxrIndexProgressInfo info_{};
};

// The same for a search job: the job's reports go into an lxrSearchProgressInfo for the
// record's call-back (its answer to the stop query is read back), the totals so far into
// the record, and the job reads the record's cancel flag and asks its sort call-back.
class SearchProgressRelay {
 public:
  explicit SearchProgressRelay(lxrSearchJob* record);
  SearchProgressRelay(const SearchProgressRelay&) = delete;
  SearchProgressRelay& operator=(const SearchProgressRelay&) = delete;

  SearchJobControl control();

 private:
  lxrSearchJob* record_;
  lxrSearchProgressInfo info_{};
};

}  // namespace jobrecords

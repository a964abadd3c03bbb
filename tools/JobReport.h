// What the last index job of an index did, read back from its log INDEXLOG.DAT: the files it
// added, re-indexed and removed, and every file it could not take in, with the reason. The
// log is the record the engine keeps of each job, so `lxr failed` can tell it again later.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace jobreport {

// A file the job could not take in, or passed over.
struct Problem {
  std::string name;
  std::string reason;  // "could not be opened: ...", "binary", "encrypted", ...
};

struct Report {
  bool found = false;  // the log holds a job
  int added = 0;       // new files indexed
  int reindexed = 0;   // changed files indexed again
  int removed = 0;     // documents removed (files deleted, listed, or gone from an archive)
  int notInIndex = 0;  // listed for removal but not in the index
  int failed = 0;      // files that could not be opened or read
  int binary = 0;      // skipped as binary
  int encrypted = 0;   // skipped as encrypted
  int skipped = 0;     // passed over for other reasons (links, names leading out, ...)
  int unreadable = 0;  // documents whose text could not be extracted (in the failed list)
  int noText = 0;      // files that hold no text (images, programs, fonts)
  int failedBefore = 0;  // in the failed list and unchanged: not tried again
  std::vector<Problem> problems;  // in log order
  std::string endNote;            // the job's own last word when it failed or was stopped
};

// Reads the lines of the last job in the log text `log` (from its last "Begin Indexing").
Report fromLogText(const std::string& log);
// The same from the log file of the index in `folder`; found is false when there is none.
Report fromIndex(const std::string& folder);

// What a job's summary line says of it: "12 added, 3 re-indexed, 2 removed, 1 binary skipped,
// 0 encrypted skipped, 4 failed to open, 48210 words, 2.1 s"; the counts of documents that
// could not be read, files without text and failed documents passed over come before the
// words when there are any.
std::string countsText(const Report& r, int64_t words, double seconds);

}  // namespace jobreport

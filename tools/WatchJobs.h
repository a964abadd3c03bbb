// WatchJobs: what lxr watch asks of one index, done through the engine interface. An update
// is one lxrsDoIndexJob with a list of files to take in and a list of documents to remove;
// a rescan is the job `lxr update` runs; both are the engine's crash-safe index job. Each job
// shows the progress bar on a terminal and ends with a summary line. It also keeps the
// documents that could not be taken in since the last rescan, for lxr status.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "lexaurum/lexaurum.h"
#include "tools/JobProgress.h"
#include "tools/JobReport.h"
#include "tools/Watcher.h"

namespace watch {

struct JobHooks {
  // A document begins to be indexed (its full name), or the job ended ("").
  std::function<void(const std::string& file)> indexing;
  // The cancel flag the running job should have now (0: go on).
  std::function<int32_t()> cancel;
  // A line for the user.
  std::function<void(const std::string& line)> say;
};

// Threads: one user at a time (the engine's thread).
class WatchJobs : public IndexUpdates {
 public:
  // `folder`: the index; `workDir`: where the lists go.
  WatchJobs(std::string folder, std::string workDir, JobHooks hooks);

  Outcome update(const std::vector<std::string>& files, const std::vector<std::string>& gone) override;
  Outcome rescan() override;
  int listDocuments(const std::function<void(const std::string& name)>& each) override;
  int rules(IndexRules* out) override;

  // The documents not taken in (name, reason), at most WatcherFile::kMaxFailures, and how
  // many more there are.
  const std::map<std::string, std::string>& failed() const { return failed_; }
  int64_t moreFailed() const { return moreFailed_; }
  // The summary of the last job ("" before the first).
  const std::string& lastSummary() const { return lastSummary_; }

 private:
  Outcome run(lxrIndexJob& job, const char* what);
  void keepFailures(const jobreport::Report& report, bool replace, const std::vector<std::string>& files,
                    const std::vector<std::string>& gone);
  static void onProgress(uintptr_t data, void* record);

  std::string folder_;
  std::string workDir_;
  JobHooks hooks_;
  lxrIndexJob* job_ = nullptr;                // the job running
  jobprogress::Tracker* tracker_ = nullptr;   // its progress bar
  std::map<std::string, std::string> failed_;
  int64_t moreFailed_ = 0;
  std::string lastSummary_;
};

}  // namespace watch

#include "tools/WatchJobs.h"

#include <chrono>
#include <cstdio>

#include "index/TextDB.h"
#include "objects/StringSet.h"
#include "platform/Platform.h"
#include "tools/EngineMessages.h"
#include "tools/ExitCodes.h"
#include "tools/FailureKind.h"
#include "tools/ProgressLine.h"
#include "tools/ToolSupport.h"
#include "tools/WatcherFile.h"

namespace watch {

namespace {

constexpr int kDocBegins = 3007, kJobDone = 3013;

// Writes `names` one a line. 0 or -1.
int writeList(const std::string& name, const std::vector<std::string>& names) {
  std::FILE* f = std::fopen(name.c_str(), "wb");
  if (!f) return -1;
  for (const std::string& n : names) std::fprintf(f, "%s\n", n.c_str());
  return std::fclose(f) == 0 ? 0 : -1;
}

lxrIndexJob newJob(const std::string& folder) {
  lxrIndexJob job;
  LXR_INIT_RECORD(job);
  toolsupport::copyField(job.indexPath, sizeof job.indexPath, folder);
  return job;
}

int onDocument(uintptr_t data, const lxrDocumentInfo* doc) {
  (*reinterpret_cast<const std::function<void(const std::string&)>*>(data))(doc->fileName);
  return 0;
}

}  // namespace

WatchJobs::WatchJobs(std::string folder, std::string workDir, JobHooks hooks)
    : folder_(std::move(folder)), workDir_(std::move(workDir)), hooks_(std::move(hooks)) {}

void WatchJobs::onProgress(uintptr_t data, void* record) {
  auto* self = reinterpret_cast<WatchJobs*>(data);
  auto* p = static_cast<const lxrIndexProgressInfo*>(record);
  if (p->structSize == 0) return;  // the engine's probe of the call-back
  jobprogress::Tracker::onIndexProgress(reinterpret_cast<uintptr_t>(self->tracker_), record);
  if (self->hooks_.indexing && (p->statusCode == kDocBegins || p->statusCode == kJobDone))
    self->hooks_.indexing(p->statusCode == kJobDone ? "" : std::string(p->filePath) + "/" + p->fileName);
  if (self->hooks_.cancel && self->job_->base.cancelFlag == 0) self->job_->base.cancelFlag = self->hooks_.cancel();
}

IndexUpdates::Outcome WatchJobs::run(lxrIndexJob& job, const char* what) {
  jobprogress::Tracker tracker;
  job_ = &job;
  tracker_ = &tracker;
  job.base.pReportCallBack = onProgress;
  job.base.pReportData = reinterpret_cast<uintptr_t>(this);
  auto started = std::chrono::steady_clock::now();
  enginemessages::takeErrors();
  int16_t result = 0;
  lxrsDoIndexJob(&job, &result);
  progressline::clear();
  job_ = nullptr;
  tracker_ = nullptr;
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::vector<std::string> errors = enginemessages::takeErrors();
  if (!platform::fileExists((folder_ + "/INDEX_I.IX").c_str())) return kIndexGone;
  bool stopped = job.base.cancelFlag != 0;
  jobreport::Report report = jobreport::fromIndex(folder_);
  std::string outcome = stopped ? "stopped" : result < 0 ? "failed" : "done";
  lastSummary_ = std::string(what) + " " + outcome + ": " + jobreport::countsText(report, tracker.wordsIndexed(), seconds);
  if (hooks_.say) hooks_.say(lastSummary_);
  if (stopped) return kStopped;
  if (result < 0) return failurekind::exitFor(errors, folder_) == exitcodes::kBusy ? kBusy : kFailed;
  return kApplied;
}

void WatchJobs::keepFailures(const jobreport::Report& report, bool replace, const std::vector<std::string>& files,
                             const std::vector<std::string>& gone) {
  if (replace) {
    failed_.clear();
    moreFailed_ = 0;
  }
  for (const std::string& f : files) failed_.erase(f);
  for (const std::string& g : gone) failed_.erase(g);
  for (const jobreport::Problem& p : report.problems) {
    if (p.reason == "not in the index") continue;
    if (failed_.size() < WatcherFile::kMaxFailures || failed_.count(p.name)) failed_[p.name] = p.reason;
    else ++moreFailed_;
  }
}

IndexUpdates::Outcome WatchJobs::update(const std::vector<std::string>& files, const std::vector<std::string>& gone) {
  lxrIndexJob job = newJob(folder_);
  std::string addList = workDir_ + "/WATCHADD.TMP", removeList = workDir_ + "/WATCHDEL.TMP";
  if (!files.empty()) {
    if (writeList(addList, files) < 0) return kFailed;
    job.add = 1;
    toolsupport::copyField(job.toAdd.filesListName, sizeof job.toAdd.filesListName, addList);
  }
  if (!gone.empty()) {
    if (writeList(removeList, gone) < 0) return kFailed;
    job.removeListed = 1;
    toolsupport::copyField(job.toRemoveListName, sizeof job.toRemoveListName, removeList);
  }
  Outcome outcome = run(job, "update");
  std::remove(addList.c_str());
  std::remove(removeList.c_str());
  if (outcome == kApplied || outcome == kStopped) keepFailures(jobreport::fromIndex(folder_), false, files, gone);
  return outcome;
}

IndexUpdates::Outcome WatchJobs::rescan() {
  lxrIndexJob job = newJob(folder_);
  job.add = 1;  // with no files named: the folders and patterns kept with the index
  job.removeDeleted = 1;
  Outcome outcome = run(job, "rescan");
  if (outcome == kApplied) keepFailures(jobreport::fromIndex(folder_), true, {}, {});
  return outcome;
}

int WatchJobs::listDocuments(const std::function<void(const std::string& name)>& each) {
  int16_t result = 0;
  return lxrsListDocuments(folder_.c_str(), 0, onDocument, reinterpret_cast<uintptr_t>(&each), &result) < 0 ? -1 : 0;
}

int WatchJobs::rules(IndexRules* out) {
  TextDB db;
  if (db.setDirectory(folder_) < 0) return -1;
  StringSet includes, excludes, folders;
  if (db.readFilters(&includes, &excludes, &folders) < 0) return -1;
  *out = IndexRules();
  for (int i = 0; i < folders.count(); ++i) out->folders.push_back(folders.at(i));
  for (int i = 0; i < includes.count(); ++i) out->includes.push_back(includes.at(i));
  for (int i = 0; i < excludes.count(); ++i) out->excludes.push_back(excludes.at(i));
  return 0;
}

}  // namespace watch

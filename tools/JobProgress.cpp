// The job's bar: the engine's phases and counters mapped onto one growing percentage.
#include "tools/JobProgress.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "lexaurum/lexaurum.h"
#include "tools/ProgressLine.h"

namespace jobprogress {

namespace {

// The shares of a job: checking the files up to 5 %, reading the documents up to 90 %,
// merging the words into the index the rest.
constexpr int kCheckedAt = 5;
constexpr int kIndexedAt = 90;
constexpr int kBarWidth = 20;
constexpr int64_t kRedrawMillis = 100;

constexpr int kPhaseIndexing = 4, kPhaseStoring = 5, kPhaseMerging = 6, kPhaseCompressing = 7, kPhaseDone = 8;
constexpr int kDocBegins = 3007, kDocWords = 3008, kDocDone = 3009, kJobDone = 3013;

int64_t nowMillis() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

int clampPercent(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, 0, 100)); }

std::string bar(int percent) {
  int filled = percent * kBarWidth / 100;
  return "[" + std::string(static_cast<size_t>(filled), '#') + std::string(static_cast<size_t>(kBarWidth - filled), ' ') + "]";
}

}  // namespace

void Tracker::onIndexProgress(uintptr_t data, void* record) {
  auto* p = static_cast<const lxrIndexProgressInfo*>(record);
  if (p->structSize == 0) return;  // the engine's probe of the call-back
  reinterpret_cast<Tracker*>(data)->index(p);
}

void Tracker::onVerifyProgress(uintptr_t data, void* record) {
  auto* p = static_cast<const lxrIndexProgressInfo*>(record);
  if (p->structSize == 0) return;
  reinterpret_cast<Tracker*>(data)->verify(p);
}

void Tracker::index(const void* record) {
  const auto* p = static_cast<const lxrIndexProgressInfo*>(record);
  if (p->statusCode == kDocDone) words_ += p->wordCount;
  if (!progressline::enabled()) return;
  std::string detail;
  int percent = 0;
  std::string phase;
  if (p->phase < kPhaseIndexing) {
    phase = "checking";
    percent = p->filesSelected > 0 ? clampPercent(int64_t{kCheckedAt} * p->filesChecked / p->filesSelected) : 0;
    detail = std::to_string(p->filesChecked) + " of " + std::to_string(p->filesSelected) + " files checked, " +
             std::to_string(p->filesToIndex) + " to index";
  } else if (p->phase <= kPhaseStoring) {
    // Words are stored in the middle of indexing whenever the sorter's memory fills: that is
    // still the indexing, not a phase of its own.
    phase = p->phase == kPhaseStoring ? "indexing (storing words)" : "indexing";
    if (p->statusCode == kDocBegins) fileBase_ = std::max(fileBase_, clampPercent(p->percentDone));
    int64_t within = 0;
    if (p->statusCode == kDocWords && p->bytesToIndex > 0)
      within = int64_t{p->percentDone} * p->fileSize / p->bytesToIndex;
    percent = kCheckedAt + clampPercent(fileBase_ + within) * (kIndexedAt - kCheckedAt) / 100;
    detail = std::to_string(p->filesIndexed) + " of " + std::to_string(p->filesToIndex) + " documents";
  } else if (p->phase == kPhaseMerging) {
    phase = "merging";
    percent = kIndexedAt + clampPercent(p->percentDone) * (100 - kIndexedAt) / 100;
  } else if (p->phase == kPhaseCompressing) {
    phase = "compressing";
    percent = clampPercent(p->percentDone);
  } else {
    phase = "done";
    percent = p->phase >= kPhaseDone ? 100 : shown_;
  }
  show(percent, phase, detail, p->statusCode == kJobDone);
}

void Tracker::verify(const void* record) {
  const auto* p = static_cast<const lxrIndexProgressInfo*>(record);
  if (!progressline::enabled()) return;
  show(clampPercent(p->percentDone), "verifying", p->fileName, false);
}

void Tracker::show(int percent, const std::string& phase, const std::string& detail, bool force) {
  shown_ = std::max(shown_, percent);
  int64_t now = nowMillis();
  if (!force && phase == lastPhase_ && now - lastDrawMillis_ < kRedrawMillis) return;
  lastDrawMillis_ = now;
  lastPhase_ = phase;
  char head[32];
  std::snprintf(head, sizeof head, " %3d%%  ", shown_);
  progressline::draw(bar(shown_) + head + phase + (detail.empty() ? "" : ": " + detail));
}

}  // namespace jobprogress

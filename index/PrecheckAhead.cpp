// PrecheckAhead: the scan's pre-check on helper threads, verdicts handed back in order.
#include "index/PrecheckAhead.h"

#include <algorithm>
#include <system_error>

#include "import/Viewer.h"
#include "import/ViewerTable.h"
#include "lexaurum/lxrviewer.h"
#include "platform/Platform.h"

PrecheckAhead::PrecheckAhead(const ViewerTable& table, MayHold mayHold, IsDocument isDocument, int threads)
    : table_(table), mayHold_(std::move(mayHold)), isDocument_(std::move(isDocument)), slots_(kWindow) {
  for (int i = 0; i < threads; ++i) {
    try {
      threads_.emplace_back([this] { work(); });
    } catch (const std::system_error&) {
      break;  // the caller does the work of the threads that could not start
    }
  }
}

PrecheckAhead::~PrecheckAhead() {
  {
    std::lock_guard<std::mutex> hold(mutex_);
    stopping_ = true;
  }
  queued_.notify_all();
  for (std::thread& t : threads_) t.join();
}

int PrecheckAhead::helperThreads() {
  const int cores = static_cast<int>(std::thread::hardware_concurrency());
  return std::clamp(cores - 1, 1, 3);
}

void PrecheckAhead::add(const std::string& name) {
  bool wake;
  {
    std::lock_guard<std::mutex> hold(mutex_);
    Slot& s = slot(added_);
    s.name = name;
    s.state = State::kQueued;
    s.mayHold = true;
    ++added_;
    wake = sleeping_ > 0;
  }
  if (wake) queued_.notify_one();
}

bool PrecheckAhead::takeAndCheck(std::unique_lock<std::mutex>& lock) {
  if (taken_ >= added_) return false;
  Slot& s = slot(taken_++);
  s.state = State::kTaken;
  const std::string name = s.name;
  lock.unlock();
  bool document = false;
  const bool may = check(name, &document);
  lock.lock();
  // The slot stays this file's until its verdict is asked for: the caller hands over no more
  // than kWindow files ahead.
  s.mayHold = may;
  s.document = document;
  s.state = State::kDone;
  return true;
}

bool PrecheckAhead::nextMayHold(bool* document) {
  *document = false;
  std::unique_lock<std::mutex> lock(mutex_);
  if (asked_ >= added_) return true;
  Slot& s = slot(asked_);
  // While a thread is on this file, the caller checks the next ones rather than wait.
  while (s.state != State::kDone) {
    if (takeAndCheck(lock)) continue;
    callerWaiting_ = true;
    done_.wait(lock, [&s] { return s.state == State::kDone; });
    callerWaiting_ = false;
  }
  ++asked_;
  *document = s.document;
  return s.mayHold;
}

void PrecheckAhead::work() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stopping_) {
    if (takeAndCheck(lock)) {
      if (callerWaiting_) done_.notify_one();
      continue;
    }
    ++sleeping_;
    queued_.wait(lock, [this] { return stopping_ || taken_ < added_; });
    --sleeping_;
  }
}

bool PrecheckAhead::check(const std::string& name, bool* document) const {
  // The caller's thread may check files too: a failure it had not yet taken stays its own.
  const std::string earlier = platform::takeFileFailure();
  FileSource file;
  bool may = true;
  if (file.open(name) == 0) {
    // The check is asked about the format the document will be read as: the one the
    // registry tries first. A document is only passed over once that format's viewer is
    // known to be made, so that no later choice of the registry could differ. A container's
    // viewer is not made here (that is its extraction): the check passes one over only when
    // its bytes are 7-bit text without the word, which every format reads alike.
    const ViewerEntry* format = table_.firstChoice(file);
    if (format && !mayHold_(*format, file)) {
      if (format->info.flags & LXR_VIEWER_CONTAINER) {
        may = false;
        *document = true;
      } else if (std::unique_ptr<Viewer> viewer = table_.makeViewerOf(*format, file)) {
        may = false;
        *document = isDocument_(viewer->fileInfo());
      }
    }
    file.close();
  }
  // The indexer opens every file that may hold, and meets any failure of it there itself.
  platform::takeFileFailure();
  platform::restoreFileFailure(earlier);
  return may;
}

// File: the reference-counted, suspendable wrapper of one system file handle, and the
// process-wide registry of every File.
#include "io/File.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <vector>

#include "io/FileMode.h"
#include "objects/Trace.h"

namespace {

constexpr int64_t kMaxFileBytes = INT32_MAX;  // the layer counts in signed 32-bit bytes

// Files are made and closed on more than one thread (an unindexed scan reads files on helper
// threads), so the list and its counts are kept under a lock.
struct Registry {
  std::mutex mutex;  // guards the list
  std::vector<File*> files;
  std::atomic<int64_t> openCount{0};   // system opens made by File
  std::atomic<int64_t> closeCount{0};  // system closes made by File
};

Registry& registry() {
  static Registry* r = new Registry;  // outlives every static File
  return *r;
}

}  // namespace

File::File() {
  Registry& r = registry();
  std::lock_guard<std::mutex> hold(r.mutex);
  r.files.push_back(this);
}

File::~File() {
  if (handle_ != platform::kInvalidHandle) osClose();
  Registry& r = registry();
  std::lock_guard<std::mutex> hold(r.mutex);
  r.files.erase(std::remove(r.files.begin(), r.files.end(), this), r.files.end());
}

int File::open(const char* name, int mode) {
  if (opened_ || !name) {
    platform::setLastError(platform::kErrInvalidParameter);
    return -1;
  }
  name_ = name;
  openCount_ = 0;
  position_ = 0;
  length_ = 0;

  bool write = (mode & filemode::kWrite) != 0;
  uint32_t state = 0;
  if (mode & filemode::kRead) state |= kRead;
  if (write) state |= kWrite;
  if ((mode & (filemode::kCreate | filemode::kWrite)) == (filemode::kCreate | filemode::kWrite))
    state |= kCreate;
  if (mode & filemode::kTruncate) state |= kTruncate;
  if (write && (mode & filemode::kFresh)) state |= kFresh;
  if (mode & filemode::kShareWrite) state |= kShareWrite;
  if (mode & filemode::kShareRead) state |= kShareRead;
  if (mode & filemode::kDenyNone) {
    state |= kShareRead;
    if (!write) state |= kShareWrite;
  }
  if (!write) state |= kShareRead;  // a reader never keeps others from reading
  state_ = state;

  platform::FileTimes times;
  if (osOpen(&times) < 0) return -1;
  if (takeLengthAndTimes(times, true) < 0) {
    int err = platform::lastError();
    osClose();
    platform::setLastError(err);
    return -1;
  }
  opened_ = true;
  // Truncation happened in the system open; from now on a reopen must never empty the file.
  state_ &= ~static_cast<uint32_t>(kTruncate | kFresh);
  return 0;
}

int File::osOpen(platform::FileTimes* times) {
  platform::OpenRequest request;
  // Reading a document must not show as an access to it.
  request.keepAccessTime = !(state_ & kWrite);
  request.read = (state_ & kRead) != 0;
  request.write = (state_ & kWrite) != 0;
  request.shareRead = (state_ & kShareRead) != 0;
  request.shareWrite = (state_ & kShareWrite) != 0;
  request.noFollow = request.write;
  bool create = (state_ & kCreate) != 0, truncate = (state_ & kTruncate) != 0;
  if (state_ & kFresh)
    request.disposition = platform::Disposition::CreateFresh;
  else if (create && truncate)
    request.disposition = platform::Disposition::CreateAlways;
  else if (truncate)
    request.disposition = platform::Disposition::TruncateExisting;
  else if (create)
    request.disposition = platform::Disposition::OpenAlways;
  else
    request.disposition = platform::Disposition::OpenExisting;
  platform::OpenedFile opened;
  platform::FileHandle h = platform::openFile(name_.c_str(), request, &opened);
  if (h == platform::kInvalidHandle) return -1;
  handle_ = h;
  accessTimeKept_ = opened.accessTimeKept;
  *times = opened.times;
  ++registry().openCount;
  return 0;
}

int File::identity(uint64_t* device, uint64_t* inode) {
  if (!opened_ || ensureHandle() < 0) return -1;
  return platform::fileIdentity(handle_, device, inode);
}

int File::takeLengthAndTimes(const platform::FileTimes& times, bool firstOpen) {
  if (times.length > kMaxFileBytes) {
    platform::setLastError(platform::kErrFileTooLarge);
    return -1;
  }
  length_ = static_cast<int32_t>(times.length);
  creationTime_ = dosdate::fromTime(static_cast<std::time_t>(times.creation.seconds));
  lastWriteTime_ = dosdate::fromTime(static_cast<std::time_t>(times.lastWrite.seconds));
  // Keep the access time of the first open: a resume after reads would see our own reads.
  if (firstOpen) lastAccess_ = times.lastAccess;
  return 0;
}

int File::osClose() {
  platform::FileHandle h = handle_;
  handle_ = platform::kInvalidHandle;
  ++registry().closeCount;
  // The last-access time is put back only when our reads moved it (with relatime they mostly
  // do not): setting it also sets the status-change time, which backup tools go by, and
  // writes the inode.
  bool moved = !accessTimeKept_;
  if (!(state_ & kWrite) && moved) {
    const int err = platform::lastError();
    platform::FileTimes now;
    if (platform::fileTimes(h, &now) == 0)
      moved = now.lastAccess.seconds != lastAccess_.seconds || now.lastAccess.nanoseconds != lastAccess_.nanoseconds;
    platform::setLastError(err);
  }
  int rc = platform::closeFile(h);
  if (rc < 0) trace::line("CloseHandle() failed, returned %d", platform::lastError());
  if (!(state_ & kWrite) && moved) restoreAccessTime();
  return rc;
}

void File::restoreAccessTime() {
  int err = platform::lastError();
  const char* name = name_.c_str();
  if (platform::setAccessTime(name, lastAccess_) < 0 && platform::isReadOnly(name) == 1 &&
      platform::setReadOnly(name, false) == 0) {
    platform::setAccessTime(name, lastAccess_);
    platform::setReadOnly(name, true);
  }
  platform::setLastError(err);  // a close reports its own error, not the restoration's
}

int File::ensureHandle() {
  if (!opened_) {
    platform::setLastError(platform::kErrInvalidHandle);
    return -1;
  }
  if (state_ & kSuspended) return resume();
  return 0;
}

int32_t File::read(void* buffer, int32_t n) {
  if (n < 0 || (n > 0 && !buffer)) {
    platform::setLastError(platform::kErrInvalidParameter);
    return -1;
  }
  if (n == 0) return 0;
  char* out = static_cast<char*>(buffer);
  if (ensureHandle() < 0 || !(state_ & kRead) || position_ >= length_) {
    std::memset(out, 0, static_cast<size_t>(n));
    if (opened_ && (state_ & kRead) && !(state_ & kSuspended))
      platform::setLastError(platform::kErrReadFault);
    return -1;
  }
  int32_t wanted = std::min(n, length_ - position_);
  int64_t got = platform::readAt(handle_, out, wanted, position_);
  if (got < 0) {
    std::memset(out, 0, static_cast<size_t>(n));
    return -1;
  }
  std::memset(out + got, 0, static_cast<size_t>(n - got));
  int64_t next = static_cast<int64_t>(position_) + n;
  position_ = static_cast<int32_t>(std::min<int64_t>(next, kMaxFileBytes));
  return static_cast<int32_t>(got);
}

int32_t File::write(const void* buffer, int32_t n) {
  if (n < 0 || (n > 0 && !buffer)) {
    platform::setLastError(platform::kErrInvalidParameter);
    return -1;
  }
  if (ensureHandle() < 0) return -1;
  if (!(state_ & kWrite)) {
    platform::setLastError(platform::kErrAccessDenied);
    return -1;
  }
  int64_t end = static_cast<int64_t>(position_) + n;
  if (end > kMaxFileBytes) {
    platform::setLastError(platform::kErrFileTooLarge);
    trace::line("File::os_write(%d) failed.  Errno = %d", n, platform::kErrFileTooLarge);
    return -1;
  }
  if (n == 0) return 0;
  if (platform::writeAt(handle_, buffer, n, position_) != n) {
    int err = platform::lastError();
    trace::line("File::os_write(%d) failed.  Errno = %d", n, err);
    // Part of the data may have reached the disk: take the length from there.
    int64_t length = platform::fileLength(handle_);
    if (length >= 0) length_ = static_cast<int32_t>(std::min<int64_t>(length, kMaxFileBytes));
    platform::setLastError(err);
    return -1;
  }
  position_ = static_cast<int32_t>(end);
  if (position_ > length_) length_ = position_;
  return n;
}

int File::seek(int32_t position) {
  if (position < 0) {
    platform::setLastError(platform::kErrInvalidParameter);
    trace::line("File::seek(%d) failed.  Errno = %d", position, platform::kErrInvalidParameter);
    return -1;
  }
  if (ensureHandle() < 0) {
    trace::line("File::seek(%d) failed.  Errno = %d", position, platform::lastError());
    return -1;
  }
  position_ = position;
  return 0;
}

int File::setLength(int32_t n) {
  if (ensureHandle() < 0) return -1;
  if (!(state_ & kWrite) || n < 0 || n > length_) {
    platform::setLastError(platform::kErrInvalidParameter);
    return -1;
  }
  if (seek(n) < 0) return -1;
  if (platform::truncateFile(handle_, n) < 0) return -1;
  length_ = n;
  return 0;
}

int File::setTime(dosdate::DosDateTime date) {
  int rc = ensureHandle();
  std::time_t t = dosdate::toTime(date);
  if (rc == 0 && t == 0) {
    platform::setLastError(platform::kErrInvalidParameter);
    rc = -1;
  }
  if (rc == 0) {
    platform::FileTime time;
    time.seconds = static_cast<int64_t>(t);
    rc = platform::setWriteTime(name_.c_str(), time);
  }
  if (rc < 0) {
    trace::line("SetFileTime(%s, %u) failed.  GetLastError() = %d", name_.c_str(),
                static_cast<unsigned>(date), platform::lastError());
    return -1;
  }
  creationTime_ = date;
  lastWriteTime_ = date;
  return 0;
}

int File::release() {
  --openCount_;
  if (openCount_ >= 1 || !opened_) return 0;
  opened_ = false;
  bool suspended = (state_ & kSuspended) != 0;
  state_ &= ~static_cast<uint32_t>(kSuspended);
  if (suspended || handle_ == platform::kInvalidHandle) return 0;
  return osClose();
}

int File::suspend() {
  if (!opened_ || (state_ & kSuspended)) return -1;
  state_ |= kSuspended;
  return osClose();
}

int File::resume() {
  if (!opened_ || !(state_ & kSuspended)) return -1;
  platform::FileTimes times;
  if (osOpen(&times) < 0) return -1;
  if (takeLengthAndTimes(times, false) < 0) {
    int err = platform::lastError();
    osClose();
    platform::setLastError(err);
    return -1;
  }
  state_ &= ~static_cast<uint32_t>(kSuspended);
  return 0;
}

char* File::mapWhole() {
  if (!opened_ || (state_ & kWrite) || !(state_ & kRead) || length_ <= 0 || ensureHandle() < 0) return nullptr;
  return platform::mapFile(handle_, length_);
}

int File::commit() {
  if (ensureHandle() < 0) return -1;
  if (!(state_ & kWrite)) return 0;  // nothing of ours to put on the disk
  return platform::syncFile(handle_);
}

int File::suspendAll() {
  int count = 0;
  Registry& r = registry();
  std::lock_guard<std::mutex> hold(r.mutex);
  for (File* f : r.files) {
    if (f->opened_ && !(f->state_ & kSuspended)) {
      f->suspend();
      ++count;
    }
  }
  return count;
}

std::string File::listing() {
  Registry& r = registry();
  std::lock_guard<std::mutex> hold(r.mutex);
  std::string out;
  for (const File* f : r.files) {
    out += '"';
    out += f->name_;
    out += '"';
    if (f->handle_ == platform::kInvalidHandle) out += " [Closed]";
    out += '\n';
  }
  out += "\nOpens: " + std::to_string(r.openCount);
  out += "\nCloses: " + std::to_string(r.closeCount);
  return out;
}

void File::traceListing() { trace::text(listing()); }

int File::registeredCount() {
  Registry& r = registry();
  std::lock_guard<std::mutex> hold(r.mutex);
  return static_cast<int>(r.files.size());
}

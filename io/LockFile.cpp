// LockFile: takes, describes and gives up the lock on an index or a private folder.
#include "io/LockFile.h"

#include <cstring>

#include "io/FileMode.h"
#include "objects/Trace.h"
#include "platform/Platform.h"

namespace {

constexpr char kLockTitle[] = "Lexaurum Lock File\n";
constexpr char kNoUser[] = "No user specified";

}  // namespace

LockFile::LockFile(const char* userName, const char* path, int mode) : path_(path ? path : "") {
  std::string user = (userName && *userName) ? userName : kNoUser;
  File* f = new File;
  if (f->open(path_.c_str(), mode) < 0) {
    error_ = platform::lastError();
    notFound_ = error_ == platform::kErrFileNotFound;
    accessDenied_ = error_ == platform::kErrAccessDenied;
    delete f;
    return;
  }
  f->addRef();
  file_ = f;
  if (mode & filemode::kWrite) {
    std::string text = kLockTitle + user + "\n";
    int32_t n = static_cast<int32_t>(text.size());
    if (f->setLength(0) < 0 || f->write(text.data(), n) != n) {
      // The open handle is the lock; a text that cannot be written does not undo it.
      textFailed_ = true;
      trace::line("LockFile -- cannot write the lock text of %s", path_.c_str());
    }
  }
}

LockFile::~LockFile() {
  if (file_ && release() < 0) trace::line("LockFile::~LockFile -- close failed: %s", path_.c_str());
}

int LockFile::release() {
  if (!file_) return 0;
  int rc = file_->release();
  delete file_;
  file_ = nullptr;
  return rc;
}

bool LockFile::holdsName() const {
  uint64_t device = 0, inode = 0;
  platform::DirEntry named;
  return file_ && file_->identity(&device, &inode) == 0 && platform::describePath(path_.c_str(), &named) == 0 &&
         named.device == device && named.inode == inode;
}

int LockFile::releaseAndDelete() {
  bool held = file_ != nullptr;
  int rc = held && platform::removeFile(path_.c_str()) < 0 ? -1 : 0;
  if (release() < 0) rc = -1;
  return rc;
}

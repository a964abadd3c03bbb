// IOFile: the read-write buffered file.
#include "io/IOFile.h"

#include "objects/MessageTable.h"
#include "objects/Trace.h"
#include "platform/Platform.h"

namespace {

constexpr int64_t kDiskFullBytes = 16384;  // below this much free space a failed write means full
constexpr int kDiskFullMessage = 56;

}  // namespace

IOFile::~IOFile() {
  if (file_ && close() < 0) trace::line("IOFile::~IOFile -- close failed: %s", bufferName());
}

int IOFile::open(const char* name, int mode) {
  if (file_) return -1;
  File* f = new File;
  if (f->open(name, mode) < 0) {
    int err = platform::lastError();
    delete f;
    platform::setLastError(err);
    return -1;
  }
  f->addRef();
  file_ = f;
  ownsFile_ = true;
  resetBuffer(0, f->getLength());
  return 0;
}

int IOFile::attach(File* file) {
  if (!file) {
    trace::line("ERROR IOFile::attach -- attaching NULL");
    return -1;
  }
  if (file_) {
    trace::line("ERROR IOFile::attach -- already have a file");
    return -1;
  }
  file->addRef();
  file_ = file;
  ownsFile_ = false;
  resetBuffer(0, file->getLength());
  return 0;
}

int IOFile::close() {
  if (!file_) return 0;
  int rc = flush();
  if (file_->release() < 0) rc = -1;
  if (ownsFile_ && !file_->isOpen()) delete file_;
  file_ = nullptr;
  ownsFile_ = false;
  resetBuffer(0, 0);
  return rc;
}

int IOFile::save() {
  if (!file_) {
    trace::line("ERROR IOFile::save() -- file = NULL!");
    return -1;
  }
  if (flush() < 0 || file_->commit() < 0) {
    trace::line("ERROR IOFile::save() -- file->save() failed!");
    return -1;
  }
  return 0;
}

int IOFile::setLength(int32_t n) {
  if (!file_ || flush() < 0) return -1;
  if (file_->setLength(n) < 0) return -1;
  resetBuffer(n, n);
  return 0;
}

int IOFile::writeBlock(int32_t position, int32_t n) {
  if (file_ && n >= 0 && n <= bufferBytes_ && file_->seek(position) == 0 &&
      file_->write(buffer_, n) == n)
    return 0;
  int err = platform::lastError();
  trace::line("writeBlock failed!");
  if (file_) {
    int64_t freeBytes = platform::freeDiskSpace(file_->getName().c_str());
    if (freeBytes >= 0 && freeBytes < kDiskFullBytes)
      messages::showError(kDiskFullMessage, {file_->getName()});
  }
  platform::setLastError(err);
  return -1;
}

int32_t IOFile::readBlock(int32_t position, char* into, int32_t n) {
  if (!file_ || file_->seek(position) < 0) return -1;
  return file_->read(into, n);
}

const char* IOFile::bufferName() const { return file_ ? file_->getName().c_str() : "(none)"; }

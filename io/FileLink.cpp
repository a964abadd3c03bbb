// FileLink: opening, attaching and releasing the File under a buffered file.
#include "io/FileLink.h"

#include "objects/Trace.h"
#include "platform/Platform.h"

int FileLink::open(const char* name, int mode) {
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
  owns_ = true;
  return 0;
}

int FileLink::attach(File* file, const char* owner) {
  if (!file) {
    trace::line("ERROR %s::attach -- attaching NULL", owner);
    return -1;
  }
  if (file_) {
    trace::line("ERROR %s::attach -- already have a file", owner);
    return -1;
  }
  file->addRef();
  file_ = file;
  owns_ = false;
  return 0;
}

int FileLink::release() {
  if (!file_) return 0;
  int rc = file_->release();
  if (owns_ && !file_->isOpen()) delete file_;
  file_ = nullptr;
  owns_ = false;
  return rc;
}

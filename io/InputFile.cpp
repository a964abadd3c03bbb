// InputFile: the read-only buffered file.
#include "io/InputFile.h"

#include "io/FileMode.h"
#include "objects/Trace.h"
#include "platform/Platform.h"

InputFile::~InputFile() {
  if (file_ && close() < 0) trace::line("InputFile::~InputFile -- close failed: %s", bufferName());
}

int InputFile::open(const char* name) { return open(name, filemode::kRead); }

int InputFile::open(const char* name, int mode) {
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

int InputFile::attach(File* file) {
  if (!file) {
    trace::line("ERROR InputFile::attach -- attaching NULL");
    return -1;
  }
  if (file_) {
    trace::line("ERROR InputFile::attach -- already have a file");
    return -1;
  }
  file->addRef();
  file_ = file;
  ownsFile_ = false;
  resetBuffer(0, file->getLength());
  return 0;
}

int InputFile::close() {
  if (!file_) {
    trace::line("ERROR InputFile::close -- already closed");
    return -1;
  }
  int rc = file_->release();
  if (ownsFile_ && !file_->isOpen()) delete file_;
  file_ = nullptr;
  ownsFile_ = false;
  resetBuffer(0, 0);
  return rc;
}

int32_t InputFile::readBlock(int32_t position, char* into, int32_t n) {
  if (!file_ || file_->seek(position) < 0) return -1;
  return file_->read(into, n);
}

const char* InputFile::bufferName() const { return file_ ? file_->getName().c_str() : "(none)"; }

// InputFile: the read-only buffered file.
#include "io/InputFile.h"

#include "io/FileMode.h"
#include "objects/Trace.h"
#include "platform/Platform.h"

InputFile::~InputFile() {
  if (link_.get() && close() < 0) trace::line("InputFile::~InputFile -- close failed: %s", bufferName());
}

int InputFile::open(const char* name) { return open(name, filemode::kRead); }

int InputFile::open(const char* name, int mode) {
  if (link_.open(name, mode) < 0) return -1;
  resetBuffer(0, link_.get()->getLength());
  return 0;
}

int InputFile::attach(File* file) {
  if (link_.attach(file, "InputFile") < 0) return -1;
  resetBuffer(0, file->getLength());
  return 0;
}

int InputFile::close() {
  if (!link_.get()) {
    trace::line("ERROR InputFile::close -- already closed");
    return -1;
  }
  int rc = link_.release();
  resetBuffer(0, 0);
  return rc;
}

int32_t InputFile::readBlock(int32_t position, char* into, int32_t n) {
  if (!link_.get() || link_.get()->seek(position) < 0) return -1;
  return link_.get()->read(into, n);
}

const char* InputFile::bufferName() const { return link_.get() ? link_.get()->getName().c_str() : "(none)"; }

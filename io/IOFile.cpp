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
  if (link_.get() && close() < 0) trace::line("IOFile::~IOFile -- close failed: %s", bufferName());
}

int IOFile::open(const char* name, int mode) {
  if (link_.open(name, mode) < 0) return -1;
  resetBuffer(0, link_.get()->getLength());
  status_ = Status::ok();
  return 0;
}

int IOFile::attach(File* file) {
  if (link_.attach(file, "IOFile") < 0) return -1;
  resetBuffer(0, file->getLength());
  return 0;
}

int IOFile::mapWhole() {
  File* f = link_.get();
  if (!f || map_ || f->isWritable() || dirty_) return -1;
  char* data = f->mapWhole();
  if (!data) return -1;
  const int32_t bytes = f->getLength();
  if (serveWhole(data, bytes) < 0) {
    platform::unmapFile(data, bytes);
    return -1;
  }
  map_ = data;
  mapBytes_ = bytes;
  return 0;
}

void IOFile::unmap() {
  if (!map_) return;
  serveOwnBuffer();
  platform::unmapFile(map_, mapBytes_);
  map_ = nullptr;
  mapBytes_ = 0;
}

int IOFile::close() {
  if (!link_.get()) return 0;
  unmap();
  int rc = flush();
  if (link_.release() < 0) rc = -1;
  // A write that failed once makes the file unknown, even when a later write went through.
  if (!status_.isOk()) rc = -1;
  resetBuffer(0, 0);
  return rc;
}

int IOFile::save() {
  if (!link_.get()) {
    trace::line("ERROR IOFile::save() -- file = NULL!");
    return -1;
  }
  if (flush() < 0 || link_.get()->commit() < 0 || !status_.isOk()) {
    trace::line("ERROR IOFile::save() -- file->save() failed!");
    return -1;
  }
  return 0;
}

int IOFile::setLength(int32_t n) {
  if (!link_.get() || flush() < 0) return -1;
  if (link_.get()->setLength(n) < 0) return -1;
  resetBuffer(n, n);
  return 0;
}

int IOFile::writeBlock(int32_t position, int32_t n) {
  if (link_.get() && n >= 0 && n <= bufferBytes_ && link_.get()->seek(position) == 0 &&
      link_.get()->write(buffer_, n) == n)
    return 0;
  int err = platform::lastError();
  trace::line("writeBlock failed!");
  std::string name = link_.get() ? link_.get()->getName() : std::string(bufferName());
  int64_t freeBytes = link_.get() ? platform::freeDiskSpace(name.c_str()) : -1;
  if (freeBytes >= 0 && freeBytes < kDiskFullBytes)
    status_ = Status::ioError(messages::text(kDiskFullMessage, {name}), err);
  else
    status_ = Status::ioError("Writing " + name + " failed: " + platform::errorText(err), err);
  trace::text(status_.message());
  platform::setLastError(err);
  return -1;
}

int32_t IOFile::readBlock(int32_t position, char* into, int32_t n) {
  if (!link_.get() || link_.get()->seek(position) < 0) return -1;
  return link_.get()->read(into, n);
}

const char* IOFile::bufferName() const { return link_.get() ? link_.get()->getName().c_str() : "(none)"; }

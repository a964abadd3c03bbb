// The ZIP container viewer: member listing, lookups and extraction with their result texts.
#include "import/ZipViewer.h"

#include <memory>

#include "import/ZipResult.h"
#include "objects/Trace.h"
#include "lexaurum/lxrviewer.h"

ZipViewer::ZipViewer(ByteSource& source, bool log, const ZipLimits& limits) : source_(source) {
  archive_.setLog(log);
  archive_.setLimits(limits);
  finish(archive_.open(source_));
}

int ZipViewer::finish(int rc) {
  resultCode_ = archive_.result();
  errorText_ = zipresult::text(resultCode_);
  return rc < 0 ? -1 : 0;
}

int ZipViewer::notOpen() {
  // The reason the archive was refused stays readable until an operation is tried.
  resultCode_ = zipresult::kNotOpen;
  errorText_ = zipresult::text(resultCode_);
  return -1;
}

int ZipViewer::first(ContainerMember* member) {
  if (!isOpen()) return notOpen();
  nextIndex_ = 0;
  return next(member);
}

int ZipViewer::next(ContainerMember* member) {
  if (!isOpen()) return notOpen();
  if (nextIndex_ >= archive_.count()) {
    resultCode_ = zipresult::kNothingToDo;
    errorText_ = zipresult::text(resultCode_);
    return -1;
  }
  ContainerMember m;
  if (finish(archive_.itemAt(nextIndex_, &m)) < 0) return -1;
  ++nextIndex_;
  current_ = m;
  *member = std::move(m);
  return 0;
}

int ZipViewer::infoByName(const std::string& name, ContainerMember* member) {
  if (!isOpen()) return notOpen();
  ContainerMember m;
  if (finish(archive_.find(name, &m)) < 0) return -1;
  current_ = m;
  *member = std::move(m);
  return 0;
}

int ZipViewer::infoByIndex(int32_t index, ContainerMember* member) {
  if (!isOpen()) return notOpen();
  ContainerMember m;
  if (finish(archive_.itemAt(index, &m)) < 0) return -1;
  current_ = m;
  *member = std::move(m);
  return 0;
}

int ZipViewer::extractToMemory(const ContainerMember& member, std::string* bytes) {
  if (!isOpen()) return notOpen();
  // The stored index is used when it still holds that name; otherwise the name decides.
  ContainerMember at;
  if (archive_.itemAt(member.index, &at) < 0 || (!member.name.empty() && at.name != member.name)) {
    if (finish(archive_.find(member.name, &at)) < 0) return -1;
  }
  return finish(archive_.extract(at, bytes));
}

int ZipViewer::extractToFile(const ContainerMember& member, const std::string& outputName) {
  if (!isOpen()) return notOpen();
  ContainerMember at;
  if (archive_.itemAt(member.index, &at) < 0 || (!member.name.empty() && at.name != member.name)) {
    if (finish(archive_.find(member.name, &at)) < 0) return -1;
  }
  return finish(archive_.extractToFile(at, outputName));
}

Viewer* makeZipViewer(const ImportSettings& settings, ByteSource& source, const lxrViewerInfo&) {
  ByteSource* bytes = &source;
  auto viewer = std::make_unique<ZipViewer>(source, settings.zipLog, settings.zipLimits);
  // An archive whose directory cannot be read is left to the other formats (its readable
  // bytes are still worth indexing), as a format whose viewer cannot be made.
  if (!viewer->isOpen()) {
    trace::line("Zip %s: %s -- read as another format", bytes->name().c_str(), viewer->errorText().c_str());
    return nullptr;
  }
  return viewer.release();
}

// The parts of an index job that take documents out: documents whose files are gone,
// documents named in a list, and the cancelling of every document on the cancel list.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "index/IndexJob.h"
#include "index/Indexer.h"
#include "objects/Trace.h"
#include "platform/Platform.h"

int Indexer::removeDeletedFiles() {
  trace::text("removeDeletedFiles...");
  DocInfo d;
  const int32_t count = db_.header().documentCount;
  for (int32_t id = 1; id <= count && cancelFlag() == 0; ++id) {
    if (d.read(db_, id, false) < 0 || d.cancelled || d.cancelVer != 0) continue;
    // A container member is there as long as its container is. Records do not keep the
    // member flag, so any name that is gone is walked up: a member's leads to its archive
    // (a file), a vanished file's only to folders, which do not count.
    std::string file = d.fileName;
    while (!file.empty() && !platform::fileExists(file.c_str()) && file.rfind('/') != std::string::npos)
      file.resize(file.rfind('/'));
    if (platform::fileExists(file.c_str())) continue;
    log_.docLine(d.fileName + " removed from index (file deleted)");
    cancelList_.push_back(id);
  }
  trace::text("removeDeletedFiles done");
  return 0;
}

int Indexer::removeListed() {
  const std::string& listName = job_.request().toRemoveListName;
  std::FILE* f = std::fopen(listName.c_str(), "rb");
  if (!f) {
    log_.line("The list of documents to remove could not be read: " + listName);
    return -1;
  }
  std::string line;
  DocInfo d;
  auto take = [&] {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.pop_back();
    size_t start = line.find_first_not_of(" \t");
    if (start != std::string::npos) {
      std::string name = absolutePath(line.substr(start));
      if (d.findByName(db_, name) == 0 && !d.cancelled && d.cancelVer == 0) {
        log_.docLine(name + " removed from index (listed)");
        cancelList_.push_back(d.docId);
      } else {
        log_.docLine(name + " is not in the index");
      }
    }
    line.clear();
  };
  for (int c; (c = std::fgetc(f)) != EOF;) {
    if (c == '\n') take();
    else if (c != 0) line += static_cast<char>(c);
  }
  take();
  std::fclose(f);
  return 0;
}

int Indexer::cancelDocs() {
  trace::text("cancelDocs");
  for (int32_t id : cancelList_) {
    if (cancelDoc(id) < 0) {
      log_.docLine("Document " + std::to_string(id) + " could not be cancelled");
      abortImmediately();
      return -1;
    }
  }
  trace::text("cancelDocs done");
  return 0;
}

int Indexer::cancelDoc(int32_t id) {
  DocInfo d;
  if (d.read(db_, id, true) < 0) return -1;
  if (d.cancelVer != 0) return 0;
  // The record counts as cancelled from the index's present write count on.
  d.cancelVer = std::max<int32_t>(db_.header().writeCount, 1);
  if (d.write(db_, id) < 0) return -1;
  ++db_.header().obsoleteCount;
  return 0;
}

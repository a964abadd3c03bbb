// LiveWordCounts: the removed documents of an index, and a word's list counted without them.
#include "index/LiveWordCounts.h"

#include "index/CiteTable.h"
#include "index/DocInfo.h"
#include "index/RefReader.h"
#include "index/TextDB.h"

int LiveWordCounts::load(TextDB& db) {
  const int32_t count = db.header().documentCount;
  removed_.assign(static_cast<size_t>(count > 0 ? count : 0) + 1, false);
  removedCount_ = 0;
  if (db.header().obsoleteCount == 0) return 0;
  DocInfo d;
  for (int32_t id = 1; id <= count; ++id) {
    if (d.read(db, id, false) < 0) return -1;
    if (d.cancelled) {
      removed_[static_cast<size_t>(id)] = true;
      ++removedCount_;
    }
  }
  return 0;
}

int LiveWordCounts::count(TextDB& db, int32_t filePos, int32_t* occurrences, int32_t* documents) const {
  RefReader reader(db.refFile());
  if (reader.position(filePos) < 0) return -1;
  CiteTable cites;
  int32_t occ = 0, docs = 0;
  for (int32_t id; (id = reader.nextId()) > 0;) {
    cites.clear();
    int32_t n = reader.readAll(cites);
    if (n < 0) return -1;
    if (id < static_cast<int32_t>(removed_.size()) && removed_[static_cast<size_t>(id)]) continue;
    occ += n;
    ++docs;
  }
  if (reader.damaged()) return -1;
  *occurrences = occ;
  *documents = docs;
  return 0;
}

// What the tests of index jobs and searches share: the record of a job that adds a folder's
// documents to an index, and an index word's references read back.
#pragma once

#include <cstdio>
#include <map>
#include <set>
#include <string>

#include "index/CiteTable.h"
#include "index/IndexFormat.h"
#include "index/RefReader.h"
#include "index/TextDB.h"
#include "index/IndexJobRequest.h"
#include "io/FileMode.h"

namespace indextest {

// A job that adds the documents of `docs` to `index` (making it first when `create`).
inline IndexJobRequest addJob(const std::string& index, const std::string& docs, bool create,
                              bool removeDeleted = false) {
  IndexJobRequest job;
  job.indexPath = index;
  job.indexName = "test";
  job.toAdd.directory = docs;
  job.create = create;
  job.add = true;
  job.removeDeleted = removeDeleted;
  return job;
}

// A request that compresses `index`.
inline IndexJobRequest compressJob(const std::string& index) {
  IndexJobRequest job;
  job.indexPath = index;
  job.compress = true;
  return job;
}

// Every reference of `word` in `index`, all blocks of its chain: document -> word numbers.
// *damaged (may be null) tells whether the chain read back damaged.
inline std::map<int32_t, std::set<int32_t>> wordRefs(const std::string& index, const std::string& word,
                                                     bool* damaged = nullptr) {
  using namespace indexformat;
  std::map<int32_t, std::set<int32_t>> out;
  if (damaged) *damaged = false;
  TextDB db;
  db.setDirectory(index);
  if (db.open(filemode::kRead, kHeaderFile | kDocFile | kKeyFile | kRefFile) < 0) return out;
  TrieValue v;
  if (db.keys().find(kWordKind, word.c_str(), &v) < 0) return out;
  RefReader r(db.refFile());
  if (r.position(v.v[0]) < 0) return out;
  for (int32_t id; (id = r.nextId()) > 0;) {
    CiteTable t;
    r.readAll(t);
    for (int32_t i = 0; i < t.count(); ++i) out[id].insert(t.at(i));
  }
  if (damaged) *damaged = r.damaged();
  return out;
}

}  // namespace indextest

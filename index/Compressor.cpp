#include "index/Compressor.h"

#include <climits>
#include <vector>

#include "index/CiteTable.h"
#include "index/DocInfo.h"
#include "index/IdConversion.h"
#include "index/IndexFileNames.h"
#include "index/RefReader.h"
#include "index/RefWriter.h"
#include "index/TextDB.h"
#include "io/FileMode.h"
#include "io/IOFile.h"
#include "io/WholeFile.h"
#include "objects/Check.h"
#include "objects/MessageTable.h"
#include "objects/Reporter.h"
#include "objects/Trace.h"
#include "platform/Platform.h"
#include "trie/KeyFile.h"

using namespace indexformat;

namespace {

constexpr int kCompressPhase = 7;
constexpr int kCompressCode = 3013;
constexpr int kWriteNew =
    filemode::kRead | filemode::kWrite | filemode::kCreate | filemode::kTruncate | filemode::kFresh;
constexpr uint8_t kBlockEndByte = '*';

std::string keyText(KeyFile& keys) {
  char key[kMaxKeyBytes + 1];
  int n = keys.getKey(key, sizeof key);
  return n < 0 ? std::string() : std::string(key, static_cast<size_t>(n));
}

}  // namespace

Compressor::Compressor(const IndexJobControl* job, IndexProgress* progress, int32_t tableBytes,
                       bool diagnose)
    : job_(job), progress_(progress), tableBytes_(tableBytes), diagnose_(diagnose) {}

int Compressor::fail(const std::string& text) {
  // The file operation that failed says why, which `text` (what could not be done) does not.
  const std::string cause = platform::takeFileFailure();
  errorText_ = cause.empty() ? text : text + " (" + cause + ")";
  // A failed file operation is told to the user; the other failures are damage or misuse
  // that the index's checks report themselves.
  if (!cause.empty() && reporter_) reporter_->error("The compression of the index failed: " + errorText_);
  trace::line("Compress: %s", text.c_str());
  return -1;
}

bool Compressor::stopped() { return job_ && job_->cancel() != 0; }

void Compressor::report(int step, int64_t done, int64_t total) {
  if (!progress_) return;
  int64_t p = total > 0 ? done * 100 / total : 100;
  int64_t percent = step == 1 ? p / 30 : step == 2 ? p / 15 + 2 : p * 94 / 100 + 6;
  progress_->phase = kCompressPhase;
  progress_->percentDone = static_cast<int32_t>(percent);
  progress_->statusCode = kCompressCode;
  if (job_) job_->send(*progress_);
}

int Compressor::compress(const std::string& folder) {
  platform::takeFileFailure();  // a failure before this job is not its cause
  TextDB db;
  db.setLibraryName(libraryName_);
  if (db.setDirectory(folder) < 0 || db.open(filemode::kRead | filemode::kWrite, kHeaderFile) < 0) {
    errorText_ = db.errorText().empty() ? messages::text(1, {folder, ""}) : db.errorText();
    if (reporter_) reporter_->error(errorText_);  // already the whole message: said once
    return -1;
  }
  const IndexHeader old = db.header();
  work_ = db.workFolder();
  TextDB::deleteIndex(work_, false);
  if (platform::makeDirectories(work_.c_str()) < 0) return fail(messages::text(1, {work_, "(work folder)"}));

  // The bit vector of cancelled ids.
  std::vector<bool> cancelled(static_cast<size_t>(old.documentCount) + 1, false);
  {
    vlrFile docs;
    if (docs.open(db.fileName(kDocFile).c_str(), filemode::kRead, true) < 0)
      return fail(messages::text(1, {folder, "(document table)"}));
    DocInfo d;
    for (int32_t id = 1; id <= old.documentCount; ++id) {
      if (d.readRecord(docs, id, old.writeCount, db.documentRoot(), old.relativePaths(), false) < 0)
        return fail(messages::text(1, {folder, "(document " + std::to_string(id) + ")"}));
      cancelled[static_cast<size_t>(id)] = d.cancelled;
    }
  }
  IdConversion ids(std::move(cancelled), tableBytes_);
  survivors_ = ids.survivors();
  if (diagnose_) {
    trace::line("Compress: table size = %d", ids.tableBytes());
    trace::line("          maxEntries = %d", ids.maxEntries());
    trace::line("          count =      %d", ids.count());
    trace::line("          increment =  %d", ids.increment());
    std::string text, mismatch;
    if (!ids.verify(&text, &mismatch)) trace::line("ERROR Compress -- verifyTable failed: %s", mismatch.c_str());
    wholefile::write(folder + "/COMPRESS.TMP", text);
  }

  int rc = shiftDocInfo(db, ids);
  if (rc == 0 && !stopped()) rc = changeIds(db, ids);
  if (rc == 0 && !stopped()) rc = compressRefs(db, ids);
  if (rc < 0 || stopped()) {
    TextDB::deleteIndex(work_, false);
    db.close();
    return -1;
  }
  IndexHeader fresh = old;
  fresh.documentCount = survivors_;
  fresh.obsoleteCount = 0;
  fresh.wordCount = wordsWritten_;
  fresh.segmentCount = 0;
  fresh.compressed = static_cast<int32_t>(platform::now());
  fresh.updated = fresh.compressed;
  if (db.switchToRebuilt(fresh) < 0) {
    db.close();
    return fail(messages::text(1, {folder, "(the compressed files could not be put in place)"}));
  }
  db.unlock();
  TextDB::deleteIndex(work_, false);
  report(3, 1, 1);
  return 0;
}

int Compressor::shiftDocInfo(TextDB& db, const IdConversion& ids) {
  vlrFile from, to;
  if (from.open(db.fileName(kDocFile).c_str(), filemode::kRead, true) < 0 ||
      DocInfo::createTable(to, indexfiles::path(work_, kDocFile)) < 0 || to.appendRecord() < 0)
    return fail(messages::text(1, {db.directory(), "(document table)"}));
  const IndexHeader& h = db.header();
  DocInfo d;
  for (int32_t id = 1; id <= h.documentCount && !stopped(); ++id) {
    int32_t newId = ids.convert(id);
    if (newId == 0) continue;
    if (d.readRecord(from, id, h.writeCount, db.documentRoot(), h.relativePaths(), true) < 0)
      return fail("document " + std::to_string(id) + " cannot be read");
    if (!LXR_CHECK(!d.cancelled)) return -1;
    d.cancelVer = 0;
    if (d.writeRecord(to, newId, db.documentRoot(), h.relativePaths()) < 0)
      return fail("document " + std::to_string(newId) + " cannot be written");
    if (id % kReportEvery == 0) report(1, id, h.documentCount);
  }
  return to.close() < 0 ? fail("the new document table cannot be closed") : 0;
}

int Compressor::changeIds(TextDB& db, const IdConversion& ids) {
  KeyFile from, to;
  if (from.open(db.fileName(kKeyFile).c_str(), filemode::kRead) < 0 ||
      to.create(indexfiles::path(work_, kKeyFile).c_str(), kMaxKeyBytes - 1) < 0)
    return fail(messages::text(1, {db.directory(), "(dictionary)"}));
  int64_t done = 0, total = int64_t{db.header().pathCount} + db.header().documentCount;
  for (int kind : {kFolderKind, kNameKind}) {
    if (from.first(kind) < 0) continue;
    do {
      if (from.getKind() != kind) break;
      TrieValue v;
      std::string key = keyText(from);
      if (key.empty() || from.getValue(&v) < 0) return fail("the dictionary cannot be read");
      if (kind == kNameKind) {
        v.v[0] = ids.convert(v.v[0]);
        if (v.v[0] == 0) continue;  // a cancelled document's name goes
      }
      if (to.insert(kind, key.c_str(), v) < 0) return fail("the new dictionary cannot be written");
      if (++done % kReportEvery == 0) report(2, done, total);
    } while (from.next() == 0 && !stopped());
  }
  from.close();
  return to.close() < 0 ? fail("the new dictionary cannot be closed") : 0;
}

int Compressor::compressRefs(TextDB& db, const IdConversion& ids) {
  trace::line("Before compress refs");
  KeyFile fromKeys, toKeys;
  IOFile fromRefs(64 * 1024), toRefs(64 * 1024);
  const std::string newKeys = indexfiles::path(work_, kKeyFile);
  const std::string newRefs = indexfiles::path(work_, kRefFile);
  if (fromKeys.open(db.fileName(kKeyFile).c_str(), filemode::kRead) < 0 ||
      toKeys.open(newKeys.c_str(), filemode::kRead | filemode::kWrite) < 0 ||
      fromRefs.open(db.fileName(kRefFile).c_str(), filemode::kRead) < 0 ||
      toRefs.open(newRefs.c_str(), kWriteNew) < 0 ||
      toRefs.write(kRefFileText, kRefFileTextBytes) != kRefFileTextBytes)
    return fail(messages::text(1, {db.directory(), "(dictionary or reference file)"}));
  const int64_t total = db.header().wordCount;
  const int64_t every = std::max<int64_t>(total / 100, kMinWordReportEvery);
  RefWriter writer(toRefs);
  int64_t seen = 0;
  int32_t nextChunk = kRefFileTextBytes;
  if (fromKeys.first(kWordKind) == 0) {
    do {
      if (fromKeys.getKind() != kWordKind) break;
      std::string word = keyText(fromKeys);
      TrieValue v;
      if (word.empty() || fromKeys.getValue(&v) < 0) return fail("the dictionary cannot be read");
      if (++seen % every == 0) report(3, seen, total);
      if (v.v[0] == 0) {
        if (toKeys.insert(kWordKind, word.c_str(), TrieValue{}) < 0) return fail("the new dictionary cannot be written");
        ++wordsWritten_;
        continue;
      }
      RefReader reader(fromRefs);
      if (reader.position(v.v[0]) < 0 || writer.position(nextChunk) < 0)
        return fail("the references of " + word + " cannot be read");
      int32_t occurrences = 0, documents = 0, previous = INT32_MAX;
      CiteTable cites;
      for (int32_t oldId; (oldId = reader.nextId()) > 0;) {
        cites.clear();
        if (reader.readAll(cites) < 0) break;
        int32_t newId = ids.convert(oldId);
        if (newId == 0) {
          previous = INT32_MAX;  // the order check starts again after a cancelled document
          continue;
        }
        if (newId < 1 || newId > survivors_) {
          trace::line("ERROR Compress: CopyRefs bad id. %s %d %d", word.c_str(), newId, oldId);
          LXR_CHECK(!"idCheck(\"CopyRefs\", word, id, prevId, origId) != FAIL");
          return fail("a reference of " + word + " has a bad document id");
        }
        if (newId >= previous) {
          trace::line("ERROR Compress: CopyRefs ids out of order %s %d >= %d origId = %d", word.c_str(),
                      newId, previous, oldId);
          LXR_CHECK(!"idCheck(\"CopyRefs\", word, id, prevId, origId) != FAIL");
          return fail("the references of " + word + " are out of order");
        }
        previous = newId;
        if (writer.putId(newId) < 0 || writer.putCites(cites) < 0) return fail("the new reference file cannot be written");
        ++documents;
        occurrences += cites.count();
        maxOccurrences_ = std::max(maxOccurrences_, cites.count());
      }
      if (reader.damaged()) return fail("the references of " + word + " are damaged");
      if (writer.endChunk(0) < 0 || toRefs.writeByte(kBlockEndByte) < 0)
        return fail("the new reference file cannot be written");
      if (occurrences == 0) continue;  // the next block overwrites this empty one
      if (toKeys.insert(kWordKind, word.c_str(), TrieValue{{nextChunk, occurrences, documents}}) < 0)
        return fail("the new dictionary cannot be written");
      ++wordsWritten_;
      nextChunk = toRefs.getLength();
    } while (fromKeys.next() == 0 && !stopped());
  }
  if (stopped()) return -1;
  if (writer.position(nextChunk) < 0 || toRefs.flush() < 0 || toRefs.setLength(nextChunk) < 0 ||
      toRefs.close() < 0 || toKeys.close() < 0)
    return fail("the new files cannot be completed");
  fromKeys.close();
  fromRefs.close();
  // The new table's record index comes with it; the work folder now holds the new set.
  return 0;
}

#include "index/Verifier.h"

#include <cstdlib>

#include "import/Wildcard.h"
#include "index/CiteTable.h"
#include "index/DocInfo.h"
#include "index/IndexChecksums.h"
#include "index/RefReader.h"
#include "index/TextDB.h"
#include "io/FileMode.h"
#include "objects/MessageTable.h"
#include "objects/Trace.h"
#include "objects/Reporter.h"
#include "trie/KeyFile.h"

using namespace indexformat;

namespace {

constexpr int32_t kFirstPrevious = 134217727;
constexpr uint32_t kVerifiedTypes = kHeaderFile | kKeyFile | kDocFile | kRefFile;

std::string quoted(const std::string& s) { return "\"" + s + "\""; }

int keyText(KeyFile& keys, std::string* out) {
  char key[kMaxKeyBytes + 1];
  int n = keys.getKey(key, sizeof key);
  if (n < 0) return -1;
  out->assign(key, static_cast<size_t>(n));
  return 0;
}

}  // namespace

bool Verifier::item(const std::string& name) {
  item_ = name;
  ++done_;
  reportProgress();
  if (pollStop()) stopped_ = true;
  return !stopped_;
}

int Verifier::fault(const std::string& line) {
  failure_ = line;
  trace::text(line);
  reportFault(line);
  if (reporter_) reporter_->error(messages::text(59, {line}));
  return -1;
}

int Verifier::verify(const std::string& folder, Reporter* reporter) {
  reporter_ = reporter;
  failure_.clear();
  note_.clear();
  stopped_ = false;
  done_ = 0;
  trace::text("Verifying index (begin)");
  TextDB db;
  if (db.setDirectory(folder) < 0 || db.open(filemode::kRead, kVerifiedTypes) < 0) {
    failure_ = db.errorText().empty() ? "the index cannot be opened" : db.errorText();
    if (reporter_) reporter_->error(db.errorText().empty() ? messages::text(1, {folder, ""}) : failure_);
    return -1;
  }
  const IndexHeader& h = db.header();
  total_ = int64_t{h.documentCount} + h.pathCount + h.wordCount;
  trace::text("Verifying index (checksums)");
  int rc = checksums(db);
  if (!note_.empty()) trace::text(note_);
  if (rc == 0) {
    trace::text("Verifying index (paths)");
    rc = paths(db);
  }
  if (rc == 0 && !stopped_) {
    trace::text("Verifying index (docs)");
    rc = documents(db);
  }
  if (rc == 0 && !stopped_) {
    trace::text("Verifying index (words)");
    rc = words(db);
  }
  trace::text("Verifying index (done)");
  if (rc == 0 && stopped_) return -1;
  if (rc == 0 && reporter_) {
    if (!note_.empty()) reporter_->info(note_);
    reporter_->info(messages::text(62));
  }
  return rc;
}

int Verifier::checksums(TextDB& db) {
  IndexChecksums sums;
  std::string reason;
  int got = sums.read(db.fileName(kChecksumFile), &reason);
  if (got < 0) return fault("Checksums: the checksum file INDEX_C.IX is damaged: " + reason);
  if (got == 0) {
    note_ = "Note: the index has no checksum file (INDEX_C.IX), so only its structure was "
            "checked; the next update writes one.";
    return 0;
  }
  std::string line;
  if (sums.check(db.checksumPaths(), &line) == 0) return 0;
  // A writer at work changes the files after the checksums; its commit writes new ones.
  if (db.isLocked()) {
    note_ = "Note: the index is being updated, so its files were not compared with their "
            "checksums.";
    return 0;
  }
  return fault(line);
}

int Verifier::paths(TextDB& db) {
  KeyFile& keys = db.keys();
  if (keys.first(kFolderKind) < 0) return 0;
  std::string key;
  do {
    if (keys.getKind() != kFolderKind) break;
    if (keyText(keys, &key) < 0) return fault("Path: the key cannot be read");
    TrieValue v;
    if (keys.getValue(&v) < 0) return fault("Path: " + quoted(key) + " its value cannot be read");
    if (v.v[0] < 1 || v.v[0] > db.header().pathCount)
      return fault("Path: " + quoted(key) + " id > pathCount: id = " + std::to_string(v.v[0]));
    if (!item(key)) return 0;
  } while (keys.next() == 0);
  return 0;
}

int Verifier::documents(TextDB& db) {
  KeyFile& keys = db.keys();
  if (keys.first(kNameKind) < 0) return 0;
  const int32_t count = db.header().documentCount;
  std::string key;
  DocInfo d;
  do {
    if (keys.getKind() != kNameKind) break;
    if (keyText(keys, &key) < 0) return fault("Document: the key cannot be read");
    TrieValue v;
    if (keys.getValue(&v) < 0) return fault("Document: " + quoted(key) + " its value cannot be read");
    // The key: the folder id in four hexadecimal digits, then the file name.
    std::string name = key.size() > 4 ? key.substr(4) : "";
    std::string line = "Document: " + quoted(name);
    if (!item(name)) return 0;
    int32_t id = v.v[0];
    if (id < 1 || id > count) return fault(line + " id > docCount: id = " + std::to_string(id));
    if (d.read(db, id, false) < 0) return fault(line + " its record cannot be read: id = " + std::to_string(id));
    if (d.docId != id) return fault(line + " record id " + std::to_string(d.docId) + " != " + std::to_string(id));
    char* end = nullptr;
    long pathId = key.size() >= 4 ? std::strtol(key.substr(0, 4).c_str(), &end, 16) : -1;
    if (pathId != d.pathId) return fault(line + " path id " + std::to_string(pathId) + " != " + std::to_string(d.pathId));
    // An exact key ("/" and the name as it is) holds the second of two names that differ
    // only in letter case.
    const bool exact = !name.empty() && name[0] == '/';
    if (exact ? name.substr(1) != d.shortName.substr(0, name.size() - 1)
              : !wildcard::equalsNoCase(name, d.shortName.substr(0, name.size())))
      return fault(line + " != " + quoted(d.shortName));
    const bool cut = exact ? key.size() >= 259 : d.shortName.size() >= 256;  // keys are cut to 259 bytes
    if (!cut && name.size() - (exact ? 1 : 0) != d.shortName.size())
      return fault(line + " != " + quoted(d.shortName));
  } while (keys.next() == 0);
  return 0;
}

int Verifier::words(TextDB& db) {
  KeyFile& keys = db.keys();
  if (keys.first(kWordKind) < 0) return 0;
  const int32_t count = db.header().documentCount;
  std::string word, previous;
  bool first = true;
  CiteTable cites;
  do {
    if (keys.getKind() != kWordKind) break;
    if (keyText(keys, &word) < 0) return fault("Word: the key cannot be read");
    std::string line = "Word: " + quoted(word);
    if (!item(word)) return 0;
    if (!first && !(previous < word)) return fault(line + " Word out of order");
    first = false;
    previous = word;
    TrieValue v;
    if (keys.getValue(&v) < 0) return fault(line + " its value cannot be read");
    if (v.v[0] <= 0) continue;
    line = "Word " + quoted(word) + " Ref Pointer: " + std::to_string(v.v[0]);
    RefReader reader(db.refFile());
    if (reader.position(v.v[0]) < 0) return fault(line + " cannot be read");
    int32_t last = kFirstPrevious;
    for (int32_t id; (id = reader.nextId()) > 0;) {
      if (id > count) return fault(line + " id > docCount: id = " + std::to_string(id));
      if (id > last) return fault(line + " Id out of order: " + std::to_string(id) + " > " + std::to_string(last));
      last = id;
      cites.clear();
      if (reader.getCites(cites) < 0) break;
      for (int32_t k = cites.count() - 1; k > 0; --k)
        if (cites.at(k - 1) < cites.at(k))
          return fault(line + " Cite out of order: " + std::to_string(cites.at(k - 1)) + " < " +
                       std::to_string(cites.at(k)));
    }
    if (reader.damaged()) return fault(line + " the reference list is damaged");
  } while (keys.next() == 0);
  return 0;
}

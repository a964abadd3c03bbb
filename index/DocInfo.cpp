// Document records: field definitions, reading and writing records, the name and folder keys.
#include "index/DocInfo.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "index/IndexFormat.h"
#include "index/TextDB.h"
#include "io/FileMode.h"
#include "io/VlrRecordIndex.h"
#include "objects/Fail.h"
#include "objects/Trace.h"
#include "platform/Platform.h"

using namespace indexformat;

namespace {

struct FieldSpec {
  const char* name;
  char type;
};

constexpr FieldSpec kFields[DocInfo::kResultFieldCount] = {
    {"FileName", 't'}, {"DisplayName", 't'}, {"ShortName", 't'}, {"Title", 't'},
    {"ModDate", 'd'},  {"FileSize", 'l'},    {"WordCount", 'l'}, {"DocId", 'l'},
    {"PathId", 'l'},   {"MapPtr", 'l'},      {"SubDocCt", 'l'},  {"CancelVer", 'l'},
    {"HitPtr", 'l'},   {"HitCount", 'l'},    {"Score", 'l'},
};

std::string upper(const std::string& s) {
  std::string out = s;
  for (char& c : out) c = static_cast<char>(platform::charUpper(static_cast<unsigned char>(c)));
  return out;
}

std::string relativeTo(const std::string& name, const std::string& root) {
  if (root.empty()) return name;
  if (root == "/") return name.size() > 1 && name[0] == '/' ? name.substr(1) : name;
  if (name.size() > root.size() + 1 && name.compare(0, root.size(), root) == 0 &&
      name[root.size()] == '/')
    return name.substr(root.size() + 1);
  return name;  // outside the root: kept absolute
}

std::string absoluteFrom(const std::string& stored, const std::string& root) {
  if (stored.empty() || stored[0] == '/' || root.empty()) return stored;
  return root == "/" ? "/" + stored : root + "/" + stored;
}

// Into `out`, whose memory is used again.
void textField(const vlrFile& table, int field, std::string* out) {
  int32_t n = table.getFieldLength(field);
  out->resize(static_cast<size_t>(std::max(n, 0)));
  if (n <= 0) return;
  table.getBytes(field, out->data(), n);
  out->resize(std::strlen(out->c_str()));  // a NUL inside a stored name ends it
}

// The folder part of a full name ("" when none) and the name after it.
void splitName(const std::string& full, std::string* folder, std::string* name) {
  size_t slash = full.rfind('/');
  if (slash == std::string::npos) {
    folder->clear();
    *name = full;
  } else {
    *folder = slash == 0 ? "/" : full.substr(0, slash);
    *name = full.substr(slash + 1);
  }
}

}  // namespace

DocInfo::DocInfo() { title.reserve(kInitialTitleBytes); }

namespace {

void buildDefinitions(vlrFieldDef* defs, bool results) {
  int count = results ? DocInfo::kResultFieldCount : DocInfo::kDocFieldCount;
  for (int i = 0; i < count; ++i) {
    defs[i] = vlrFieldDef();
    defs[i].type = kFields[i].type;
    std::memcpy(defs[i].name, kFields[i].name, std::strlen(kFields[i].name));
  }
  defs[count] = vlrFieldDef();
}

}  // namespace

int DocInfo::defineFields(vlrFile& table, bool results) {
  vlrFieldDef defs[kResultFieldCount + 1];
  buildDefinitions(defs, results);
  return table.defineFields(defs);
}

int DocInfo::createTable(vlrFile& table, const std::string& name, bool results) {
  vlrFieldDef defs[kResultFieldCount + 1];
  buildDefinitions(defs, results);
  return table.create(name.c_str(), defs, true);
}

void DocInfo::clear() {
  // Field by field, so that the strings keep their memory for the next record read.
  fileName.clear();
  displayName.clear();
  shortName.clear();
  title.clear();
  modDate = 0;
  foundDate = 0;
  fileSize = 0;
  mapPtr = 0;
  importMap.clear();
  wordCount = 0;
  docId = 0;
  pathId = 0;
  cancelVer = 0;
  subDocCount = 0;
  cancelled = false;
  isMemberPath = false;
  hitPtr = 0;
  hitCount = 0;
  score = 0;
  loadedMap_.clear();
  loadedMapPtr_ = 0;
}

int DocInfo::readRecord(vlrFile& table, int32_t id, int32_t writeCount,
                        const std::string& docRoot, bool relative, bool loadMap, bool results) {
  clear();
  if (id < 0 || id >= table.getRecordCount() || table.gotoRecord(id) < 0) {
    clear();
    return -1;
  }
  textField(table, kFileName, &fileName);
  textField(table, kDisplayName, &displayName);
  textField(table, kShortName, &shortName);
  textField(table, kTitle, &title);
  modDate = static_cast<dosdate::DosDateTime>(table.getLong(kModDate));
  fileSize = table.getLong(kFileSize);
  wordCount = table.getLong(kWordCount);
  docId = table.getLong(kDocId);
  pathId = table.getLong(kPathId);
  mapPtr = table.getLong(kMapPtr);
  subDocCount = table.getLong(kSubDocCt);
  cancelVer = table.getLong(kCancelVer);
  if (results) {
    hitPtr = table.getLong(kHitPtr);
    hitCount = table.getLong(kHitCount);
    score = table.getLong(kScore);
  }
  cancelled = cancelVer != 0 && cancelVer <= writeCount;
  if (relative) fileName = absoluteFrom(fileName, docRoot);
  if (displayName.empty()) displayName = fileName;
  if (loadMap && mapPtr > 0) {
    std::string name;
    int32_t bytes = 0;
    IOFile* in = table.openObject(mapPtr, &name, &bytes);
    if (!in || name != kMapObjectName || bytes < 0) {
      clear();
      return LXR_FAIL("DocInfo::read: bad Map object");
    }
    importMap.assign(static_cast<size_t>(bytes), '\0');
    if (bytes > 0 && in->read(importMap.data(), bytes) != bytes) {
      clear();
      return LXR_FAIL("DocInfo::read: Map object cut off");
    }
    loadedMap_ = importMap;
    loadedMapPtr_ = mapPtr;
  }
  return 0;
}

int DocInfo::read(TextDB& db, int32_t id, bool loadMap) {
  if (!db.isOpen(kDocFile)) {
    clear();
    return LXR_FAIL("DocInfo::read: document table not open");
  }
  return readRecord(db.docTable(), id, db.header().writeCount, db.documentRoot(),
                    db.header().relativePaths(), loadMap);
}

int DocInfo::fillRecord(vlrFile& table, int32_t id, const std::string& docRoot, bool relative,
                        bool results) {
  docId = id;
  std::string stored = relative ? relativeTo(fileName, docRoot) : fileName;
  if (importMap.empty()) {
    mapPtr = 0;
  } else if (!(loadedMapPtr_ > 0 && importMap == loadedMap_ && mapPtr == loadedMapPtr_)) {
    int32_t pos = 0;
    auto bytes = static_cast<int32_t>(importMap.size());
    IOFile* out = table.writeObject(kMapObjectName, bytes, &pos);
    if (!out || out->write(importMap.data(), bytes) != bytes || table.endObject() < 0)
      return LXR_FAIL("DocInfo::write: Map object");
    mapPtr = pos;
    loadedMap_ = importMap;
    loadedMapPtr_ = pos;
  }
  table.clear();
  int rc = 0;
  rc |= table.putString(kFileName, stored.c_str());
  rc |= table.putString(kDisplayName, displayName == fileName ? "" : displayName.c_str());
  rc |= table.putString(kShortName, shortName.c_str());
  rc |= table.putString(kTitle, title.c_str());
  rc |= table.putLong(kModDate, static_cast<int32_t>(modDate));
  rc |= table.putLong(kFileSize, fileSize);
  rc |= table.putLong(kWordCount, wordCount);
  rc |= table.putLong(kDocId, docId);
  rc |= table.putLong(kPathId, pathId);
  rc |= table.putLong(kMapPtr, mapPtr);
  rc |= table.putLong(kSubDocCt, subDocCount);
  rc |= table.putLong(kCancelVer, cancelVer);
  if (results) {
    rc |= table.putLong(kHitPtr, hitPtr);
    rc |= table.putLong(kHitCount, hitCount);
    rc |= table.putLong(kScore, score);
  }
  if (rc != 0) return LXR_FAIL("DocInfo::write: record too long");
  return 0;
}

int DocInfo::writeRecord(vlrFile& table, int32_t id, const std::string& docRoot, bool relative,
                         bool results) {
  if (id < 0 || id > table.getRecordCount()) return LXR_FAIL("DocInfo::write: bad id");
  if (fillRecord(table, id, docRoot, relative, results) < 0) return -1;
  return table.writeRecord(id);
}

int DocInfo::write(TextDB& db, int32_t id) {
  if (!db.isOpen(kDocFile) || !db.isWriting()) return LXR_FAIL("DocInfo::write: not writable");
  vlrFile& table = db.docTable();
  if (id < 0 || id > table.getRecordCount()) return LXR_FAIL("DocInfo::write: bad id");
  int32_t oldSize = 0;
  if (id < table.getRecordCount()) {
    // In place: the new record must fit the old one's room (checked here rather than left to
    // the record file's consistency check), and the old bytes are saved before they go.
    if (table.gotoRecord(id) < 0) return LXR_FAIL("DocInfo::write: old record unreadable");
    oldSize = table.record().getSize();
    if (id < db.docStartRecords()) {
      vlrRecordIndex index;
      int32_t objectPos = 0;
      vlrObjectInfo info;
      if (index.open(vlrRecordIndex::nameFor(db.fileName(kDocFile)),
                     filemode::kRead | filemode::kDenyNone) < 0 ||
          index.getEntry(id, &objectPos) < 0 || table.objectAt(objectPos, &info) < 0 ||
          info.type != vlrformat::kTypeRecord)
        return LXR_FAIL("DocInfo::write: record slot not found");
      oldSize = std::max(oldSize, info.size);
      if (db.saveRange(kDocFile, objectPos, info.nextPos - objectPos) < 0) return -1;
    }
  }
  if (fillRecord(table, id, db.documentRoot(), db.header().relativePaths(), false) < 0) {
    db.failUpdate();
    return -1;
  }
  if (id < table.getRecordCount() && table.record().getSize() > oldSize)
    return LXR_FAIL("DocInfo::write: record does not fit");
  if (table.writeRecord(id) < 0) {
    db.failUpdate();
    return -1;
  }
  return 0;
}

std::string DocInfo::folderKey(const TextDB& db, const std::string& folder) {
  std::string f = folder;
  while (f.size() > 1 && f.back() == '/') f.pop_back();
  if (db.header().relativePaths()) {
    const std::string& root = db.documentRoot();
    if (f == root) {
      f = ".";
    } else {
      f = relativeTo(f, root);
    }
  }
  f = upper(f);
  if (f.size() > static_cast<size_t>(kMaxKeyBytes - 2)) f.resize(kMaxKeyBytes - 2);
  return f;
}

int32_t DocInfo::folderId(TextDB& db, const std::string& folder) {
  if (!db.isOpen(kKeyFile)) return -1;
  std::string key = folderKey(db, folder);
  if (key.empty()) return -1;
  TrieValue value;
  if (db.keys().find(kFolderKind, key.c_str(), &value) == 0) return value.v[0];
  if (!db.isWriting() || !db.keys().trie().isWritable()) return -1;
  int32_t id = db.header().pathCount + 1;
  if (db.keys().insert(kFolderKind, key.c_str(), id) < 0) {
    db.failUpdate();
    return -1;
  }
  db.header().pathCount = id;
  return id;
}

std::string DocInfo::nameKey() const {
  char hex[16];
  std::snprintf(hex, sizeof hex, "%4.4X", static_cast<unsigned>(pathId));
  std::string key = hex + upper(shortName);
  if (key.size() > kNameKeyBytes - 1) key.resize(kNameKeyBytes - 1);
  return key;
}

std::string DocInfo::exactNameKey() const {
  char hex[16];
  std::snprintf(hex, sizeof hex, "%4.4X/", static_cast<unsigned>(pathId));
  std::string key = hex + shortName;
  if (key.size() > kNameKeyBytes - 1) key.resize(kNameKeyBytes - 1);
  return key;
}

int DocInfo::findByName(TextDB& db, const std::string& fullName) {
  std::string folder;
  std::string name;
  splitName(fullName, &folder, &name);
  clear();
  if (!db.isOpen(kKeyFile) || name.empty()) return -1;
  std::string fkey = folderKey(db, folder);
  TrieValue value;
  if (fkey.empty() || db.keys().find(kFolderKind, fkey.c_str(), &value) < 0) return -1;
  DocInfo probe;
  probe.pathId = value.v[0];
  probe.shortName = name;
  // Keys are upper-cased; names are not. Another file whose name differs only in letter
  // case shares the key, and its record is not this file's: this file's is then under its
  // exact key.
  for (const std::string& key : {probe.nameKey(), probe.exactNameKey()}) {
    if (db.keys().find(kNameKind, key.c_str(), &value) < 0) continue;
    if (read(db, value.v[0]) == 0 && fileName == fullName) return 0;
    clear();
  }
  return -1;
}

int DocInfo::addName(TextDB& db) {
  if (!db.isOpen(kKeyFile)) return LXR_FAIL("DocInfo::addName: dictionary not open");
  std::string key = nameKey();
  TrieValue value;
  if (db.keys().find(kNameKind, key.c_str(), &value) == 0 && value.v[0] != docId) {
    DocInfo holder;
    if (holder.read(db, value.v[0]) == 0 && !holder.cancelled && holder.fileName != fileName) key = exactNameKey();
  }
  if (db.keys().insert(kNameKind, key.c_str(), docId) < 0) {
    db.failUpdate();
    return -1;
  }
  return 0;
}

void DocInfo::setFromFile(const FoundFile& file) {
  fileName = file.name;
  if (!file.displayName.empty()) displayName = file.displayName;
  isMemberPath = file.isMember;
  if (file.isMember && !file.memberName.empty()) {
    shortName = file.memberName;
  } else {
    size_t slash = file.name.rfind('/');
    shortName = slash == std::string::npos ? file.name : file.name.substr(slash + 1);
  }
  modDate = file.modDate;
  foundDate = file.foundDate;
  fileSize = file.size;
}

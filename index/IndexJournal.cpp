// The rollback journal of an index update: writing, reading and restoring INDEX_X.IX.
#include "index/IndexJournal.h"

#include <algorithm>
#include <cstring>

#include "io/FileMode.h"
#include "io/WholeFile.h"
#include "objects/ByteCodec.h"
#include "objects/Crc32.h"
#include "objects/Fail.h"
#include "objects/Trace.h"
#include "platform/Platform.h"

namespace {

constexpr char kMagic[8] = {'L', 'X', 'R', 'J', 'R', 'N', 'L', '\x01'};
constexpr int32_t kMagicBytes = 8;
constexpr int32_t kVersionPos = 8;
constexpr int32_t kSaltPos = 12;
constexpr int32_t kBatchBytesPos = 16;
constexpr int32_t kBatchCrcPos = 20;
constexpr int32_t kHeaderCrcPos = 24;
constexpr int32_t kJournalHeaderBytes = 32;
constexpr uint32_t kJournalVersion = 1;
// Entry: kind (1), name length (1), name, pos (4), length (4), data, checksum (4).
constexpr int32_t kEntryFixedBytes = 1 + 1 + 4 + 4 + 4;
// The temporary file io/WholeFile writes beside a file it replaces; a writer killed while
// replacing a whole file leaves it behind.
constexpr const char* kReplaceTempSuffix = ".new";

// A bare file name: no folder part, not "." or "..", nothing that leaves the index folder.
bool safeName(const std::string& name) {
  if (name.empty() || name.size() > IndexJournal::kMaxNameBytes) return false;
  if (name == "." || name == "..") return false;
  for (char c : name)
    if (c == '/' || c == '\0') return false;
  return true;
}

// Decodes the entry at [p, end). Its size, or -1 when it is cut off, damaged or its
// checksum is wrong.
int64_t decodeEntry(const char* p, const char* end, uint32_t salt, JournalEntry* out) {
  if (end - p < kEntryFixedBytes) return -1;
  JournalEntry e;
  size_t nameField = 0;
  if (bytecodec::getU8(p, end, &e.kind) < 0 || bytecodec::getString8(p + 1, end, &e.name, &nameField) < 0)
    return -1;
  const char* q = p + 1 + nameField;
  if (bytecodec::getI32(q, end, &e.pos) < 0 || bytecodec::getI32(q + 4, end, &e.length) < 0) return -1;
  q += 8;
  int64_t dataBytes = 0;
  switch (e.kind) {
    case JournalEntry::kLength:
      if (e.length < -1) return -1;
      break;
    case JournalEntry::kImage:
      if (e.pos < 0 || e.length < 0) return -1;
      dataBytes = e.length;
      break;
    case JournalEntry::kWhole:
      if (e.length < -1) return -1;
      dataBytes = e.length < 0 ? 0 : e.length;
      break;
    default:
      return -1;
  }
  if (!safeName(e.name)) return -1;
  if (end - q < dataBytes + 4) return -1;
  e.bytes.assign(q, static_cast<size_t>(dataBytes));
  q += dataBytes;
  if (crc32::update(salt, p, static_cast<size_t>(q - p)) != bytecodec::loadU32(q)) return -1;
  *out = std::move(e);
  return (q + 4) - p;
}

std::string join(const std::string& folder, const std::string& name) {
  return folder + "/" + name;
}

// Opens `path` for restoring, creating it when `create`. -1 with `reason` set.
int openTarget(File* f, const std::string& path, bool create, std::string* reason) {
  int mode = filemode::kRead | filemode::kWrite | filemode::kShareRead;
  if (create) mode |= filemode::kCreate;
  if (f->open(path.c_str(), mode) == 0) return 0;
  *reason = "cannot open " + path + " (" + platform::errorText(platform::lastError()) + ")";
  return -1;
}

int restoreEntry(const std::string& folder, const JournalEntry& e, std::string* reason) {
  std::string path = join(folder, e.name);
  bool exists = platform::fileExists(path.c_str());
  File f;
  switch (e.kind) {
    case JournalEntry::kWhole:
      platform::removeFile((path + kReplaceTempSuffix).c_str());
      if (e.length < 0) {
        if (exists && platform::removeFile(path.c_str()) < 0) {
          *reason = "cannot remove " + path;
          return -1;
        }
        return 0;
      }
      if (wholefile::write(path, e.bytes) < 0) {
        *reason = "cannot rewrite " + path;
        return -1;
      }
      return 0;
    case JournalEntry::kLength:
      if (e.length < 0) {
        if (exists && platform::removeFile(path.c_str()) < 0) {
          *reason = "cannot remove " + path;
          return -1;
        }
        return 0;
      }
      if (openTarget(&f, path, true, reason) < 0) return -1;
      if (f.getLength() > e.length && f.setLength(e.length) < 0) {
        *reason = "cannot cut " + path;
        return -1;
      }
      if (f.getLength() < e.length) {
        // A file that only grows is shorter than before the update: it was damaged by
        // something else, and the update's state cannot be rebuilt from here.
        *reason = path + " is shorter than before the update";
        return -1;
      }
      if (f.commit() < 0) {
        *reason = "cannot put " + path + " on the disk";
        return -1;
      }
      return 0;
    case JournalEntry::kImage: {
      if (openTarget(&f, path, true, reason) < 0) return -1;
      auto n = static_cast<int32_t>(e.bytes.size());
      if (f.seek(e.pos) < 0 || f.write(e.bytes.data(), n) != n || f.commit() < 0) {
        *reason = "cannot write " + path;
        return -1;
      }
      return 0;
    }
    default:
      *reason = "unknown entry";
      return -1;
  }
}

}  // namespace

IndexJournal::~IndexJournal() { abandon(); }

int IndexJournal::load(const std::string& folder, const std::string& journalName,
                       std::vector<JournalEntry>* entries, std::string* reason) {
  entries->clear();
  std::string path = join(folder, journalName);
  int64_t size = platform::fileSizeByName(path.c_str());
  if (size <= 0) return 0;
  std::string data;
  if (wholefile::read(path, &data, kMaxJournalBytes) < 0) {
    *reason = "the recovery record cannot be read (" +
              platform::errorText(platform::lastError()) + ")";
    return -1;
  }
  if (data.size() < kJournalHeaderBytes || std::memcmp(data.data(), kMagic, kMagicBytes) != 0)
    return 0;  // never armed: the update changed nothing yet
  const char* base = data.data();
  const char* end = base + data.size();
  uint32_t headCrc = crc32::update(0, base + kVersionPos, kHeaderCrcPos - kVersionPos);
  if (bytecodec::loadU32(base + kVersionPos) != kJournalVersion ||
      headCrc != bytecodec::loadU32(base + kHeaderCrcPos)) {
    *reason = "the recovery record is damaged (header)";
    return -1;
  }
  uint32_t salt = bytecodec::loadU32(base + kSaltPos);
  uint32_t batchBytes = bytecodec::loadU32(base + kBatchBytesPos);
  if (batchBytes > data.size() - kJournalHeaderBytes ||
      crc32::update(salt, base + kJournalHeaderBytes, batchBytes) !=
          bytecodec::loadU32(base + kBatchCrcPos)) {
    *reason = "the recovery record is damaged (saved states)";
    return -1;
  }
  const char* p = base + kJournalHeaderBytes;
  const char* batchEnd = p + batchBytes;
  while (p < batchEnd) {
    JournalEntry e;
    int64_t n = decodeEntry(p, batchEnd, salt, &e);
    if (n < 0) {
      *reason = "the recovery record is damaged (entry)";
      entries->clear();
      return -1;
    }
    entries->push_back(std::move(e));
    p += n;
  }
  // States appended during the update; a torn one at the end was never followed by the
  // change it protects.
  while (p < end) {
    JournalEntry e;
    int64_t n = decodeEntry(p, end, salt, &e);
    if (n < 0) break;
    entries->push_back(std::move(e));
    p += n;
  }
  return 1;
}

int IndexJournal::restore(const std::string& folder, const std::string& journalName,
                          std::string* reason) {
  std::vector<JournalEntry> entries;
  int rc = load(folder, journalName, &entries, reason);
  if (rc < 0) return -1;
  if (rc > 0) {
    trace::line("IndexJournal::restore %s: %zu saved states", folder.c_str(), entries.size());
    for (auto it = entries.rbegin(); it != entries.rend(); ++it)
      if (restoreEntry(folder, *it, reason) < 0) return -1;
  }
  std::string path = join(folder, journalName);
  if (!platform::fileExists(path.c_str())) return 0;
  File f;
  if (f.open(path.c_str(), filemode::kRead | filemode::kWrite) < 0 || f.setLength(0) < 0 ||
      f.commit() < 0) {
    *reason = "the recovery record cannot be emptied";
    return -1;
  }
  return 0;
}

std::string IndexJournal::encodeEntry(const JournalEntry& e, uint32_t salt) {
  std::string out;
  bytecodec::appendU8(&out, e.kind);
  bytecodec::appendString8(&out, e.name);  // Requires: a safe name, far shorter than 255
  bytecodec::appendU32(&out, static_cast<uint32_t>(e.pos));
  bytecodec::appendU32(&out, static_cast<uint32_t>(e.length));
  out += e.bytes;
  bytecodec::appendU32(&out, crc32::update(salt, out.data(), out.size()));
  return out;
}

int IndexJournal::writeAt(int32_t pos, const std::string& bytes) {
  auto n = static_cast<int32_t>(bytes.size());
  if (file_.seek(pos) < 0 || file_.write(bytes.data(), n) != n) return LXR_FAIL("journal write");
  return 0;
}

int IndexJournal::begin(const std::string& folder, const std::string& journalName,
                        const std::vector<JournalEntry>& entries) {
  abandon();
  folder_ = folder;
  whole_.clear();
  lengths_.clear();
  ranges_.clear();
  std::string path = join(folder, journalName);
  if (file_.open(path.c_str(), filemode::kRead | filemode::kWrite | filemode::kCreate |
                                   filemode::kTruncate | filemode::kShareRead) < 0)
    return LXR_FAIL("journal open");
  salt_ = static_cast<uint32_t>(platform::now()) * 2654435761u ^
          static_cast<uint32_t>(platform::processId());
  std::string batch;
  for (const JournalEntry& e : entries) {
    if (!safeName(e.name)) return LXR_FAIL("journal entry name");
    batch += encodeEntry(e, salt_);
    noteCovered(e);
  }
  std::string head(kJournalHeaderBytes, '\0');
  bytecodec::storeU32(&head[kVersionPos], kJournalVersion);
  bytecodec::storeU32(&head[kSaltPos], salt_);
  bytecodec::storeU32(&head[kBatchBytesPos], static_cast<uint32_t>(batch.size()));
  bytecodec::storeU32(&head[kBatchCrcPos], crc32::update(salt_, batch.data(), batch.size()));
  uint32_t headCrc = crc32::update(0, head.data() + kVersionPos, kHeaderCrcPos - kVersionPos);
  bytecodec::storeU32(&head[kHeaderCrcPos], headCrc);
  // Everything but the magic first; the magic arms the journal once the rest is on disk.
  if (writeAt(0, head + batch) < 0 || file_.commit() < 0) return LXR_FAIL("journal sync");
  if (writeAt(0, std::string(kMagic, kMagicBytes)) < 0 || file_.commit() < 0)
    return LXR_FAIL("journal arm");
  endPos_ = kJournalHeaderBytes + static_cast<int32_t>(batch.size());
  armed_ = true;
  return 0;
}

int IndexJournal::append(const JournalEntry& entry) {
  if (!armed_) return LXR_FAIL("journal not armed");
  if (!safeName(entry.name)) return LXR_FAIL("journal entry name");
  std::string bytes = encodeEntry(entry, salt_);
  if (writeAt(endPos_, bytes) < 0 || file_.commit() < 0) return LXR_FAIL("journal append");
  endPos_ += static_cast<int32_t>(bytes.size());
  noteCovered(entry);
  return 0;
}

void IndexJournal::noteCovered(const JournalEntry& entry) {
  // A whole file, or the absence of a file, undoes every later change of it. An old length
  // undoes only what is written at or past it: bytes before it changed in place still need
  // their own image.
  if (entry.kind == JournalEntry::kWhole ||
      (entry.kind == JournalEntry::kLength && entry.length < 0)) {
    whole_.insert(entry.name);
  } else if (entry.kind == JournalEntry::kLength) {
    auto [it, added] = lengths_.emplace(entry.name, entry.length);
    if (!added) it->second = std::min(it->second, entry.length);
  }
}

int IndexJournal::finish() {
  if (!file_.isOpen()) return 0;
  int rc = 0;
  if (file_.setLength(0) < 0) {
    rc = LXR_FAIL("journal empty");  // the record stands: the next open undoes the update
  } else if (file_.commit() < 0) {
    // The update is committed and its record emptied; only the emptying's way to the disk
    // is in doubt. A crash now could bring the record back, and the next writer would then
    // undo the update whole: the index is before or after, never between.
    trace::line("WARNING the emptied recovery record of %s could not be put on the disk", folder_.c_str());
  }
  file_.release();
  armed_ = false;
  return rc;
}

void IndexJournal::abandon() {
  if (file_.isOpen()) file_.release();
  armed_ = false;
}

bool IndexJournal::alreadySaved(const std::string& name, int32_t pos, int32_t bytes) {
  if (whole_.count(name)) return true;
  if (auto length = lengths_.find(name); length != lengths_.end() && pos >= length->second)
    return true;
  // A later, longer write at the same place must save its longer stretch too: the bytes past
  // the first image would otherwise stay changed after a roll-back. (The new image may hold
  // bytes this update already changed; the older image, restored after it, puts them back.)
  auto [it, added] = ranges_.emplace(std::make_pair(name, pos), bytes);
  if (added) return false;
  if (it->second >= bytes) return true;
  it->second = bytes;
  return false;
}

int IndexJournal::wholeFile(const std::string& folder, const std::string& name,
                            JournalEntry* out) {
  out->kind = JournalEntry::kWhole;
  out->name = name;
  out->pos = 0;
  out->bytes.clear();
  std::string path = join(folder, name);
  if (!platform::fileExists(path.c_str())) {
    out->length = -1;
    return 0;
  }
  if (wholefile::read(path, &out->bytes, kMaxJournalBytes) < 0) return LXR_FAIL("journal read");
  out->length = static_cast<int32_t>(out->bytes.size());
  return 0;
}

int IndexJournal::lengthOf(const std::string& folder, const std::string& name,
                           JournalEntry* out) {
  out->kind = JournalEntry::kLength;
  out->name = name;
  out->pos = 0;
  out->bytes.clear();
  int64_t size = platform::fileSizeByName(join(folder, name).c_str());
  if (size > INT32_MAX) return LXR_FAIL("journal length");
  out->length = static_cast<int32_t>(size < 0 ? -1 : size);
  return 0;
}

int IndexJournal::imageOf(const std::string& folder, const std::string& name, int32_t pos,
                          int32_t bytes, JournalEntry* out) {
  out->kind = JournalEntry::kImage;
  out->name = name;
  out->pos = pos;
  out->bytes.clear();
  File f;
  std::string path = join(folder, name);
  if (f.open(path.c_str(), filemode::kRead | filemode::kDenyNone) < 0)
    return LXR_FAIL("journal image open");
  int32_t n = std::min(bytes, f.getLength() - pos);
  if (pos < 0 || n < 0) n = 0;
  out->bytes.assign(static_cast<size_t>(n), '\0');
  if (n > 0 && (f.seek(pos) < 0 || f.read(out->bytes.data(), n) != n))
    return LXR_FAIL("journal image read");
  out->length = n;
  return 0;
}

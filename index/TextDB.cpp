// The index database: file names, the lock, the header and options, opening and closing the
// files of an index, the recovery record of an update, and the dictionary copies.
#include "index/TextDB.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "import/Alphabet.h"
#include "index/DocInfo.h"
#include "index/FailedDocs.h"
#include "index/IndexFileNames.h"
#include "io/FileMode.h"
#include "io/WholeFile.h"
#include "objects/Fail.h"
#include "objects/MessageTable.h"
#include "objects/StringSet.h"
#include "objects/TextFields.h"
#include "objects/Trace.h"
#include "objects/WellKnownFiles.h"
#include "platform/Platform.h"

using namespace indexformat;
using indexfiles::bareName;
using indexfiles::keyCopyNumber;

namespace {

constexpr size_t kMaxHeaderFileBytes = 64 * 1024;
constexpr size_t kMaxFilterFileBytes = 4u << 20;
constexpr size_t kMaxPatternBytes = 511;
constexpr size_t kMaxListedFolderBytes = 511;  // a folder of the folders file
// The most of a record file's start that can be its header (128 field definitions).
constexpr int32_t kMaxDocHeaderBytes = vlrformat::headerBytes(vlrMaxFields);
// The record index's header.
constexpr int32_t kDocIndexHeaderBytes = vlrformat::kIndexHeaderBytes;

std::string join(const std::string& folder, const std::string& name) {
  return folder + "/" + name;
}

// True when nobody has `path` open: an open that shares nothing succeeds.
bool unused(const std::string& path) {
  File probe;
  if (probe.open(path.c_str(), filemode::kRead | filemode::kWrite) < 0) return false;
  probe.release();
  return true;
}

// Deletes the dictionary copies of `folder` other than `pending` and `keep` that nobody has
// open.
void removeUnusedCopies(const std::string& folder, long pending, long keep) {
  std::vector<platform::DirEntry> entries;
  platform::listDirectory(folder.c_str(), &entries);
  for (const platform::DirEntry& e : entries) {
    long n = keyCopyNumber(e.name);
    if (e.isDirectory || n < 0 || n == pending || n == keep) continue;
    std::string path = folder + "/" + e.name;
    if (unused(path)) platform::removeFile(path.c_str());
  }
}

// Splits a filters line's patterns at blanks, commas and semicolons.
void addPatterns(const std::string& text, StringSet* out) {
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ' ' || text[i] == ',' || text[i] == ';' ||
                               text[i] == '\t'))
      ++i;
    size_t start = i;
    while (i < text.size() && text[i] != ' ' && text[i] != ',' && text[i] != ';' &&
           text[i] != '\t')
      ++i;
    if (i > start && out) out->add(text.substr(start, std::min(i - start, kMaxPatternBytes)));
  }
}

std::vector<std::string> splitLines(const std::string& data) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < data.size()) {
    size_t end = data.find('\n', start);
    if (end == std::string::npos) end = data.size();
    std::string line = data.substr(start, end - start);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    for (char& c : line)
      if (c == '\0') c = ' ';
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

}  // namespace

TextDB::TextDB() = default;

TextDB::~TextDB() {
  // An update still running here was abandoned by its caller (an error path): it is undone
  // rather than kept half-made. Callers commit with close(I) or unlock().
  if (writing_ && journal_.isArmed()) {
    trace::line("TextDB::~TextDB -- update of %s abandoned", folder_.c_str());
    failUpdate();
  }
  if (close() < 0 && !writing_)
    trace::line("ERROR TextDB::~TextDB close failed for %s", folder_.c_str());
  releaseLock();
}

int TextDB::setDirectory(const std::string& folder) {
  std::string f = folder;
  while (f.size() > 1 && f.back() == '/') f.pop_back();
  if (f.empty() || f.size() > kMaxFolderBytes) return LXR_FAIL("TextDB::setDirectory");
  folder_ = f;
  docRoot_ = f;
  return 0;
}

std::string TextDB::dictionaryName(long n) const {
  if (n <= 0) return join(folder_, bareName(kKeyFile));
  return join(folder_, indexfiles::keyCopyName(n));
}

std::string TextDB::fileName(uint32_t type) const {
  if (type == kKeyFile) {
    if (newDictionary_ > 0) return dictionaryName(newDictionary_);
    long n = header_.pendingDictionary;
    if (n > 0 && platform::fileExists(dictionaryName(n).c_str())) return dictionaryName(n);
    return dictionaryName(0);
  }
  std::string bare = bareName(type);
  return bare.empty() ? bare : join(folder_, bare);
}

void TextDB::setStatus(Status::Kind kind, std::string message, int osError) {
  switch (kind) {
    case Status::Kind::kNotFound: status_ = Status::notFound(std::move(message)); break;
    case Status::Kind::kIoError: status_ = Status::ioError(std::move(message), osError); break;
    case Status::Kind::kDamaged: status_ = Status::damaged(std::move(message)); break;
    case Status::Kind::kMisuse: status_ = Status::misuse(std::move(message)); break;
    case Status::Kind::kCancelled: status_ = Status::cancelled(std::move(message)); break;
    case Status::Kind::kBusy: status_ = Status::busy(std::move(message)); break;
    case Status::Kind::kOk: status_ = Status::ok(); break;
  }
}

int TextDB::failDamaged(const std::string& why) {
  setStatus(Status::Kind::kDamaged,
            messages::text(1, {folder_, "(the index is damaged: " + why + "; verify it, then rebuild it)"}));
  trace::line("TextDB::lockIndex failed -- %s", status_.message().c_str());
  releaseLock();
  return -1;
}

int TextDB::fail(Status::Kind kind, int number, const std::string& a, const std::string& b) {
  setStatus(kind, messages::text(number, {a, b}));
  trace::line("TextDB::lockIndex failed -- %s", status_.message().c_str());
  releaseLock();
  return -1;
}

void TextDB::releaseLock() {
  if (lock_) lock_->release();
  lock_.reset();
  journal_.abandon();
  writing_ = false;
}

int TextDB::readHeaderFile(std::string* reason, int* problem, int* osError) {
  std::string data;
  *problem = 1;
  if (wholefile::read(fileName(kHeaderFile), &data, kMaxHeaderFileBytes) < 0) {
    int err = platform::lastError();
    *reason = "(" + platform::errorText(err) + ")";
    if (osError) *osError = err == 0 ? -1 : err;
    return -1;
  }
  IndexHeader h;
  if (h.decode(data.data(), data.data() + data.size()) < 0) {
    *reason = "(the index header is too short)";
    return -1;
  }
  std::string why;
  *problem = h.problem(&why);
  if (*problem != 0) {
    *reason = "(" + why + ")";
    header_ = h;
    return -1;
  }
  header_ = h;
  return 0;
}

int TextDB::settleAfterRead() {
  int rc = indexoptions::applyFile(fileName(kOptionsFile), &header_);
  if (rc < 0) return fail(Status::Kind::kDamaged, 1, folder_, "(the index options file is damaged)");
  alphabet_ = header_.unicode ? base_.unicodeFor(header_.ignoreCase(), header_.ignoreAccents())
                              : base_.foldedFor(header_.ignoreCase(), header_.ignoreAccents());
  docRoot_ = header_.docRoot.empty() ? folder_ : header_.docRoot;
  while (docRoot_.size() > 1 && docRoot_.back() == '/') docRoot_.pop_back();
  if (!libraryName_.empty()) header_.indexName = libraryName_.substr(0, kIndexNameBytes - 1);
  return 0;
}

int TextDB::lockIndex(int mode) {
  trace::line("TextDB::lockIndex %s mode = %d", folder_.c_str(), mode);
  if (folder_.empty()) {
    setStatus(Status::Kind::kMisuse, messages::text(1, {folder_, "(no index folder)"}));
    return -1;
  }
  bool write = (mode & filemode::kWrite) != 0;
  if (lock_) {
    if (writing_ || !write) return 0;
    releaseLock();  // a reader that now wants to write takes the lock anew
  }
  if (!write) mode |= filemode::kDenyNone;
  status_ = Status::ok();
  std::string reason;
  if (!write) {
    // A pending recovery record must read back. When no writer is at work, it is a
    // crash's: the reader restores the index under a writer's lock held for that moment,
    // so that searches never see a half-made update.
    std::vector<JournalEntry> entries;
    int pending = IndexJournal::load(folder_, bareName(kJournalFile), &entries, &reason);
    if (pending < 0) {
      // A damaged record cannot put the index back; when the files still agree with their
      // checksums (the header aside, which a writer marks first) the writer changed nothing
      // yet, and the index may be read (not updated).
      std::string why;
      if (matchChecksums(&why, kHeaderFile | kOptionsFile) <= 0) return failDamaged(reason);
      trace::line("WARNING TextDB: the recovery record of %s is damaged (%s); the index agrees "
                  "with its checksums and is opened for reading only", folder_.c_str(), reason.c_str());
      pending = 0;
    }
    if (pending > 0 || switchPending(folder_)) {
      LockFile writer(platform::userName().c_str(), fileName(kLockFile).c_str(),
                      filemode::kRead | filemode::kWrite | filemode::kDenyNone);
      if (writer.isLocked() &&
          IndexJournal::restore(folder_, bareName(kJournalFile), &reason) < 0)
        return fail(Status::Kind::kIoError, 1, folder_, "(" + reason + ")");
      // A switch to a compressed file set that a crash interrupted is finished first.
      if (writer.isLocked() && settleRebuilt(folder_) < 0)
        return fail(Status::Kind::kIoError, 1, folder_, "(a compressed index could not be put in place)");
    }
  }
  int lockMode = mode & (filemode::kRead | filemode::kWrite | filemode::kCreate |
                         filemode::kDenyNone | filemode::kShareRead);
  lock_ = std::make_unique<LockFile>(platform::userName().c_str(),
                                     fileName(kLockFile).c_str(), lockMode);
  if (!lock_->isLocked()) {
    const int err = lock_->error();
    std::string os = err ? "(" + platform::errorText(err) + ")" : "";
    // No lock file: no index here. Refused: a writer holds the index.
    Status::Kind kind = err == platform::kErrFileNotFound || err == platform::kErrPathNotFound
                            ? Status::Kind::kNotFound
                        : err == platform::kErrAccessDenied || err == platform::kErrSharingViolation
                            ? Status::Kind::kBusy
                            : Status::Kind::kIoError;
    setStatus(kind, messages::text(1, {folder_, os}), err);
    trace::line("TextDB::lockIndex failed -- %s", status_.message().c_str());
    lock_.reset();
    return -1;
  }
  if (write) {
    // The lock is ours: no other writer is working, so a left-over record is a crash's.
    // A record that does not read back cannot put the index back: the index is refused
    // for updates (readers may still open it, above).
    std::vector<JournalEntry> entries;
    if (IndexJournal::load(folder_, bareName(kJournalFile), &entries, &reason) < 0) return failDamaged(reason);
    if (IndexJournal::restore(folder_, bareName(kJournalFile), &reason) < 0)
      return fail(Status::Kind::kIoError, 1, folder_, "(" + reason + ")");
    if (settleRebuilt(folder_) < 0)
      return fail(Status::Kind::kIoError, 1, folder_, "(a compressed index could not be put in place)");
  }
  int problem = 0;
  int readError = 0;
  if (readHeaderFile(&reason, &problem, &readError) < 0) {
    if (problem == 5) return fail(Status::Kind::kDamaged, 5, fileName(kHeaderFile), "");
    if (problem == 2) {
      setStatus(Status::Kind::kDamaged, "This version of Lexaurum cannot read index " + header_.indexName + " ");
      trace::line("TextDB::lockIndex failed -- %s", status_.message().c_str());
      releaseLock();
      return -1;
    }
    // A header that cannot be read is an I/O error (or no index); one that reads wrong is damaged.
    Status::Kind kind = readError == 0 ? Status::Kind::kDamaged
                        : readError == platform::kErrFileNotFound ? Status::Kind::kNotFound
                                                                    : Status::Kind::kIoError;
    return fail(kind, 1, folder_, reason);
  }
  if (settleAfterRead() < 0) return -1;
  if (write) {
    // Damage is never carried forward: an update would extend damaged files and then write
    // checksums that bless them (a damaged folders or filters file would make it drop
    // documents). The options file is left out: its DocRoot is set by hand, and the file is
    // read whole and parsed (a damaged one fails the open above).
    std::string why;
    if (matchChecksums(&why, kOptionsFile) < 0) return failDamaged(why);
  }
  mode_ = mode;
  if (write) {
    writing_ = true;
    if (armJournal() < 0) {
      const int err = platform::lastError();
      std::string cause = platform::takeFileFailure();
      if (cause.empty()) cause = platform::errorText(err);
      setStatus(Status::Kind::kIoError,
                messages::text(1, {folder_, "(the recovery record cannot be written: " + cause + ")"}), err);
      trace::line("TextDB::lockIndex failed -- %s", status_.message().c_str());
      releaseLock();
      return -1;
    }
  }
  trace::line("TextDB::lockIndex succeeded");
  return 0;
}

int TextDB::armJournal() {
  std::vector<JournalEntry> entries;
  JournalEntry e;
  for (uint32_t type :
       {kHeaderFile, kOptionsFile, kFiltersFile, kFoldersFile, kNoiseFile, kChecksumFile}) {
    if (IndexJournal::wholeFile(folder_, bareName(type), &e) < 0) return -1;
    entries.push_back(e);
  }
  // The record file and its index grow at the end; only their headers change in place.
  if (IndexJournal::lengthOf(folder_, bareName(kDocFile), &e) < 0) return -1;
  docStartBytes_ = e.length;
  entries.push_back(e);
  if (e.length > 0) {
    if (IndexJournal::imageOf(folder_, bareName(kDocFile), 0, kMaxDocHeaderBytes, &e) < 0)
      return -1;
    entries.push_back(e);
  }
  if (IndexJournal::lengthOf(folder_, bareName(kDocIndexFile), &e) < 0) return -1;
  docIndexStartBytes_ = e.length;
  entries.push_back(e);
  if (e.length > 0) {
    if (IndexJournal::imageOf(folder_, bareName(kDocIndexFile), 0, kDocIndexHeaderBytes, &e) < 0)
      return -1;
    entries.push_back(e);
  }
  // Reference lists are only ever appended.
  if (IndexJournal::lengthOf(folder_, bareName(kRefFile), &e) < 0) return -1;
  refStartBytes_ = e.length;
  entries.push_back(e);
  if (journal_.begin(folder_, bareName(kJournalFile), entries) < 0) return -1;
  updateFailed_ = false;
  newDictionary_ = 0;
  header_.inUse = 1;
  header_.writer = platform::userName().substr(0, kWriterBytes - 1);
  ++header_.writeCount;
  return writeHeader();
}

int TextDB::writeHeader() {
  char bytes[kHeaderBytes];
  header_.encode(bytes);
  if (wholefile::write(fileName(kHeaderFile), std::string(bytes, kHeaderBytes)) < 0) {
    failUpdate();
    return LXR_FAIL("TextDB::writeHeader");
  }
  return 0;
}

void TextDB::failUpdate() {
  if (journal_.isArmed()) updateFailed_ = true;
}

int TextDB::saveRange(uint32_t type, int32_t pos, int32_t bytes) {
  if (!journal_.isArmed()) return 0;
  std::string bare = bareName(type);
  if (bare.empty()) return -1;
  int32_t startBytes = type == kDocFile ? docStartBytes_
                       : type == kDocIndexFile ? docIndexStartBytes_
                                               : INT32_MAX;
  if (pos >= startBytes) return 0;  // written during this update: the length undoes it
  if (journal_.alreadySaved(bare, pos, bytes)) return 0;
  JournalEntry e;
  if (IndexJournal::imageOf(folder_, bare, pos, std::min(bytes, startBytes - pos), &e) < 0 ||
      journal_.append(e) < 0) {
    failUpdate();
    return -1;
  }
  return 0;
}

int TextDB::saveWholeFile(uint32_t type) {
  if (!journal_.isArmed()) return 0;
  std::string path = fileName(type);
  if (path.empty()) return -1;
  std::string bare = path.substr(folder_.size() + 1);
  if (journal_.alreadySaved(bare, 0, 0)) return 0;
  JournalEntry e;
  if (IndexJournal::wholeFile(folder_, bare, &e) < 0 || journal_.append(e) < 0) {
    failUpdate();
    return -1;
  }
  return 0;
}

int TextDB::copyFile(const std::string& from, const std::string& to) {
  File in;
  File out;
  if (in.open(from.c_str(), filemode::kRead | filemode::kDenyNone) < 0) return -1;
  if (out.open(to.c_str(), filemode::kRead | filemode::kWrite | filemode::kCreate |
                               filemode::kTruncate | filemode::kFresh) < 0)
    return -1;
  std::vector<char> buffer(64 * 1024);
  int32_t left = in.getLength();
  while (left > 0) {
    int32_t n = std::min<int32_t>(left, static_cast<int32_t>(buffer.size()));
    if (in.read(buffer.data(), n) != n || out.write(buffer.data(), n) != n) return -1;
    left -= n;
  }
  return out.commit();
}

int TextDB::syncFile(const std::string& name) {
  if (!platform::fileExists(name.c_str())) return 0;
  File f;
  if (f.open(name.c_str(), filemode::kRead | filemode::kWrite | filemode::kShareRead |
                               filemode::kShareWrite) < 0 ||
      f.commit() < 0)
    return LXR_FAIL("TextDB::syncFile");
  return 0;
}

int TextDB::openDictionary(int mode) {
  long n = header_.pendingDictionary;
  std::string current = fileName(kKeyFile);
  bool write = (mode & filemode::kWrite) != 0;
  std::string name = current;
  if (write && (mode & filemode::kDenyNone)) {
    // Searchers keep using the current dictionary; the update works on a copy that the
    // header names once the update is complete.
    long copy = n + 1;
    std::string copyName = dictionaryName(copy);
    platform::removeFile(copyName.c_str());  // a left-over of an update that never finished
    JournalEntry e;
    e.kind = JournalEntry::kLength;
    e.name = copyName.substr(folder_.size() + 1);
    e.length = -1;
    if (journal_.isArmed() && journal_.append(e) < 0) {
      failUpdate();
      return -1;
    }
    if (copyFile(current, copyName) < 0) {
      failUpdate();
      return LXR_FAIL("TextDB::openDictionary copy");
    }
    newDictionary_ = copy;
    name = copyName;
  } else if (write) {
    if (saveWholeFile(kKeyFile) < 0) return -1;
  }
  if (!write && !platform::fileExists(name.c_str())) {
    // A writer finished meanwhile and retired the copy this header named: the header now
    // names a newer one (the other files only grow, so they agree with it).
    std::string reason;
    int problem = 0;
    if (readHeaderFile(&reason, &problem) == 0) name = current = fileName(kKeyFile);
  }
  if (keys_.open(name.c_str(), mode) < 0) {
    if (name != current) newDictionary_ = 0;
    return -1;
  }
  keys_.setCount(kWordKind, header_.wordCount);
  keys_.setCount(kNameKind, header_.documentCount);
  return 0;
}

int TextDB::openFile(uint32_t type, int mode) {
  // The lock file alone decides who may use the index; the files themselves always let
  // readers in, and the recovery record reads what a writer is about to overwrite.
  if (mode & filemode::kWrite) mode |= filemode::kShareRead;
  switch (type) {
    case kHeaderFile:
      return 0;  // read by the lock
    case kDocFile:
      if (docs_.open(fileName(kDocFile).c_str(), mode, true) < 0) return -1;
      docStartRecords_ = docs_.getRecordCount();
      // A reader looks records up in any order: through a map, each costs no system call.
      if (!(mode & filemode::kWrite)) docs_.mapWhole();
      return 0;
    case kKeyFile:
      return openDictionary(mode);
    case kRefFile:
      if (refs_.open(fileName(kRefFile).c_str(), mode) < 0) return -1;
      if (!(mode & filemode::kWrite)) refs_.mapWhole();  // reference lists without a read each
      return 0;
    case kNoiseFile: {
      noiseText_.clear();
      std::string name = fileName(kNoiseFile);
      if (!platform::fileExists(name.c_str())) return 0;
      return wholefile::read(name, &noiseText_, kMaxFilterFileBytes);
    }
    case kReservedFile:
      return 0;
    default:
      return -1;
  }
}

int TextDB::open(int mode, uint32_t types) {
  if (types < kMinOpenTypes) {
    trace::line("ERROR TextDB::open(flags < 16)");
    return -1;
  }
  bool write = (mode & filemode::kWrite) != 0;
  if (!write) mode |= filemode::kDenyNone;
  if (!lock_ || (write && !writing_)) {
    if (lockIndex(mode) < 0) return -1;
  }
  if (write && !journal_.isArmed()) {
    if (armJournal() < 0) {
      const int err = platform::lastError();
      std::string cause = platform::takeFileFailure();
      if (cause.empty()) cause = platform::errorText(err);
      setStatus(Status::Kind::kIoError,
                messages::text(1, {folder_, "(the recovery record cannot be written: " + cause + ")"}), err);
      return -1;
    }
  }
  mode_ = mode;
  int rc = 0;
  for (uint32_t type : {kHeaderFile, kDocFile, kKeyFile, kRefFile, kNoiseFile, kReservedFile}) {
    if (!(types & type)) continue;
    std::string name = fileName(type);
    if (openTypes_ & type) {
      trace::line("Already open");
      continue;
    }
    trace::line("TextDB::openFile -- %s", name.c_str());
    if (openFile(type, mode) == 0) {
      openTypes_ |= type;
      trace::line("TextDB::openFile succeeded: %s", name.c_str());
    } else {
      trace::line("TextDB::openFile failed: %s", name.c_str());
      if (status_.isOk()) {
        const int err = platform::lastError();
        setStatus(err == platform::kErrFileNotFound ? Status::Kind::kDamaged : Status::Kind::kIoError,
                  messages::text(1, {folder_, "(" + name + ": " + platform::errorText(err) + ")"}), err);
      }
      rc = -1;
    }
  }
  return rc;
}

int TextDB::close(uint32_t types) {
  int rc = 0;
  bool commit = (types & kHeaderFile) && writing_ && journal_.isArmed();
  if (commit) types |= kOpenableTypes;
  if ((types & kDocFile) && (openTypes_ & kDocFile)) {
    if (docs_.close() < 0) rc = -1;
    openTypes_ &= ~kDocFile;
  }
  if ((types & kKeyFile) && (openTypes_ & kKeyFile)) {
    header_.wordCount = keys_.getCount(kWordKind);
    if (keys_.close() < 0) rc = -1;
    openTypes_ &= ~kKeyFile;
  }
  if ((types & kRefFile) && (openTypes_ & kRefFile)) {
    if (refs_.close() < 0) rc = -1;
    openTypes_ &= ~kRefFile;
  }
  if ((types & kNoiseFile) && (openTypes_ & kNoiseFile)) {
    noiseText_.clear();
    openTypes_ &= ~kNoiseFile;
  }
  openTypes_ &= ~(types & (kReservedFile | kHeaderFile));
  if (rc < 0) failUpdate();
  if (commit && commitUpdate() < 0) rc = -1;
  return rc;
}

int TextDB::commitUpdate() {
  if (updateFailed_) {
    rollBackUpdate();
    return -1;
  }
  // Everything the header is about to describe goes to the disk first.
  int rc = 0;
  for (uint32_t type : {kDocFile, kDocIndexFile, kRefFile, kKeyFile})
    if (syncFile(fileName(type)) < 0) rc = -1;
  if (rc == 0) {
    if (newDictionary_ > 0) header_.pendingDictionary = static_cast<int32_t>(newDictionary_);
    header_.inUse = 0;
    if (writeHeader() < 0 ||
        indexoptions::writeFile(fileName(kOptionsFile), header_) < 0 || writeChecksums() < 0)
      rc = -1;
  }
  if (rc < 0) {
    updateFailed_ = true;
    rollBackUpdate();
    return -1;
  }
  newDictionary_ = 0;
  if (journal_.finish() < 0) return -1;  // the update stays recoverable: next writer undoes it
  return 0;
}

int TextDB::rollBackUpdate() {
  trace::line("TextDB: rolling back the update of %s", folder_.c_str());
  journal_.abandon();
  newDictionary_ = 0;
  std::string reason;
  if (IndexJournal::restore(folder_, bareName(kJournalFile), &reason) < 0) {
    setStatus(Status::Kind::kIoError, messages::text(1, {folder_, "(" + reason + ")"}));
    return -1;
  }
  updateFailed_ = false;
  int problem = 0;
  if (readHeaderFile(&reason, &problem) == 0) settleAfterRead();
  return 0;
}

int TextDB::unlock() {
  int rc = 0;
  if (writing_ && journal_.isArmed()) rc = close(kAllTypes);
  releaseLock();
  return rc;
}

bool TextDB::isLocked() const {
  File probe;
  if (probe.open(fileName(kLockFile).c_str(), filemode::kRead | filemode::kWrite |
                                                  filemode::kShareRead |
                                                  filemode::kShareWrite) == 0) {
    probe.release();
    return false;
  }
  return platform::lastError() == platform::kErrAccessDenied;
}

int64_t TextDB::indexBytes() const {
  int64_t total = 0;
  for (uint32_t type : {kHeaderFile, kKeyFile, kRefFile, kDocFile, kDocIndexFile, kNoiseFile,
                        kFoldersFile, kFiltersFile}) {
    int64_t n = platform::fileSizeByName(fileName(type).c_str());
    if (n > 0) total += n;
  }
  return total;
}

int64_t TextDB::countWords() {
  if (!(openTypes_ & kDocFile)) return -1;
  int64_t total = 0;
  DocInfo doc;
  for (int32_t id = 1; id <= header_.documentCount && id < docs_.getRecordCount(); ++id) {
    if (doc.read(*this, id, false) < 0 || doc.cancelled) continue;
    total += doc.wordCount;
  }
  return total;
}

int TextDB::readFilters(StringSet* include, StringSet* exclude, StringSet* folders) {
  if (include) include->clear();
  if (exclude) exclude->clear();
  if (folders) folders->clear();
  std::string data;
  std::string name = fileName(kFiltersFile);
  if (platform::fileExists(name.c_str())) {
    if (wholefile::read(name, &data, kMaxFilterFileBytes) < 0) return LXR_FAIL("readFilters S");
    for (const std::string& line : splitLines(data)) {
      if (line.size() < 2 || line[1] != ' ') continue;
      if (line[0] == 'I' || line[0] == 'i') addPatterns(line.substr(2), include);
      if (line[0] == 'E' || line[0] == 'e') addPatterns(line.substr(2), exclude);
    }
  }
  name = fileName(kFoldersFile);
  if (platform::fileExists(name.c_str())) {
    if (wholefile::read(name, &data, kMaxFilterFileBytes) < 0) return LXR_FAIL("readFilters L");
    for (const std::string& line : splitLines(data))
      if (!line.empty() && folders) folders->add(line.substr(0, kMaxListedFolderBytes));
  }
  return 0;
}

int TextDB::writeFilters(const StringSet* include, const StringSet* exclude,
                         const StringSet* folders) {
  if (include || exclude) {
    if (saveWholeFile(kFiltersFile) < 0) return -1;
    std::string text;
    if (include && include->count() > 0) text += "I " + include->join(" ") + "\r\n";
    if (exclude && exclude->count() > 0) text += "E " + exclude->join(" ") + "\r\n";
    if (wholefile::write(fileName(kFiltersFile), text) < 0) {
      failUpdate();
      return LXR_FAIL("writeFilters S");
    }
  }
  if (folders) {
    if (saveWholeFile(kFoldersFile) < 0) return -1;
    std::string text;
    for (int i = 0; i < folders->count(); ++i) text += std::string(folders->at(i)) + "\r\n";
    if (wholefile::write(fileName(kFoldersFile), text) < 0) {
      failUpdate();
      return LXR_FAIL("writeFilters L");
    }
  }
  return 0;
}

int TextDB::cleanUpDictionaries() {
  bool tookLock = false;
  bool ownUpdate = false;
  if (!writing_) {
    if (lock_) return LXR_FAIL("cleanUpDictionaries: held for reading");
    if (lockIndex(filemode::kRead | filemode::kWrite | filemode::kDenyNone) < 0) return -1;
    tookLock = true;
  } else if (!journal_.isArmed()) {
    // After a commit: the header change below is an update of its own, so that the
    // checksum file changes with it.
    if (armJournal() < 0) return LXR_FAIL("cleanUpDictionaries: recovery record");
    ownUpdate = true;
  }
  long pending = header_.pendingDictionary;
  removeUnusedCopies(folder_, pending, newDictionary_);
  int rc = 0;
  std::string pendingName = dictionaryName(pending);
  if (pending > 0 && platform::fileExists(pendingName.c_str())) {
    std::string main = dictionaryName(0);
    bool free = !platform::fileExists(main.c_str()) ||
                (unused(main) && platform::removeFile(main.c_str()) == 0);
    if (free) {
      if (platform::renameFile(pendingName.c_str(), main.c_str()) < 0) {
        rc = LXR_FAIL("cleanUpDictionaries rename");
      } else {
        header_.pendingDictionary = 0;
        if (writeHeader() < 0) rc = -1;
      }
    }
  }
  if (ownUpdate && commitUpdate() < 0) rc = -1;
  if (tookLock && unlock() < 0) rc = -1;
  return rc;
}

int TextDB::dropUnusedDictionaries() {
  if (!writing_) return LXR_FAIL("dropUnusedDictionaries: not writing");
  removeStaleDictionaries(folder_, header_.pendingDictionary, newDictionary_);
  return 0;
}

void TextDB::removeStaleDictionaries(const std::string& folder, long pending, long keep) {
  removeUnusedCopies(folder, pending, keep);
  // With a copy pending, INDEX_K.IX is an older dictionary: the header names the copy.
  std::string main = join(folder, bareName(kKeyFile));
  if (pending > 0 && platform::fileExists(main.c_str()) && unused(main)) platform::removeFile(main.c_str());
}

int TextDB::deleteIndex(const std::string& folder, bool keepSettings, Status* status) {
  TextDB db;
  if (db.setDirectory(folder) < 0) {
    if (status) *status = Status::misuse("The index folder " + folder + " is too long");
    return -1;
  }
  if (db.isLocked()) {
    if (status) *status = Status::busy(messages::text(kInUseMessage, {folder}));
    return -1;
  }
  auto remove = [&db](uint32_t type) {
    std::string name = db.fileName(type);
    if (!name.empty()) platform::removeFile(name.c_str());
  };
  for (uint32_t type : {kHeaderFile, kKeyFile, kRefFile, kDocFile, kDocIndexFile, kJournalFile,
                        kNoiseFile, kLockFile, kCancelFile, kMergeFile, kToIndexFile,
                        kFileListFile, kOptionsFile, kChecksumFile})
    remove(type);
  // Dictionary copies belong to the dictionary.
  std::vector<platform::DirEntry> entries;
  platform::listDirectory(db.folder_.c_str(), &entries);
  for (const platform::DirEntry& e : entries)
    if (!e.isDirectory && keyCopyNumber(e.name) >= 0)
      platform::removeFile(join(db.folder_, e.name).c_str());
  for (const char* name : {kLogName, kOldLogName, kWatcherName}) platform::removeFile(join(db.folder_, name).c_str());
  platform::removeFile(join(db.folder_, kHistoryName).c_str());
  platform::removeFile(join(db.folder_, FailedDocs::kFileName).c_str());
  for (uint32_t type : {kFFile, kPFile, kReservedFile, kMFile}) remove(type);
  if (!keepSettings) {
    remove(kFoldersFile);
    remove(kFiltersFile);
  }
  std::string work = join(db.folder_, kWorkFolder);
  if (platform::directoryExists(work.c_str())) deleteIndex(work, false);
  if (!keepSettings) platform::removeDirectory(db.folder_.c_str());
  return 0;
}

// MergeFile: MERGE.TMP and the track writer. The merge itself, with the checks it makes on
// the tracks it reads back, is in index/Ix_merge.cpp.
#include "index/MergeFile.h"

#include <algorithm>
#include <cstring>

#include "index/TextDB.h"
#include "io/FileMode.h"
#include "io/InputFile.h"
#include "objects/Trace.h"
#include "platform/Platform.h"

using namespace mergeformat;

MergeFile::MergeFile(TextDB& db, const std::string& tempFolder, IndexProgress* progress,
                     const MergeSwitches& switches)
    : db_(db), progress_(progress), switches_(switches), mergeWord_(kMaxTracks) {
  name_ = tempFolder.empty() ? std::string(kFileName) : tempFolder + "/" + kFileName;
}

MergeFile::~MergeFile() {
  if (out_.isOpen() && close() < 0) trace::line("ERROR MergeFile -- close failed");
}

int MergeFile::fail(const char* what) {
  trace::line("ERROR MergeFile -- %s", what);
  return -1;
}

int MergeFile::open(int64_t maxMergeBytes) {
  if (out_.isOpen()) return fail("already open");
  size_t slash = name_.rfind('/');
  std::string folder = slash == std::string::npos ? "." : name_.substr(0, slash);
  int64_t freeBytes = platform::freeDiskSpace(folder.empty() ? "/" : folder.c_str());
  int64_t len = freeBytes / 2;
  if (len < kMinMaxLen) {
    trace::line("MergeFile: too little free disk space for %s: %lld bytes", name_.c_str(),
                static_cast<long long>(freeBytes));
    return -1;
  }
  len = std::min(len, maxMergeBytes > 0 ? maxMergeBytes : kDefaultMaxLen);
  // Offsets in the file are 32-bit.
  len = std::min<int64_t>(len, INT32_MAX - 65536);
  trace::line("MergeFile: maxLen = %lld", static_cast<long long>(len));
  int mode = filemode::kRead | filemode::kWrite | filemode::kCreate | filemode::kTruncate | filemode::kFresh;
  if (out_.open(name_.c_str(), mode) < 0) {
    int err = platform::lastError();
    trace::line("Error opening merge file %s", name_.c_str());
    trace::line("Errno = %d", err);
    platform::setLastError(err);
    return -1;
  }
  maxLen_ = len;
  trackCount_ = 0;
  full_ = false;
  inTrack_ = inWord_ = false;
  return 0;
}

int MergeFile::close() {
  if (!out_.isOpen()) return 0;
  closeReaders();
  int rc = out_.close();
  platform::removeFile(name_.c_str());
  trackCount_ = 0;
  return rc;
}

int64_t MergeFile::fileBytes() const { return out_.isOpen() ? out_.getLength() : 0; }

int64_t MergeFile::roomLeft() const { return maxLen_ - fileBytes(); }

int MergeFile::beginTrack() {
  if (!out_.isOpen()) return fail("beginTrack on a closed file");
  if (trackCount_ >= kMaxTracks) return fail("too many tracks");
  if (out_.seek(out_.getLength()) < 0) return -1;
  trackStart_[trackCount_] = out_.tell();
  lastWord_.clear();
  inTrack_ = true;
  inWord_ = false;
  pendingId_ = 0;
  groupLastId_ = 0;
  pending_.clear();
  trackRecords_.clear();
  return 0;
}

int MergeFile::startRecord(const char* text, int length) {
  static const char zeros[kCountsBytes] = {};
  if (out_.writeShort(static_cast<int16_t>(length)) < 0) return -1;
  if (out_.write(text, length) < 0) return -1;
  countsPos_ = out_.tell();
  if (out_.write(zeros, kCountsBytes) < 0) return -1;
  refStart_ = out_.tell();
  if (writer_.position(refStart_) < 0) return -1;
  citeCount_ = 0;
  docIdCount_ = 0;
  groupLastId_ = 0;
  recordHighest_ = recordLowest_ = 0;
  inWord_ = true;
  return 0;
}

int MergeFile::word(const char* text, int length) {
  if (!inTrack_ || text == nullptr) return fail("word outside a track");
  if (length < 1 || length > kMaxIndexWordLen) return fail("word length out of range");
  if (finishWord() < 0) return -1;
  if (startRecord(text, length) < 0) return -1;
  lastWord_.assign(text, static_cast<size_t>(length));
  ++wordsWritten_;
  return 0;
}

int MergeFile::writePending() {
  if (pendingId_ == 0) return 0;
  // Ids fall within a group; one that does not starts a group of its own.
  if (groupLastId_ != 0 && pendingId_ >= groupLastId_ && writer_.endGroup() < 0) return -1;
  int rc = writer_.putId(pendingId_);
  if (rc == 0) rc = writer_.putCites(pending_);
  groupLastId_ = pendingId_;
  pendingId_ = 0;
  pending_.clear();
  return rc;
}

int MergeFile::finishWord() {
  if (!inWord_) return 0;
  inWord_ = false;
  if (writePending() < 0) return -1;
  if (writer_.endGroup() < 0) return -1;
  int32_t end = out_.tell();
  int32_t refLen = end - refStart_;
  if (refLen <= 0 || refLen >= kCountLimit) return fail("word record out of range");
  if (out_.seek(countsPos_) < 0 || out_.writeLong(refLen) < 0 ||
      out_.writeLong(citeCount_) < 0 || out_.writeLong(docIdCount_) < 0 || out_.seek(end) < 0)
    return -1;
  noteRecordDocs();
  return 0;
}

void MergeFile::noteRecordDocs() {
  if (trackCount_ < kMaxTracks) trackRecords_.emplace_back(recordHighest_, recordLowest_);
}

void MergeFile::noteTrackDocs() {
  TrackDocs& docs = trackDocs_[trackCount_];
  docs = TrackDocs();
  for (const auto& [highest, lowest] : trackRecords_) {
    if (docs.highest == 0 || highest > docs.highest) docs.highest = highest;
    if (docs.lowest == 0 || lowest < docs.lowest) docs.lowest = lowest;
  }
  docs.holds.assign((trackRecords_.size() + 3) / 4, 0);
  for (size_t i = 0; i < trackRecords_.size(); ++i) {
    uint8_t bits = 0;
    if (trackRecords_[i].second == docs.lowest) bits |= kHoldsLowest;
    if (trackRecords_[i].first == docs.highest) bits |= kHoldsHighest;
    docs.holds[i / 4] = static_cast<uint8_t>(docs.holds[i / 4] | bits << (2 * (i % 4)));
  }
  trackRecords_.clear();
}

int MergeFile::document(int32_t id) {
  if (!inWord_) return fail("document outside a word");
  if (id < 1) return fail("document id below 1");
  if (writePending() < 0) return -1;
  pendingId_ = id;
  if (docIdCount_++ == 0) recordHighest_ = id;
  recordLowest_ = id;
  return 0;
}

int MergeFile::wordNumber(int32_t n) {
  if (!inWord_ || pendingId_ == 0) return fail("word number outside a document");
  if (n < 1) return fail("word number below 1");
  if (citeCount_ >= kMaxCitesPerRecord) {
    // Keep the record's counts inside their limits: go on in a new record of the same word.
    int32_t id = pendingId_;
    if (finishWord() < 0 || startRecord(lastWord_.data(), static_cast<int>(lastWord_.size())) < 0)
      return -1;
    pendingId_ = id;
    docIdCount_ = 1;
    recordHighest_ = recordLowest_ = id;
  }
  if (pending_.add(n) < 0) return -1;
  ++citeCount_;
  return 0;
}

int MergeFile::add(const char* text, int length, int32_t doc, int32_t n) {
  if (!inWord_ || length != static_cast<int>(lastWord_.size()) ||
      std::memcmp(text, lastWord_.data(), static_cast<size_t>(length)) != 0) {
    if (word(text, length) < 0) return -1;
  }
  if (doc != pendingId_ && document(doc) < 0) return -1;
  return wordNumber(n);
}

int MergeFile::endTrack() {
  if (!inTrack_) return fail("endTrack outside a track");
  inTrack_ = false;
  if (finishWord() < 0) return -1;
  static const char zeros[kPadAlign] = {};
  int32_t pad = kPadAlign - out_.tell() % kPadAlign;  // a full 16 when already aligned
  if (out_.write(zeros, pad) < 0) return -1;
  if (out_.write(kEndMarker, kEndMarkerBytes) < 0) return -1;
  noteTrackDocs();
  ++trackCount_;
  if (trackCount_ + 1 >= kFullTracks) full_ = true;
  if (progress_) {
    progress_->mergeRoomBytes = static_cast<int32_t>(std::max<int64_t>(roomLeft(), 0));
    progress_->mergeFileBytes = static_cast<int32_t>(fileBytes());
  }
  return 0;
}

void MergeFile::closeReaders() {
  for (InputFile*& f : trackFile_) {
    if (f) {
      f->close();
      delete f;
      f = nullptr;
    }
  }
  queue_.clear();
}

int MergeFile::reset() {
  closeReaders();
  for (TrackDocs& docs : trackDocs_) docs = TrackDocs();
  trackCount_ = 0;
  full_ = false;
  inTrack_ = inWord_ = false;
  pendingId_ = 0;
  pending_.clear();
  lastWord_.clear();
  if (!out_.isOpen()) return 0;
  // A track abandoned half-way may leave bits in the writer: hand them over first, so the
  // cut below removes them too.
  int rc = writer_.position(0);
  if (out_.setLength(0) < 0) rc = -1;
  return rc;
}

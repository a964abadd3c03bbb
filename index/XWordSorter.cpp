// XWordSorter: the reference buffer carved last-in first-out, the ordered word table in it,
// and storing the table as a track of MERGE.TMP.
#include "index/XWordSorter.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>

#include "index/TextDB.h"
#include "objects/ErrorLog.h"
#include "objects/Trace.h"
#include "platform/Platform.h"

namespace {

constexpr size_t kAlign = alignof(std::max_align_t);
// Room a table node may take; the table counts as full when less is left.
constexpr size_t kTableNodeReserve = 128;
constexpr int kMaxWordBytes = mergeformat::kMaxIndexWordLen;
constexpr int32_t kPhaseStoring = 5;

size_t roundUp(size_t n) { return (n + kAlign - 1) & ~(kAlign - 1); }

void logError(const std::string& line) {
  trace::text(line);
  errorlog::append(line);
}

}  // namespace

template <typename T>
T* XWordSorter::RegionAllocator<T>::allocate(size_t n) {
  size_t bytes = roundUp(n * sizeof(T));
  // add() keeps kTableNodeReserve bytes free before every insert, so this always fits.
  if (region->used + bytes > region->bytes) std::abort();
  T* p = reinterpret_cast<T*>(region->base + region->used);
  region->used += bytes;
  return p;
}

XWordSorter::XWordSorter(TextDB& db, IndexProgress* progress, int32_t reserve,
                         const std::string& tempFolder, int64_t maxMergeBytes,
                         const MergeSwitches& switches)
    : db_(db), progress_(progress), merge_(db, tempFolder, progress, switches) {
  if (merge_.open(maxMergeBytes) < 0) {
    const int err = platform::lastError();
    if (err != 0)
      mergeFailure_ = tempFolder + "/" + mergeformat::kFileName + " (" + platform::errorText(err) + ")";
    logError("ERROR Unable to open temp file " + tempFolder + "/" + mergeformat::kFileName);
    return;
  }
  int64_t size = std::min<int64_t>(int64_t{kBufferCeiling} - reserve, kMaxBufferBytes);
  if (size < kMinBufferBytes) {
    logError("ERROR XWordSorter not good.  size = " + std::to_string(size));
    return;
  }
  buffer_.reset(new (std::nothrow) char[static_cast<size_t>(size)]);
  if (!buffer_) {
    logError("ERROR XWordSorter allocBuffer failed");
    return;
  }
  bufferBytes_ = static_cast<int32_t>(size);
  // The table's nodes take half of the buffer. A map node here costs about 48 bytes; with
  // the classic share (a fifth, at most 64000 bytes) a table would hold only some 1300
  // words, so tracks would be tiny, documents split over many of them, and the index both
  // slower to build and larger.
  size_t tableBytes = static_cast<size_t>(size) / 2;
  tableBytes &= ~(kAlign - 1);
  region_.base = buffer_.get();
  region_.bytes = tableBytes;
  carveStart_ = tableBytes;
  emptyTable();
  if (progress_) progress_->sorterBufferBytes = bufferBytes_;
  good_ = true;
}

XWordSorter::~XWordSorter() { table_.reset(); }

void* XWordSorter::carve(size_t bytes) {
  bytes = roundUp(bytes);
  if (carveTop_ + bytes > static_cast<size_t>(bufferBytes_)) return nullptr;
  void* p = buffer_.get() + carveTop_;
  carveTop_ += bytes;
  return p;
}

void XWordSorter::giveBack(void* p, size_t bytes) {
  // Only the most recent piece can go back.
  bytes = roundUp(bytes);
  if (static_cast<char*>(p) + bytes == buffer_.get() + carveTop_) carveTop_ -= bytes;
}

void XWordSorter::emptyTable() {
  table_.reset();
  region_.used = 0;
  table_.emplace(std::less<>(), Table::allocator_type(&region_));
  carveTop_ = carveStart_;
  wordCount_ = 0;
}

bool XWordSorter::tableFull() const {
  // Full when the next reference might not fit: a new word of the longest length with one
  // document and one position, and a table node.
  size_t worst = roundUp(offsetof(WordEntry, text) + kMaxWordBytes + 1) + roundUp(sizeof(DocNode)) +
                 roundUp(sizeof(PosNode));
  return carveTop_ + worst > static_cast<size_t>(bufferBytes_) ||
         region_.used + kTableNodeReserve > region_.bytes;
}

int XWordSorter::add(const char* word, int length, int32_t docId, int32_t wordNumber,
                     const IndexJobControl* job) {
  if (!good_ || word == nullptr || length < 1 || length > kMaxWordBytes || docId < 1 ||
      wordNumber < 1)
    return -1;
  if (tableFull() && storeTrack(job) < 0) return -1;

  size_t entryBytes = offsetof(WordEntry, text) + static_cast<size_t>(length) + 1;
  auto* entry = static_cast<WordEntry*>(carve(entryBytes));
  entry->length = static_cast<uint16_t>(length);
  entry->docs = nullptr;
  std::memcpy(entry->text, word, static_cast<size_t>(length));
  entry->text[length] = '\0';
  std::string_view key(entry->text, static_cast<size_t>(length));

  // One walk of the table both finds the word and, for a new one, places it.
  auto it = table_->lower_bound(key);
  if (it != table_->end() && it->first == key) {
    giveBack(entry, entryBytes);
    WordEntry* found = it->second;
    DocNode* doc = found->docs;
    if (doc == nullptr || doc->docId != docId) {
      auto* d = static_cast<DocNode*>(carve(sizeof(DocNode)));
      auto* p = static_cast<PosNode*>(carve(sizeof(PosNode)));
      *p = PosNode{wordNumber, nullptr};
      *d = DocNode{docId, p, found->docs};
      found->docs = d;
    } else if (doc->positions->wordNumber < wordNumber) {
      auto* p = static_cast<PosNode*>(carve(sizeof(PosNode)));
      *p = PosNode{wordNumber, doc->positions};
      doc->positions = p;
    }
  } else {
    auto* d = static_cast<DocNode*>(carve(sizeof(DocNode)));
    auto* p = static_cast<PosNode*>(carve(sizeof(PosNode)));
    *p = PosNode{wordNumber, nullptr};
    *d = DocNode{docId, p, nullptr};
    entry->docs = d;
    table_->emplace_hint(it, key, entry);
    ++wordCount_;
  }
  if (tableFull()) return storeTrack(job);
  return 0;
}

int XWordSorter::writeTrack() {
  if (merge_.beginTrack() < 0) return -1;
  for (const auto& [key, entry] : *table_) {
    if (merge_.word(entry->text, entry->length) < 0) return -1;
    for (DocNode* d = entry->docs; d; d = d->next) {
      if (merge_.document(d->docId) < 0) return -1;
      for (PosNode* p = d->positions; p; p = p->next)
        if (merge_.wordNumber(p->wordNumber) < 0) return -1;
    }
  }
  return merge_.endTrack();
}

int XWordSorter::storeTrack(const IndexJobControl* job) {
  int rc = 0;
  if (!(job && job->cancel() == kCancelImmediate) && wordCount_ > 0) {
    int32_t savedPhase = progress_ ? progress_->phase : 0;
    auto report = [&](int32_t code) {
      if (!progress_) return;
      progress_->statusCode = code;
      if (job) job->send(*progress_);
    };
    if (progress_) progress_->phase = kPhaseStoring;
    report(progresscode::kSortBegin);
    rc = writeTrack();
    report(progresscode::kSortEnd);
    if (progress_) progress_->phase = savedPhase;
  }
  emptyTable();
  if (merge_.full() || merge_.roomLeft() < 2 * int64_t{bufferBytes_}) mergeNeeded_ = true;
  if (progress_) {
    progress_->mergeRoomBytes = static_cast<int32_t>(std::max<int64_t>(merge_.roomLeft(), 0));
    progress_->mergeFileBytes = static_cast<int32_t>(merge_.fileBytes());
  }
  if (rc < 0) {
    // The table's references are gone: the update must not be kept without them.
    trace::line("ERROR XWordSorter -- storing a track failed");
    db_.failUpdate();
  }
  return rc;
}

int XWordSorter::flushAndMerge(const IndexJobControl* job) {
  if (!good_) return -1;
  mergeNeeded_ = false;
  if (job && job->cancel() == kCancelImmediate) {
    emptyTable();
    merge_.reset();
    return -1;
  }
  if (storeTrack(job) < 0) {
    merge_.reset();
    return -1;
  }
  int rc = merge_.merge(job);
  emptyTable();
  if (rc == 0) ++db_.header().writeCount;
  return rc;
}

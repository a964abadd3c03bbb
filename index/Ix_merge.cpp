// The merge of MERGE.TMP's tracks into the index: reading the tracks back with the checks
// that guard against a damaged temporary file, copying each word's references to the end
// of INDEX_R.IX and updating the word's dictionary entry. The check reporter names this
// file "index/Ix_merge"; the condition texts are fixed and must not be reworded.
#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_set>

#include "index/IndexFormat.h"
#include "index/MergeFile.h"
#include "index/TextDB.h"
#include "io/InputFile.h"
#include "objects/ByteCodec.h"
#include "objects/Check.h"
#include "objects/Trace.h"
#include "platform/Platform.h"

using namespace mergeformat;

namespace {

constexpr int kTrackBufferBytes = 4096;
// Words of one document carried from a merge to the next; a document with more distinct
// words than this, split over two merges, may count once too often for the rest.
constexpr size_t kMaxCarriedWords = 65536;

int32_t addCapped(int32_t a, int32_t b) {
  int64_t s = static_cast<int64_t>(a) + b;
  return s > INT32_MAX ? INT32_MAX : static_cast<int32_t>(s);
}

}  // namespace

// True when track a's word comes out before track b's: smaller word first, and for equal
// words the higher (more recent) track first.
bool MergeFile::queueBefore(int a, int b) const {
  int c = std::strcmp(mergeWord_[static_cast<size_t>(a)].word, mergeWord_[static_cast<size_t>(b)].word);
  if (c != 0) return c < 0;
  return a > b;
}

void MergeFile::report(const IndexJobControl* job, int32_t code) {
  if (!progress_) return;
  progress_->statusCode = code;
  if (job) job->send(*progress_);
}

int MergeFile::getWord(int track) {
  bool* trackEmpty = trackEmpty_;
  InputFile** trackFile = trackFile_;
  MergeWord* mergeWord = mergeWord_.data();
  const size_t maxIndexWordLen = kMaxIndexWordLen;
  if (!LXR_CHECK(!trackEmpty[track])) return -1;
  InputFile& in = *trackFile[track];
  uint8_t lengthBytes[kLengthBytes];
  if (in.read(lengthBytes, kLengthBytes) != kLengthBytes) return fail("track ends early");
  size_t l = bytecodec::loadU16(lengthBytes);
  if (l == 0) {
    trackEmpty[track] = true;
    return 0;
  }
  if (!LXR_CHECK((l > 0) && (l <= maxIndexWordLen))) return -1;
  if (!LXR_CHECK(l < sizeof mergeWord[track].word)) return -1;
  MergeWord& m = mergeWord[track];
  if (in.read(m.word, static_cast<int32_t>(l)) != static_cast<int32_t>(l)) return fail("track ends early");
  m.word[l] = '\0';
  m.length = static_cast<int>(l);
  m.refLen = in.readLong();
  m.citeCount = in.readLong();
  m.docIdCount = in.readLong();
  if (in.atEnd()) return fail("track ends early");
  if (!LXR_CHECK(m.refLen > 0)) return -1;
  if (!LXR_CHECK(m.refLen < 1000000L)) return -1;
  if (!LXR_CHECK(m.citeCount > 0)) return -1;
  if (!LXR_CHECK(m.citeCount < 1000000L)) return -1;
  if (!LXR_CHECK(m.docIdCount > 0)) return -1;
  if (!LXR_CHECK(m.citeCount >= m.docIdCount)) return -1;
  m.holds = recordHolds(track);
  queue_.push_back(track);
  std::push_heap(queue_.begin(), queue_.end(), [this](int a, int b) { return queueBefore(b, a); });

  ++wordsMerged_;
  if (wordsMerged_ % kProgressEvery == 0) {
    int32_t percent = wordsWritten_ > 0
                          ? static_cast<int32_t>(std::min<int64_t>(100, int64_t{wordsMerged_} * 100 / wordsWritten_))
                          : 0;
    if (progress_) {
      progress_->wordListBytes = static_cast<int32_t>(
          std::max<int64_t>(0, platform::fileSizeByName(db_.keys().name().c_str())));
      progress_->percentDone = percent;
    }
    report(currentJob_, progresscode::kMerging);
    trace::line("Merging word: %s Merged: %ld To Merge: %ld Percent Done: %ld", m.word,
                static_cast<long>(wordsMerged_), static_cast<long>(wordsWritten_),
                static_cast<long>(percent));
  }
  return 0;
}

uint8_t MergeFile::recordHolds(int track) {
  TrackDocs& docs = trackDocs_[track];
  int32_t i = docs.nextRecord++;
  if (static_cast<size_t>(i / 4) >= docs.holds.size()) return 0;
  return static_cast<uint8_t>(docs.holds[static_cast<size_t>(i / 4)] >> (2 * (i % 4)) & 3);
}

int MergeFile::writeRefsToIndex(int track) {
  InputFile** trackFile = trackFile_;
  if (!LXR_CHECK(trackFile[track] != NULL)) return -1;
  const MergeWord& m = mergeWord_[static_cast<size_t>(track)];
  const char* label = switches_.copyTrace ? m.word : nullptr;
  if (switches_.noRefs) return trackFile[track]->seek(trackFile[track]->tell() + m.refLen);
  return db_.refFile().copyBlock(*trackFile[track], m.refLen, false, label);
}

int MergeFile::writeWordToIndex(const char* word, int32_t blockPos, int32_t citeCount,
                                int32_t docIdCount, int32_t* oldPos) {
  if (!LXR_CHECK(word[0])) return -1;
  *oldPos = 0;
  if (switches_.noWords) return 0;
  KeyFile& keys = db_.keys();
  TrieValue old;
  TrieValue value;
  value.v[0] = blockPos;
  value.v[1] = citeCount;
  value.v[2] = docIdCount;
  const int found = keys.find(indexformat::kWordKind, word, &old);
  // A lookup that failed on a page is no answer: taking the word for a new one would cut it
  // off from its earlier references.
  if (found < 0 && keys.failed()) return -1;
  if (found == 0 && old.v[0] >= 1) {
    value.v[1] = addCapped(old.v[1], citeCount);
    value.v[2] = addCapped(old.v[2], docIdCount);
    *oldPos = old.v[0];
  } else if (docIdCount < 1) {
    value.v[2] = 1;  // a new word is in one document at least
  }
  return keys.insert(indexformat::kWordKind, word, value);
}

int MergeFile::merge(const IndexJobControl* job) {
  trace::line("Merge...");
  trace::line("Start of Merge");
  trace::line("MergeFile::merge");
  currentJob_ = job;
  if (inTrack_ && endTrack() < 0) return failMerge();
  if (!out_.isOpen() || out_.flush() < 0) return failMerge();
  int32_t savedPhase = progress_ ? progress_->phase : 0;
  if (progress_) {
    progress_->phase = 6;
    progress_->percentDone = 0;
  }
  report(job, progresscode::kMerging);

  wordsMerged_ = 0;
  queue_.clear();
  int32_t mergeHighest = 0;
  for (int t = 0; t < trackCount_; ++t) mergeHighest = std::max(mergeHighest, trackDocs_[t].highest);
  std::unordered_set<std::string> highestWords;
  for (int t = 0; t < trackCount_; ++t) {
    trackFile_[t] = new InputFile(kTrackBufferBytes);
    trackEmpty_[t] = false;
    if (trackFile_[t]->attach(out_.file()) < 0 || trackFile_[t]->seek(trackStart_[t]) < 0)
      return failMerge();
    if (getWord(t) < 0) return failMerge();
  }
  trace::line("Merge... 2");

  IOFile& refs = db_.refFile();
  RefWriter chunk(refs);
  auto after = [this](int a, int b) { return queueBefore(b, a); };
  bool aborted = false;
  int trackCount = trackCount_;
  while (!queue_.empty()) {
    if (job && job->cancel() == kCancelImmediate) {
      aborted = true;
      break;
    }
    int top = queue_.front();
    if (!LXR_CHECK((top >= 0) && (top <= trackCount))) return failMerge();
    std::string w = mergeWord_[static_cast<size_t>(top)].word;
    int32_t blockStart = refs.getLength();
    if (chunk.position(blockStart) < 0) return failMerge();
    int32_t citeCount = 0, docIdCount = 0;
    // The word's records come newest track first, and within a track in file order: from
    // its highest documents down. Two records in a row hold the same document when they
    // are one track's record split in two, or when the later track begins with the
    // document the earlier one ends with and each record lists it.
    int previous = -1;
    bool previousHoldsLowest = false;
    while (!queue_.empty() && w == mergeWord_[static_cast<size_t>(queue_.front())].word) {
      int t = queue_.front();
      std::pop_heap(queue_.begin(), queue_.end(), after);
      queue_.pop_back();
      const MergeWord& m = mergeWord_[static_cast<size_t>(t)];
      citeCount = addCapped(citeCount, m.citeCount);
      docIdCount = addCapped(docIdCount, m.docIdCount);
      const bool holdsHighest = (m.holds & kHoldsHighest) != 0;
      if (previous < 0) {
        if (holdsHighest && trackDocs_[t].highest == mergeHighest && highestWords.size() < kMaxCarriedWords)
          highestWords.insert(w);
      } else if (previous == t ||
                 (previousHoldsLowest && holdsHighest && trackDocs_[previous].lowest == trackDocs_[t].highest)) {
        --docIdCount;
      }
      previous = t;
      previousHoldsLowest = (m.holds & kHoldsLowest) != 0;
      if (writeRefsToIndex(t) < 0) return failMerge();
      if (getWord(t) < 0) return failMerge();
    }
    // The last record holds the word's lowest document: the last merge's highest one, when
    // this merge began inside it, was counted there already for the words it held.
    if (previousHoldsLowest && carriedDoc_ != 0 && trackDocs_[previous].lowest == carriedDoc_ &&
        carriedWords_.count(w) != 0)
      --docIdCount;
    // The dictionary entry first, which hands back the word's previous block for the
    // back pointer; a previous block not before this one would be damage and is dropped.
    int32_t oldPos = 0;
    if (writeWordToIndex(w.c_str(), blockStart, citeCount, docIdCount, &oldPos) < 0)
      return failMerge();
    if (oldPos >= blockStart) oldPos = 0;
    if (chunk.endChunk(oldPos) < 0 || refs.writeByte(kBlockEndByte) < 0) return failMerge();
  }

  if (!aborted) {
    // Words that held the highest document carry it into the next merge of this job.
    if (mergeHighest != carriedDoc_) {
      carriedDoc_ = mergeHighest;
      carriedWords_.clear();
    }
    for (const std::string& word : highestWords) {
      if (carriedWords_.size() >= kMaxCarriedWords) break;
      carriedWords_.insert(word);
    }
  }
  trace::line("Merge: Saving output files...");
  if (refs.flush() < 0) return failMerge();
  trace::line("Merge: closing...");
  closeReaders();
  if (aborted) {
    reset();
    currentJob_ = nullptr;
    return -1;
  }
  if (progress_) {
    progress_->wordListBytes = static_cast<int32_t>(
        std::max<int64_t>(0, platform::fileSizeByName(db_.keys().name().c_str())));
    progress_->percentDone = 100;
    progress_->phase = savedPhase;
  }
  report(job, progresscode::kMerging);
  if (reset() < 0) return failMerge();
  wordsWritten_ = 0;
  trace::line("Merge... Done");
  trace::line("End of Merge");
  currentJob_ = nullptr;
  return 0;
}

int MergeFile::failMerge() {
  trace::line("ERROR MergeFile::merge failed");
  db_.failUpdate();
  reset();
  currentJob_ = nullptr;
  return -1;
}

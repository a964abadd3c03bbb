// MergeFile: the temporary file MERGE.TMP of an index run. The word sorter writes each full
// buffer into it as one sorted track; merge() then combines all tracks into the index: per
// word one block appended to INDEX_R.IX, chained to the word's older blocks, and one update
// of the word's dictionary entry. The file is drawn in docs/formats/merge-file.md.
// Depends on index/TextDB, RefWriter and io/; never on search/ or the engine interface.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "index/CiteTable.h"
#include "index/MergeFormat.h"
#include "index/RefWriter.h"
#include "io/IOFile.h"
#include "index/IndexProgress.h"

class InputFile;
class TextDB;

// The debugging switches (the engine options "MergeNW", "MergeNR", "MergeBW", which the
// engine reads only while debugging is on).
struct MergeSwitches {
  bool noWords = false;   // MergeNW: the dictionary is not updated
  bool noRefs = false;    // MergeNR: references are skipped, not copied
  int copyTrace = 0;      // MergeBW: non-zero traces every copy of references
};

// Threads: one user at a time. The MergeFile owns MERGE.TMP and removes it in close() and
// in its destructor; copy and assignment are deleted. It writes to the index only through
// the TextDB it was given, which must be open for writing on the dictionary and the
// reference file (so the update's recovery record covers every change) and outlive it.
class MergeFile {
 public:
  // `tempFolder` holds MERGE.TMP; `progress` (may be null) receives sizes, the phase and
  // the status codes. Nothing is opened yet.
  MergeFile(TextDB& db, const std::string& tempFolder, IndexProgress* progress,
            const MergeSwitches& switches = MergeSwitches());
  ~MergeFile();
  MergeFile(const MergeFile&) = delete;
  MergeFile& operator=(const MergeFile&) = delete;

  // Creates MERGE.TMP empty and fixes maxLen: half the free space of its disk, refused
  // under 524288 bytes, capped at `maxMergeBytes` when above 0, else at 10485760. Traces
  // "MergeFile: maxLen = <n>". 0, or -1 (refused, or "Error opening merge file <name>" and
  // "Errno = <n>" traced; nothing open).
  int open(int64_t maxMergeBytes = 0);
  // Removes MERGE.TMP. 0, or -1 when it could not be closed (it is removed anyway).
  int close();

  // ---- Track writer ----
  // A track is beginTrack(), then word() / document() / wordNumber() (or add()), then
  // endTrack(). Words must come in increasing byte order, documents of a word in
  // decreasing id order and word numbers of a document largest first, as the sorter
  // delivers them; other orders are stored as given.
  // 0, or -1 when the file is not open, 100 tracks exist already, or a write fails.
  int beginTrack();
  // Starts a word record. -1 for a length outside 1..128 or outside a track, or a write
  // failure.
  int word(const char* text, int length);
  // Starts a document of the current word. -1 for an id below 1, outside a word, or a write
  // failure.
  int document(int32_t id);
  // Adds a word number (above 0) to the current document. -1 outside a document.
  int wordNumber(int32_t n);
  // Starts a new word when `text` differs from the last word, a new document when `doc`
  // differs from the pending one, then adds the word number. 0 or -1 as above.
  int add(const char* text, int length, int32_t doc, int32_t n);
  // Completes the last word, pads to 16 bytes and writes the end marker; sets full() when
  // the track count plus one reaches 98. 0 or -1.
  int endTrack();

  // Writes the buffered bytes of MERGE.TMP to the file. 0 or -1.
  int flush() { return out_.flush(); }
  // maxLen minus the current size of MERGE.TMP (negative when past the limit).
  int64_t roomLeft() const;
  int64_t fileBytes() const;
  int64_t maxLen() const { return maxLen_; }
  bool full() const { return full_; }
  int trackCount() const { return trackCount_; }
  int32_t wordsWritten() const { return wordsWritten_; }

  // Merges every track into the index (phase 6, status 3012 reported through `job`'s
  // call-back; `job` may be null) and empties MERGE.TMP. Stops after the current word when
  // job->cancelFlag is -2. 0 when merged; -1 after such an abort (the tracks are discarded,
  // the words merged so far stay in the index), or when a track is damaged, a check fails
  // or a write fails: the TextDB's update is then marked failed, so closing it restores the
  // index as it was.
  // A word's document count in the dictionary counts each document once, also when the
  // document's references were split over several tracks (documents come in increasing id
  // order across tracks, as the sorter delivers them) or over two merges of this file.
  int merge(const IndexJobControl* job);

  // Discards every track and empties MERGE.TMP. 0 or -1.
  int reset();

 private:
  struct MergeWord {
    char word[mergeformat::kMaxWordBytes + 1] = {};
    int length = 0;
    int32_t refLen = 0;
    int32_t citeCount = 0;
    int32_t docIdCount = 0;
    uint8_t holds = 0;  // kHoldsLowest / kHoldsHighest of the record read last
  };

  // A record's documents against its track's: whether the record lists the track's lowest
  // and its highest document. A document whose words fill more than one track is listed in
  // the records of both, and each record counts it; the merge takes the second count off.
  static constexpr uint8_t kHoldsLowest = 1;
  static constexpr uint8_t kHoldsHighest = 2;
  struct TrackDocs {
    int32_t lowest = 0;
    int32_t highest = 0;
    std::vector<uint8_t> holds;  // two bits per record, four records a byte
    int32_t nextRecord = 0;      // the merge's cursor
  };

  int startRecord(const char* text, int length);
  int finishWord();
  int writePending();
  int fail(const char* what);
  int failMerge();

  // Merge helpers (index/Ix_merge.cpp).
  int getWord(int track);
  int writeRefsToIndex(int track);
  int writeWordToIndex(const char* word, int32_t blockPos, int32_t citeCount,
                       int32_t docIdCount, int32_t* oldPos);
  bool queueBefore(int a, int b) const;
  uint8_t recordHolds(int track);
  void noteRecordDocs();
  void noteTrackDocs();
  void report(const IndexJobControl* job, int32_t code);
  void closeReaders();

  TextDB& db_;
  std::string name_;
  IndexProgress* progress_;
  MergeSwitches switches_;
  IOFile out_{8192};
  RefWriter writer_{out_};
  int64_t maxLen_ = 0;
  bool full_ = false;

  // Tracks.
  int trackCount_ = 0;
  int32_t trackStart_[mergeformat::kMaxTracks] = {};
  bool trackEmpty_[mergeformat::kMaxTracks] = {};
  InputFile* trackFile_[mergeformat::kMaxTracks] = {};
  std::vector<MergeWord> mergeWord_;
  std::vector<int> queue_;  // a heap of track numbers; the front is the next to merge
  TrackDocs trackDocs_[mergeformat::kMaxTracks];
  // The highest document of the last merge, and the words it holds there: when the next
  // merge starts in the same document, those words have counted it already.
  int32_t carriedDoc_ = 0;
  std::unordered_set<std::string> carriedWords_;

  // The track being written.
  bool inTrack_ = false;
  bool inWord_ = false;
  std::string lastWord_;
  int32_t countsPos_ = 0;
  int32_t refStart_ = 0;
  int32_t citeCount_ = 0;
  int32_t docIdCount_ = 0;
  int32_t pendingId_ = 0;
  int32_t groupLastId_ = 0;  // last id written in the open group, 0 when none
  int32_t recordHighest_ = 0;  // the first (highest) and last (lowest) id of the open record
  int32_t recordLowest_ = 0;
  std::vector<std::pair<int32_t, int32_t>> trackRecords_;  // per record: highest, lowest
  CiteTable pending_;

  // Progress.
  int32_t wordsWritten_ = 0;
  int32_t wordsMerged_ = 0;
  const IndexJobControl* currentJob_ = nullptr;  // the job of the merge under way
};

// XWordSorter: gathers the word references (word, document id, word number) of an index
// run in one fixed buffer, grouped by word in an ordered table, and stores each full table
// as one sorted track of MERGE.TMP; flushAndMerge() merges the tracks into the index.
// Depends on index/MergeFile and index/TextDB; never on search/ or the engine interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "index/MergeFile.h"
#include "index/IndexProgress.h"

class TextDB;

// Threads: one user at a time. Owns its buffer and its MergeFile (MERGE.TMP is removed
// when the sorter is destroyed); copy and assignment are deleted. The TextDB must be open
// for writing on the dictionary and the reference file and outlive the sorter.
class XWordSorter {
 public:
  static constexpr int32_t kBufferCeiling = 1048576;
  static constexpr int32_t kMaxBufferBytes = 524288;
  static constexpr int32_t kMinBufferBytes = 100;

  // Obtains a buffer of min(1048576 - reserve, 524288) bytes (524288 for the indexer's
  // reserve of 65500), sets the table up in it and opens MERGE.TMP in `tempFolder` with
  // the cap `maxMergeBytes` (0: the default). The buffer size goes into
  // progress->sorterBufferBytes. Failures go to the error log: "ERROR Unable to open temp
  // file <name>", "ERROR XWordSorter allocBuffer failed", "ERROR XWordSorter not good.
  // size = <n>"; good() is then false and the sorter must not be used.
  XWordSorter(TextDB& db, IndexProgress* progress, int32_t reserve,
              const std::string& tempFolder, int64_t maxMergeBytes = 0,
              const MergeSwitches& switches = MergeSwitches());
  ~XWordSorter();
  XWordSorter(const XWordSorter&) = delete;
  XWordSorter& operator=(const XWordSorter&) = delete;

  // Enters one reference. Word numbers of a document come in increasing order: one not
  // above the document's last is ignored (a word twice at one number is stored once). When the table is then full it is stored as a track (progress 4003 and 4004
  // around it, phase 5), which may set mergeNeeded(). 0, or -1 for a length outside
  // 1..128, a document id or word number below 1, or a failed track write (the table's
  // references are then lost, and the TextDB's update is marked failed).
  // Requires: good(). `job` (may be null) receives the progress reports.
  int add(const char* word, int length, int32_t docId, int32_t wordNumber, const IndexJobControl* job);

  // Stores what the table holds as a track, merges every track into the index, empties the
  // table and counts one more update in the header. With the job's cancel flag at -2 nothing is
  // stored or merged and the tracks are discarded. The merge's result: 0, or -1 (see
  // MergeFile::merge; an update failure is marked on the TextDB).
  int flushAndMerge(const IndexJobControl* job);

  bool good() const { return good_; }
  // When MERGE.TMP could not be made: its name and the system's reason; else empty.
  const std::string& mergeFailure() const { return mergeFailure_; }
  bool mergeNeeded() const { return mergeNeeded_; }
  int32_t bufferBytes() const { return bufferBytes_; }
  int32_t wordCount() const { return wordCount_; }
  MergeFile& mergeFile() { return merge_; }

 private:
  struct PosNode {
    int32_t wordNumber;
    PosNode* next;
  };
  struct DocNode {
    int32_t docId;
    PosNode* positions;
    DocNode* next;
  };
  struct WordEntry {
    uint16_t length;
    DocNode* docs;
    char text[1];  // length bytes and a zero; the entry is carved to fit
  };

  // The table's node storage: a region of the buffer handed out front to back and given
  // back all at once when the table is emptied.
  struct Region {
    char* base = nullptr;
    size_t bytes = 0;
    size_t used = 0;
  };
  template <typename T>
  struct RegionAllocator {
    using value_type = T;
    Region* region;
    explicit RegionAllocator(Region* r) : region(r) {}
    template <typename U>
    RegionAllocator(const RegionAllocator<U>& o) : region(o.region) {}
    T* allocate(size_t n);
    void deallocate(T*, size_t) {}
    template <typename U>
    bool operator==(const RegionAllocator<U>& o) const { return region == o.region; }
  };
  using Table = std::map<std::string_view, WordEntry*, std::less<>,
                         RegionAllocator<std::pair<const std::string_view, WordEntry*>>>;

  void* carve(size_t bytes);
  void giveBack(void* p, size_t bytes);
  void emptyTable();
  bool tableFull() const;
  int storeTrack(const IndexJobControl* job);
  int writeTrack();

  TextDB& db_;
  IndexProgress* progress_;
  MergeFile merge_;
  std::unique_ptr<char[]> buffer_;
  int32_t bufferBytes_ = 0;
  size_t carveStart_ = 0;  // where entries begin, after the table's region
  size_t carveTop_ = 0;    // first free byte
  Region region_;
  std::optional<Table> table_;
  int32_t wordCount_ = 0;
  bool good_ = false;
  std::string mergeFailure_;
  bool mergeNeeded_ = false;
};

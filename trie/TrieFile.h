// TrieFile: an ordered, disk-resident map from text keys to 12-byte values, kept in 4096-byte
// pages: sorted leaves chained in key order, found through a binary trie in interior pages.
// Pages go through a 15-page write-back cache. The layout is in docs/formats/trie-file.md.
// Depends on io/File and objects/; knows nothing of what the keys mean (see KeyFile).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "io/File.h"
#include "trie/TrieCache.h"
#include "trie/TrieValue.h"

// Threads: one user at a time. Keys are byte strings without zero bytes; a key longer than
// 511 bytes is cut to its first 511 bytes, in lookups as in inserts. A cursor stands on one
// key; it survives inserts into other places but an insert may move it (see insert).
class TrieRecord;

class TrieFile {
 public:
  TrieFile();
  // Closes the file if still open; a failed close is traced.
  ~TrieFile();
  TrieFile(const TrieFile&) = delete;
  TrieFile& operator=(const TrieFile&) = delete;

  // Creates (or empties) `name` with the header, the root page and two leaves holding the
  // sentinel keys 0x01 and 0xFF; the header records max(maxKeyLength, 511). The file stays
  // open for reading and writing. 0, or -1 (traced) when a file is already open or the file
  // cannot be created; nothing stays open on -1.
  int create(const char* name, int maxKeyLength);
  // Opens an existing key file with the mode bits of io/FileMode.h and reads its header.
  // -1 without a trace when the file is missing, too short, or has another magic or
  // version (the caller words the message); -1 traced for a damaged header. Nothing stays
  // open on -1.
  int open(const char* name, int mode);
  // When open for writing, writes every changed page and then the header (with the cache
  // statistic); closes the file. 0 when not open. -1 when a write or the close failed; the
  // TrieFile is closed either way.
  int close();
  // Writes every changed page and the header and puts the file on the disk, keeping it open
  // (and its sharing) with the same mode and the cursor where it was. 0, or -1 traced
  // "ERROR Unable to commit keyfile %s".
  int commit();

  // Stores the pair. Returns 0 for a new key, 1 when the key existed (its value replaced);
  // on both `oldValue` (may be null) gets the old value, zeros for a new key. The cursor
  // ends on the key. -1 (traced; file unchanged unless a split was under way, `oldValue`
  // untouched) when not open for writing, for an empty key, a key outside the sentinels,
  // damage or an I/O error.
  int insert(const char* key, int keyBytes, const TrieValue& value, TrieValue* oldValue);
  int insert(const char* key, const TrieValue& value, TrieValue* oldValue);

  // Puts the cursor on the greatest key not above `key`. Returns 1 when that key is `key`
  // itself, 0 when it is a lesser key, -1 (traced; cursor unchanged) on damage or I/O error.
  // `value` (may be null) gets the value of the key the cursor stands on.
  int lookup(const char* key, int keyBytes, TrieValue* value);
  // The first value integer of exactly `key`, or -1 (absent or failure). Moves the cursor
  // as lookup().
  int32_t find(const char* key);
  int32_t find(const char* key, int keyBytes);
  // Positions as lookup(); the key's first value integer when it exists exactly, else -1.
  int32_t findLTE(const char* key);
  int32_t findLTE(const char* key, int keyBytes);

  // Cursor: the first key of the file (the low sentinel); -1 while the key count is 0.
  int first();
  // The following / preceding key across leaves; -1 past either end (cursor unchanged) or
  // on damage (traced).
  int next();
  int prev();
  // Copies at most size - 1 bytes of the cursor's key and a terminating zero. Returns the
  // number of bytes copied, or -1 with no cursor, size < 1 or damage.
  int getKey(char* buffer, int size);
  // The cursor's value. 0 or -1 (no cursor, damage; `value` untouched).
  int getValue(TrieValue* value);
  // The cursor's first value integer, or -1.
  int32_t getValue();
  // Replaces the cursor key's first value integer (keeping the other two), or its whole
  // value. 0, or -1 with no cursor or not open for writing.
  int setValue(int32_t first);
  int setValue(const TrieValue& value);

  // Walks the whole file: header, leaf chain and key order, the trie over the leaves, and
  // every page id. 0 when sound; -1 at the first fault, which is traced and, when `report`
  // is given, appended to it.
  int verify(std::string* report = nullptr);
  // Appends a readable listing of the header and every page to `out`. 0, or -1 when not open.
  int dump(std::string* out);
  // Appends the counts of keys, records (interior pages), leaves and interior nodes, and the
  // fill of pages in 10 % bands under "Percent used    Leaves     Interior nodes". 0 or -1.
  int statistics(std::string* out);

  bool isOpen() const { return open_; }
  bool isWritable() const { return writable_; }
  const std::string& name() const { return name_; }
  // Keys stored, sentinels not counted.
  int32_t keyCount() const { return keyCount_; }
  int32_t leafCount() const { return leafCount_; }
  int32_t interiorCount() const { return interiorCount_; }
  int32_t pageCounter() const { return pageCounter_; }
  int maxKeyLength() const { return maxKeyLength_; }
  // The page cache (statistics for diagnostics and tests).
  const TrieCache& cache() const { return cache_; }
  // True once a page could not be read or written since the file was opened: a failed
  // lookup then says nothing about the key, and the file cannot be closed as whole.
  bool failed() const { return cache_.failed(); }

  // The share of a leaf's data area that stays in the old leaf on a split, for every key
  // file of the process; 50 by default, held within 30..70 so both halves always have room
  // for the key being inserted.
  static void setSplitPercent(int percent);
  static int splitPercent();

 private:
  struct PathStep {
    int32_t pageId;
    int nodePos;
    int side;
    int bit;
  };
  struct Descent {
    bool stopped = false;  // stopped at a node whose prefix differs from the key
    int32_t leafId = 0;    // the leaf reached when not stopped
    int32_t stopPageId = 0;
    int stopPos = 0;
    int diffBit = 0;
  };

  int readHeader();
  int writeHeader();
  bool validId(int32_t id) const;
  int lockLeaf(PageLock& lock, int32_t id);
  int lockRecord(PageLock& lock, int32_t id);
  int allocPageId(int32_t* id);
  int damaged(const char* what, long detail);

  int descend(const char* key, int keyBytes, std::vector<PathStep>* path, Descent* out);
  int extremeLeaf(int32_t pageId, int pos, int side, int32_t* leafId);
  // Follows a node's child link during a descent: a node in the same interior page (0, *pos
  // set), another interior page (0, `page` now holds it and *pos is 0) or a leaf (1,
  // *leafId set). -1 for a damaged link.
  int stepToChild(PageLock& page, int32_t child, int* pos, int32_t* leafId);
  int findLTELeaf(const char* key, int keyBytes, int32_t* leafId);
  int locateLeaf(const char* key, int keyBytes, int32_t* leafId);
  int addLeafToTrie(int32_t leafId, const char* key, int keyBytes);
  int splitRecord(const std::vector<PathStep>& path, size_t end, int depth);
  int copySubtree(const TrieRecord& from, int pos, int parentBit, TrieRecord* to, int depth);
  int checkChain(const char* lowPage, const char* highPage);
  void setCursor(char* leafPage, int32_t leafId, int slot);
  void dropCursor();

  File file_;
  TrieCache cache_;
  char* map_ = nullptr;  // the whole file, for an open for reading only (see open)
  int64_t mapBytes_ = 0;
  std::string name_;
  bool open_ = false;
  bool writable_ = false;
  int mode_ = 0;
  char header_[4096];
  int32_t keyCount_ = 0;
  int32_t interiorCount_ = 0;
  int32_t leafCount_ = 0;
  int maxKeyLength_ = 0;
  int32_t rootId_ = 0;
  int32_t pageCounter_ = 0;
  int32_t firstLeafId_ = 0;
  // The cursor: its leaf stays locked in the cache while the cursor stands on it.
  PageLock cursorLock_;
  int32_t curLeafId_ = 0;  // 0: no cursor
  int cursor_ = 0;
};

// GenericCache: a fixed number of page-sized slots with lock counts, dirty flags and a
// least-recently-used list of unlocked slots. A derived class supplies the page reads and
// writes. Used by the key file's page cache; depends on objects/ only.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

// Threads: one user at a time.
class GenericCache {
 public:
  // Sets up `slotCount` slots of `pageBytes` bytes each, all free.
  GenericCache(int slotCount, int32_t pageBytes);
  virtual ~GenericCache();
  GenericCache(const GenericCache&) = delete;
  GenericCache& operator=(const GenericCache&) = delete;

  // Locks the slot holding page `id`, reading the page on a miss (a dirty least-recently-used
  // slot is written back first). With `fresh` the page is not read but zero-filled and marked
  // dirty: a page new to the file. Returns the page image, valid until the matching release(),
  // or null (traced) when every slot is locked ("ERROR GenericCache: out of space") or the
  // read or write-back failed.
  char* get(int32_t id, bool fresh = false);
  // Unlocks a page got from get(); `changed` marks it dirty. A slot whose lock count reaches 0
  // joins the least-recently-used list as the most recent, or, with `transient` and clean, as
  // the least recent (a page read once, like a leaf of a random lookup, should not push out
  // the pages every lookup passes through). 0, or -1 (traced) when `page` is not a cache image.
  int release(char* page, bool changed, bool transient = false);
  // Marks a locked page dirty without unlocking it. 0 or -1 as release().
  int markDirty(char* page);
  // Checks that `page` is the cache image of page `id`: 0, or -1 with
  // "ERROR GenericCache::verify(id = %ld) failed\n" (not an image of this cache) or
  // "ERROR GenericCache::verify(id = %ld) failed (id = %ld)\n" (the image of another page).
  int verify(const char* page, int32_t id) const;

  // Writes every dirty slot back. 0, or -1 when a write failed (that slot stays dirty).
  int flush();
  // True once a page could not be read or written since the last reset(): the pages in the
  // file may no longer be what the cache held, so an update must not be kept.
  bool failed() const { return failed_; }
  // Forgets every slot, dirty or not, and clears the statistics. Requires: nothing locked.
  void reset();

  // Lookups since the last reset, and how many found the page in a slot.
  int64_t lookupCount() const { return lookups_; }
  int64_t hitCount() const { return hits_; }
  // Slots locked right now.
  int lockedCount() const;

 protected:
  // Reads page `id` into `into` (pageBytes). 0 or -1 (traced by the implementation).
  virtual int readPage(int32_t id, char* into) = 0;
  // Writes page `id` from `from`. 0 or -1 (traced by the implementation).
  virtual int writePage(int32_t id, const char* from) = 0;

 private:
  struct Slot {
    int32_t id = -1;  // -1: free
    int lockCount = 0;
    bool dirty = false;
    int prev = -1;  // links of the least-recently-used list (unlocked slots only)
    int next = -1;
    char* image = nullptr;
  };
  // The slot an image pointer belongs to, or -1 ("ERROR getCacheMember failed!").
  int getCacheMember(const char* page) const;
  void unlink(int slot);
  void pushMostRecent(int slot);
  void pushLeastRecent(int slot);
  int findSlot(int32_t id) const;

  int32_t pageBytes_;
  std::vector<Slot> slots_;
  // The slots' heads and images. Left unset until a slot is first filled, so that the pages
  // of slots never used are never touched (an index opened for one lookup uses a few).
  std::unique_ptr<char[]> memory_;
  size_t memoryBytes_ = 0;
  bool failed_ = false;
  int lastSlot_ = -1;  // the slot of the last hit, tried first
  int lruHead_ = -1;  // least recently used
  int lruTail_ = -1;  // most recently used
  int64_t lookups_ = 0;
  int64_t hits_ = 0;
};

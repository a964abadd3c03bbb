// TrieCache: the 15-page write-back cache of one open key file, and PageLock, which holds
// one cached page for the length of a scope. Pages read from the file are checked for a
// sound layout before anyone sees them, so code above works on well-formed page images
// only. Depends on io/File and the trie page layouts.
#pragma once

#include <cstdint>
#include <utility>

#include "trie/GenericCache.h"

class File;

// Threads: one user at a time.
class TrieCache : public GenericCache {
 public:
  static constexpr int kSlotCount = 15;

  // `file` stays owned by the caller and must outlive the cache's use of it.
  explicit TrieCache(File* file);

  // Serves page reads from `data`, the first `length` bytes of the file mapped into memory
  // (a file open for reading only), instead of reading the file; null stops it. The map
  // must live until then. A page past `length` fails as a page past the end of the file.
  void useMap(const char* data, int64_t length) {
    map_ = data;
    mapBytes_ = data ? length : 0;
  }

 protected:
  // Reads page `id`; a page that is short, or whose layout is unsound for its kind, fails
  // (traced "ERROR TrieCache: page %ld ..."). A leaf's cursor is set to 0 and its free space
  // recomputed. "ERROR TrieCache::flush: id = %ld  ptr = %ld" for an id below the file.
  int readPage(int32_t id, char* into) override;
  // Writes page `id`; "ERROR TrieCache::flush: id = %ld" for the header id or below.
  int writePage(int32_t id, const char* from) override;

 private:
  File* file_;
  const char* map_ = nullptr;
  int64_t mapBytes_ = 0;
};

// Holds one page of a TrieCache from get() to the end of the scope (or release()).
class PageLock {
 public:
  PageLock() = default;
  explicit PageLock(GenericCache* cache) : cache_(cache) {}
  ~PageLock() { release(); }
  PageLock(const PageLock&) = delete;
  PageLock& operator=(const PageLock&) = delete;

  // Locks page `id` (see GenericCache::get). True when the page is held.
  bool get(GenericCache* cache, int32_t id, bool fresh = false) {
    release();
    cache_ = cache;
    page_ = cache->get(id, fresh);
    id_ = id;
    dirty_ = false;
    transient_ = false;
    return page_ != nullptr;
  }
  // Gives the page back, marking it dirty when changed() was called. 0 or -1.
  int release() {
    int rc = 0;
    if (page_) rc = cache_->release(page_, dirty_, transient_);
    page_ = nullptr;
    dirty_ = false;
    transient_ = false;
    return rc;
  }
  void changed() { dirty_ = true; }
  // The page may leave the cache first once released (see GenericCache::release).
  void transient() { transient_ = true; }
  // Exchanges the pages held by two locks.
  void swap(PageLock& other) {
    std::swap(cache_, other.cache_);
    std::swap(page_, other.page_);
    std::swap(id_, other.id_);
    std::swap(dirty_, other.dirty_);
    std::swap(transient_, other.transient_);
  }
  char* page() const { return page_; }
  int32_t id() const { return id_; }
  explicit operator bool() const { return page_ != nullptr; }

 private:
  GenericCache* cache_ = nullptr;
  char* page_ = nullptr;
  int32_t id_ = 0;
  bool dirty_ = false;
  bool transient_ = false;
};

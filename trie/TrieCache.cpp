// TrieCache: page reads and writes of a key file, with the layout check of every page read.
#include "trie/TrieCache.h"

#include <cstring>

#include "io/File.h"
#include "objects/Trace.h"
#include "trie/TrieFormat.h"
#include "trie/TrieLeafNode.h"
#include "trie/TrieRecord.h"

using namespace trieformat;

TrieCache::TrieCache(File* file) : GenericCache(kSlotCount, kPageBytes), file_(file) {}

int TrieCache::readPage(int32_t id, char* into) {
  int64_t pos = (static_cast<int64_t>(id) - kFirstPageId) * kPageBytes;
  if (pos < 0 || pos > INT32_MAX - kPageBytes) {
    trace::line("ERROR TrieCache::flush: id = %ld  ptr = %ld", static_cast<long>(id),
                static_cast<long>(pos));
    return -1;
  }
  int32_t got = 0;
  if (map_) {
    // A copy out of the map: the cache's pages are checked, and changed by the cursor.
    if (pos + kPageBytes <= mapBytes_) {
      std::memcpy(into, map_ + pos, kPageBytes);
      got = kPageBytes;
    }
  } else {
    if (file_->seek(static_cast<int32_t>(pos)) < 0) return -1;
    got = file_->read(into, kPageBytes);
  }
  if (got != kPageBytes) {
    trace::line("ERROR TrieCache: page %ld lies past the end of %s", static_cast<long>(id),
                file_->getName().c_str());
    return -1;
  }
  if (into[kLeafKindPos] == kLeafKind) {
    if (TrieLeafNode::validate(into, id) < 0) return -1;
    TrieLeafNode(into).loaded();
    return 0;
  }
  return TrieRecord::validate(into, id);
}

int TrieCache::writePage(int32_t id, const char* from) {
  if (id < kFirstPageId + 1 || id > kFirstPageId + kMaxPageCounter) {
    trace::line("ERROR TrieCache::flush: id = %ld", static_cast<long>(id));
    return -1;
  }
  int32_t pos = (id - kFirstPageId) * kPageBytes;
  if (file_->seek(pos) < 0) return -1;
  if (file_->write(from, kPageBytes) != kPageBytes) {
    trace::line("ERROR TrieCache: writing page %ld of %s failed", static_cast<long>(id),
                file_->getName().c_str());
    return -1;
  }
  return 0;
}

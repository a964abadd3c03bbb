// TrieFile: create, open and close, the header, page access with its checks, the descent
// through the trie, lookups and the cursor. Inserts and page splits are in TrieInsert.cpp,
// the checker and the listings in TrieVerify.cpp.
#include "trie/TrieFile.h"

#include <cstring>

#include "io/FileMode.h"
#include "objects/ByteCodec.h"
#include "objects/Trace.h"
#include "trie/TrieFormat.h"
#include "trie/TrieLeafNode.h"
#include "trie/TrieRecord.h"

using namespace trieformat;

namespace {

int gSplitPercent = kDefaultSplitPercent;
constexpr int kMinSplitPercent = 30;
constexpr int kMaxSplitPercent = 70;

int cutKey(int keyBytes) { return keyBytes > kMaxKeyBytes ? kMaxKeyBytes : keyBytes; }

}  // namespace

void TrieFile::setSplitPercent(int percent) {
  if (percent < kMinSplitPercent) percent = kMinSplitPercent;
  if (percent > kMaxSplitPercent) percent = kMaxSplitPercent;
  gSplitPercent = percent;
}

int TrieFile::splitPercent() { return gSplitPercent; }

TrieFile::TrieFile() : cache_(&file_) { std::memset(header_, 0, sizeof header_); }

TrieFile::~TrieFile() {
  if (open_ && close() < 0) trace::line("ERROR TrieFile: closing %s failed", name_.c_str());
}

int TrieFile::damaged(const char* what, long detail) {
  trace::line("ERROR TrieFile %s: %s (%ld)", name_.c_str(), what, detail);
  return -1;
}

// ---- header ----

int TrieFile::readHeader() {
  if (file_.seek(0) < 0 || file_.read(header_, kPageBytes) != kPageBytes) return -1;
  if (std::memcmp(header_ + kHdrMagicPos, kMagic, kMagicBytes) != 0 ||
      bytecodec::loadU16(header_ + kHdrVersionPos) != kVersion)
    return -1;
  keyCount_ = bytecodec::loadI32(header_ + kHdrKeyCountPos);
  interiorCount_ = bytecodec::loadI32(header_ + kHdrInteriorCountPos);
  leafCount_ = bytecodec::loadI32(header_ + kHdrLeafCountPos);
  maxKeyLength_ = bytecodec::loadU16(header_ + kHdrMaxKeyLengthPos);
  rootId_ = bytecodec::loadI32(header_ + kHdrRootIdPos);
  pageCounter_ = bytecodec::loadI32(header_ + kHdrPageCounterPos);
  firstLeafId_ = bytecodec::loadI32(header_ + kHdrFirstLeafIdPos);
  return 0;
}

int TrieFile::writeHeader() {
  std::memcpy(header_ + kHdrMagicPos, kMagic, kMagicBytes);
  bytecodec::storeU16(header_ + kHdrVersionPos, kVersion);
  bytecodec::storeI32(header_ + kHdrKeyCountPos, keyCount_);
  bytecodec::storeI32(header_ + kHdrInteriorCountPos, interiorCount_);
  bytecodec::storeI32(header_ + kHdrLeafCountPos, leafCount_);
  bytecodec::storeU16(header_ + kHdrMaxKeyLengthPos, static_cast<uint16_t>(maxKeyLength_));
  bytecodec::storeI32(header_ + kHdrRootIdPos, rootId_);
  bytecodec::storeI32(header_ + kHdrPageCounterPos, pageCounter_);
  bytecodec::storeI32(header_ + kHdrFirstLeafIdPos, firstLeafId_);
  int64_t lookups = cache_.lookupCount();
  int hitPercent = lookups > 0 ? static_cast<int>(cache_.hitCount() * 100 / lookups) : 0;
  bytecodec::storeU16(header_ + kHdrCacheStatPos, static_cast<uint16_t>(hitPercent));
  if (file_.seek(0) < 0 || file_.write(header_, kPageBytes) != kPageBytes) {
    trace::line("ERROR TrieFile: writing the header of %s failed", name_.c_str());
    return -1;
  }
  return 0;
}

// ---- open and close ----

int TrieFile::create(const char* name, int maxKeyLength) {
  if (open_ || !name) return damaged("create on an open key file", 0);
  if (file_.open(name, filemode::kRead | filemode::kWrite | filemode::kCreate |
                           filemode::kTruncate | filemode::kFresh) < 0) {
    trace::line("ERROR TrieFile::create: cannot create %s (error %d)", name,
                platform::lastError());
    return -1;
  }
  name_ = name;
  open_ = writable_ = true;
  mode_ = filemode::kRead | filemode::kWrite;
  dropCursor();
  cache_.reset();
  std::memset(header_, 0, sizeof header_);
  keyCount_ = 0;
  interiorCount_ = 1;
  leafCount_ = 2;
  maxKeyLength_ = maxKeyLength < kMaxKeyBytes ? kMaxKeyBytes : (maxKeyLength > 0xFFFF ? 0xFFFF : maxKeyLength);
  rootId_ = kInitialRootId;
  pageCounter_ = 4;  // header, root and the two leaves: the next page is 0x1004
  firstLeafId_ = kInitialFirstLeafId;

  const char low = static_cast<char>(kLowSentinel), high = static_cast<char>(kHighSentinel);
  char highLimit[kHighLimitBytes];
  std::memset(highLimit, high, sizeof highLimit);
  PageLock root, first, last;
  int rc = -1;
  if (root.get(&cache_, kInitialRootId, true) && first.get(&cache_, kInitialFirstLeafId, true) &&
      last.get(&cache_, kInitialLastLeafId, true)) {
    TrieRecord::init(root.page(), kInitialRootId);
    TrieRecord(root.page()).allocNode(0, &high, 1, kInitialFirstLeafId, kInitialLastLeafId);
    TrieLeafNode::init(first.page(), kInitialFirstLeafId);
    TrieLeafNode a(first.page());
    TrieValue one;
    one.v[0] = 1;
    a.setNext(kInitialLastLeafId);
    a.setLimit(&high, 1);
    a.insertAt(0, &low, 1, one);
    TrieLeafNode::init(last.page(), kInitialLastLeafId);
    TrieLeafNode b(last.page());
    TrieValue minusOne;
    minusOne.v[0] = -1;
    b.setPrev(kInitialFirstLeafId);
    b.setLimit(highLimit, kHighLimitBytes);
    b.insertAt(0, &high, 1, minusOne);
    root.changed();
    first.changed();
    last.changed();
    rc = writeHeader();
  }
  root.release();
  first.release();
  last.release();
  if (rc < 0) {
    cache_.reset();
    file_.release();
    open_ = writable_ = false;
    trace::line("ERROR TrieFile::create: cannot set up %s", name);
    return -1;
  }
  return 0;
}

int TrieFile::open(const char* name, int mode) {
  if (open_ || !name) return damaged("open on an open key file", 0);
  if (file_.open(name, mode) < 0) return -1;
  name_ = name;
  if (readHeader() < 0) {  // not a key file of ours: the caller words the message
    int err = platform::lastError();
    file_.release();
    platform::setLastError(err);
    return -1;
  }
  const char* what = nullptr;
  int64_t fileBytes = file_.getLength();
  if (pageCounter_ < 4 || pageCounter_ > kMaxPageCounter)
    what = "page counter";
  else if (fileBytes < static_cast<int64_t>(pageCounter_) * kPageBytes)
    what = "file shorter than its page counter";
  else if (keyCount_ < 0)
    what = "key count";
  open_ = true;
  if (!what && !validId(rootId_)) what = "root id";
  if (!what && !validId(firstLeafId_)) what = "first leaf id";
  if (what) {
    trace::line("ERROR TrieFile::open: damaged header in %s (%s)", name, what);
    open_ = false;
    file_.release();
    return -1;
  }
  writable_ = (mode & filemode::kWrite) != 0;
  mode_ = mode;
  dropCursor();
  cache_.reset();
  // A reading open serves its pages from a map of the file: a lookup misses the cache on
  // about two pages, and a copy out of memory costs far less than a read from the file. A
  // writer that lets readers in never changes this file in place (its work goes to a copy).
  if (!writable_ && (map_ = file_.mapWhole()) != nullptr) {
    mapBytes_ = fileBytes;
    cache_.useMap(map_, mapBytes_);
  }
  return 0;
}

int TrieFile::close() {
  if (!open_) return 0;
  int rc = 0;
  dropCursor();
  if (writable_) {
    if (cache_.flush() < 0) rc = -1;
    if (writeHeader() < 0) rc = -1;
    // A page that once failed to be read or written leaves the file unknown: a later write of
    // it that succeeds does not make the update whole again.
    if (cache_.failed()) rc = -1;
  }
  cache_.reset();
  cache_.useMap(nullptr, 0);
  if (map_) platform::unmapFile(map_, mapBytes_);
  map_ = nullptr;
  mapBytes_ = 0;
  if (file_.release() < 0) rc = -1;
  open_ = writable_ = false;
  return rc;
}

int TrieFile::commit() {
  if (!open_) return -1;
  if (!writable_) return 0;
  if (cache_.flush() < 0 || cache_.failed() || writeHeader() < 0 || file_.commit() < 0) {
    trace::line("ERROR Unable to commit keyfile %s", name_.c_str());
    return -1;
  }
  return 0;
}

// ---- pages ----

bool TrieFile::validId(int32_t id) const {
  return id > kHeaderId && id < kFirstPageId + pageCounter_;
}

int TrieFile::lockLeaf(PageLock& lock, int32_t id) {
  if (!validId(id)) return damaged("leaf id outside the file", id);
  if (!lock.get(&cache_, id)) return -1;
  if (lock.page()[kLeafKindPos] != kLeafKind) {
    lock.release();
    return damaged("page is not a leaf", id);
  }
  lock.transient();
  return 0;
}

int TrieFile::lockRecord(PageLock& lock, int32_t id) {
  if (!validId(id)) return damaged("interior page id outside the file", id);
  if (!lock.get(&cache_, id)) return -1;
  if (lock.page()[kRecKindPos] != kInteriorKind) {
    lock.release();
    return damaged("page is not an interior page", id);
  }
  return 0;
}

int TrieFile::allocPageId(int32_t* id) {
  if (pageCounter_ >= kMaxPageCounter) return damaged("key file full", pageCounter_);
  *id = kFirstPageId + pageCounter_;
  ++pageCounter_;
  return 0;
}

// ---- the descent ----

int TrieFile::descend(const char* key, int keyBytes, std::vector<PathStep>* path, Descent* out) {
  PageLock page;
  if (lockRecord(page, rootId_) < 0) return -1;
  int pos = 0, prevBit = -1;
  // Tested bits grow strictly along any path, which bounds the walk (and breaks loops).
  for (;;) {
    TrieNode n;
    if (TrieRecord(page.page()).readNode(pos, &n) < 0) return -1;
    if (n.bit <= prevBit) return damaged("trie node out of bit order", page.id());
    int d = firstDifferentBit(key, keyBytes, n.prefix, n.prefixBytes, prevBit + 1, n.bit);
    if (d >= 0) {
      out->stopped = true;
      out->stopPageId = page.id();
      out->stopPos = pos;
      out->diffBit = d;
      return 0;
    }
    int side = keyBit(key, keyBytes, n.bit);
    if (path) path->push_back(PathStep{page.id(), pos, side, n.bit});
    prevBit = n.bit;
    int32_t leaf = 0;
    int rc = stepToChild(page, n.child(side), &pos, &leaf);
    if (rc < 0) return -1;
    if (rc == 1) {
      out->stopped = false;
      out->leafId = leaf;
      return 0;
    }
  }
}

int TrieFile::extremeLeaf(int32_t pageId, int pos, int side, int32_t* leafId) {
  PageLock page;
  if (lockRecord(page, pageId) < 0) return -1;
  int prevBit = -1;
  for (;;) {
    TrieNode n;
    if (TrieRecord(page.page()).readNode(pos, &n) < 0) return -1;
    if (n.bit <= prevBit) return damaged("trie node out of bit order", page.id());
    prevBit = n.bit;
    int rc = stepToChild(page, n.child(side), &pos, leafId);
    if (rc < 0) return -1;
    if (rc == 1) return 0;
  }
}

int TrieFile::stepToChild(PageLock& page, int32_t child, int* pos, int32_t* leafId) {
  if (child < kFirstPageId) {
    if (child <= 0) return damaged("bad node link", child);
    *pos = child;
    return 0;
  }
  if (!validId(child)) return damaged("child id beyond the page counter", child);
  PageLock next;
  if (!next.get(&cache_, child)) return -1;
  if (next.page()[kLeafKindPos] == kLeafKind) {
    next.transient();
    *leafId = child;
    return 1;
  }
  page.swap(next);
  *pos = 0;
  return 0;
}

int TrieFile::findLTELeaf(const char* key, int keyBytes, int32_t* leafId) {
  Descent d;
  if (descend(key, keyBytes, nullptr, &d) < 0) return -1;
  int32_t candidate = d.leafId;
  if (d.stopped &&
      extremeLeaf(d.stopPageId, d.stopPos, keyBit(key, keyBytes, d.diffBit), &candidate) < 0)
    return -1;
  for (int attempt = 0; attempt < 2 && candidate != 0; ++attempt) {
    PageLock leaf;
    if (lockLeaf(leaf, candidate) < 0) return -1;
    TrieLeafNode node(leaf.page());
    int c = node.covers(key, keyBytes);
    if (c < 0) return -1;
    if (c == 1) {
      *leafId = candidate;
      return 0;
    }
    candidate = node.prev();
  }
  trace::line("findLTELeaf Error searching for %.*s", keyBytes > 80 ? 80 : keyBytes, key);
  return -1;
}

int TrieFile::locateLeaf(const char* key, int keyBytes, int32_t* leafId) {
  if (curLeafId_ != 0 && TrieLeafNode(cursorLock_.page()).covers(key, keyBytes) == 1) {
    *leafId = curLeafId_;
    return 0;
  }
  return findLTELeaf(key, keyBytes, leafId);
}

void TrieFile::setCursor(char* leafPage, int32_t leafId, int slot) {
  if (!cursorLock_ || cursorLock_.id() != leafId) {
    // The caller holds the page, so this finds it in the cache.
    if (!cursorLock_.get(&cache_, leafId)) {
      curLeafId_ = 0;
      return;
    }
    cursorLock_.transient();
  }
  curLeafId_ = leafId;
  cursor_ = slot;
  TrieLeafNode(leafPage).setCursor(slot);
}

void TrieFile::dropCursor() {
  cursorLock_.release();
  curLeafId_ = 0;
  cursor_ = 0;
}

// ---- lookups ----

int TrieFile::lookup(const char* key, int keyBytes, TrieValue* value) {
  if (!open_ || !key || keyBytes <= 0) return -1;
  keyBytes = cutKey(keyBytes);
  int32_t leafId = 0;
  if (locateLeaf(key, keyBytes, &leafId) < 0) return -1;
  PageLock leaf;
  if (lockLeaf(leaf, leafId) < 0) return -1;
  TrieLeafNode node(leaf.page());
  bool exact = false;
  int slot = node.findGTE(key, keyBytes, &exact);
  if (slot < 0) return -1;
  if (!exact) --slot;
  if (slot < 0) return damaged("key below its leaf", leafId);
  TrieValue v;
  if (node.getKeyInfo(slot, nullptr, &v) < 0) return -1;
  setCursor(leaf.page(), leafId, slot);
  if (value) *value = v;
  return exact ? 1 : 0;
}

int32_t TrieFile::find(const char* key) { return find(key, key ? static_cast<int>(std::strlen(key)) : 0); }

int32_t TrieFile::find(const char* key, int keyBytes) {
  TrieValue v;
  return lookup(key, keyBytes, &v) == 1 ? v.v[0] : -1;
}

int32_t TrieFile::findLTE(const char* key) {
  return findLTE(key, key ? static_cast<int>(std::strlen(key)) : 0);
}

int32_t TrieFile::findLTE(const char* key, int keyBytes) { return find(key, keyBytes); }

// ---- the cursor ----

int TrieFile::first() {
  if (!open_ || keyCount_ == 0) return -1;
  PageLock leaf;
  if (lockLeaf(leaf, firstLeafId_) < 0) return -1;
  setCursor(leaf.page(), firstLeafId_, 0);
  return 0;
}

// Two neighbouring leaves must meet: the lower one's limit is the higher one's first key.
// With every leaf's first key below its limit, this keeps a walk along the chain from ever
// coming back to a leaf.
int TrieFile::checkChain(const char* lowPage, const char* highPage) {
  KeyRef limit, first;
  TrieLeafNode low(const_cast<char*>(lowPage)), high(const_cast<char*>(highPage));
  if (low.getLimit(&limit) < 0 || high.getKeyInfo(0, &first, nullptr) < 0) return -1;
  if (compareKeys(limit.bytes, limit.length, first.bytes, first.length) != 0)
    return damaged("leaf chain out of order", high.id());
  return 0;
}

int TrieFile::next() {
  if (!open_ || curLeafId_ == 0) return -1;
  char* page = cursorLock_.page();
  TrieLeafNode node(page);
  if (cursor_ + 1 < node.keyCount()) {
    setCursor(page, curLeafId_, cursor_ + 1);
    return 0;
  }
  int32_t nextId = node.next();
  if (nextId == 0) return -1;
  PageLock following;
  if (lockLeaf(following, nextId) < 0 || checkChain(page, following.page()) < 0) return -1;
  setCursor(following.page(), nextId, 0);
  return 0;
}

int TrieFile::prev() {
  if (!open_ || curLeafId_ == 0) return -1;
  char* page = cursorLock_.page();
  TrieLeafNode node(page);
  if (cursor_ > 0) {
    setCursor(page, curLeafId_, cursor_ - 1);
    return 0;
  }
  int32_t prevId = node.prev();
  if (prevId == 0) return -1;
  PageLock preceding;
  if (lockLeaf(preceding, prevId) < 0 || checkChain(preceding.page(), page) < 0) return -1;
  setCursor(preceding.page(), prevId, TrieLeafNode(preceding.page()).keyCount() - 1);
  return 0;
}

int TrieFile::getKey(char* buffer, int size) {
  if (!open_ || curLeafId_ == 0 || !buffer || size < 1) return -1;
  KeyRef k;
  if (TrieLeafNode(cursorLock_.page()).getKeyInfo(cursor_, &k, nullptr) < 0) return -1;
  int n = k.length < size - 1 ? k.length : size - 1;
  if (n > 0) std::memcpy(buffer, k.bytes, static_cast<size_t>(n));
  buffer[n] = '\0';
  return n;
}

int TrieFile::getValue(TrieValue* value) {
  if (!open_ || curLeafId_ == 0 || !value) return -1;
  return TrieLeafNode(cursorLock_.page()).getKeyInfo(cursor_, nullptr, value);
}

int32_t TrieFile::getValue() {
  TrieValue v;
  return getValue(&v) < 0 ? -1 : v.v[0];
}

int TrieFile::setValue(const TrieValue& value) {
  if (!open_ || !writable_ || curLeafId_ == 0) return -1;
  if (TrieLeafNode(cursorLock_.page()).setValue(cursor_, value) < 0) return -1;
  return cache_.markDirty(cursorLock_.page());
}

int TrieFile::setValue(int32_t first) {
  TrieValue v;
  if (getValue(&v) < 0) return -1;
  v.v[0] = first;
  return setValue(v);
}

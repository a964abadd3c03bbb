// TrieFile inserts: storing a key in its leaf, the leaf split, adding the new leaf to the
// trie, and splitting full interior pages (splitRecord).
#include <cstring>
#include <vector>

#include "objects/Trace.h"
#include "trie/TrieFile.h"
#include "trie/TrieFormat.h"
#include "trie/TrieLeafNode.h"
#include "trie/TrieRecord.h"

using namespace trieformat;

namespace {
// Enough for any sound trie; a file that needs more is damaged.
constexpr int kMaxTrieAttempts = 64;
constexpr int kMaxSplitDepth = 64;
}  // namespace

int TrieFile::insert(const char* key, const TrieValue& value, TrieValue* oldValue) {
  return insert(key, key ? static_cast<int>(std::strlen(key)) : 0, value, oldValue);
}

int TrieFile::insert(const char* key, int keyBytes, const TrieValue& value, TrieValue* oldValue) {
  if (!open_ || !writable_) return damaged("insert into a key file not open for writing", 0);
  if (!key || keyBytes <= 0) {
    trace::line("ERROR Invalid key in TrieLeafNode");
    return -1;
  }
  if (keyBytes > kMaxKeyBytes) keyBytes = kMaxKeyBytes;
  int32_t leafId = 0;
  if (locateLeaf(key, keyBytes, &leafId) < 0) return -1;
  PageLock leaf;
  if (lockLeaf(leaf, leafId) < 0) return -1;
  TrieLeafNode node(leaf.page());
  bool exact = false;
  int slot = node.findGTE(key, keyBytes, &exact);
  if (slot < 0) return -1;
  if (exact) {
    TrieValue old;
    if (node.getKeyInfo(slot, nullptr, &old) < 0 || node.setValue(slot, value) < 0) return -1;
    leaf.changed();
    setCursor(leaf.page(), leafId, slot);
    if (oldValue) *oldValue = old;
    return 1;
  }
  if (node.freeBytes() >= TrieLeafNode::entryCost(keyBytes)) {
    if (node.insertAt(slot, key, keyBytes, value) < 0) return -1;
    leaf.changed();
    ++keyCount_;
    setCursor(leaf.page(), leafId, slot);
    if (oldValue) *oldValue = TrieValue{};
    return 0;
  }

  // The leaf is full: split it, store the key in the half that covers it, then enter the
  // new leaf into the trie under its first key.
  int32_t freshId = 0;
  if (allocPageId(&freshId) < 0) return -1;
  PageLock fresh;
  if (!fresh.get(&cache_, freshId, true)) return -1;
  // A key after every key of its leaf most likely starts a run of keys in order (a merge
  // inserts new words in order): split so that the leaf left behind stays full.
  int percent = slot >= node.keyCount() ? TrieLeafNode::kAppendSplit : splitPercent();
  if (node.split(fresh.page(), freshId, percent) < 0) return -1;
  leaf.changed();
  fresh.changed();
  ++leafCount_;
  TrieLeafNode right(fresh.page());
  if (right.next() != 0) {
    PageLock following;
    if (lockLeaf(following, right.next()) < 0) return -1;
    TrieLeafNode(following.page()).setPrev(freshId);
    following.changed();
  }
  KeyRef first;
  if (right.getKeyInfo(0, &first, nullptr) < 0) return -1;
  char splitKey[kMaxEntryKeyBytes];
  int splitBytes = first.length;
  std::memcpy(splitKey, first.bytes, static_cast<size_t>(splitBytes));
  bool goesRight = compareKeys(key, keyBytes, splitKey, splitBytes) >= 0;
  PageLock& target = goesRight ? fresh : leaf;
  TrieLeafNode to(target.page());
  slot = to.findGTE(key, keyBytes, &exact);
  if (slot < 0 || to.insertAt(slot, key, keyBytes, value) < 0) return -1;
  ++keyCount_;
  setCursor(target.page(), goesRight ? freshId : leafId, slot);
  leaf.release();
  fresh.release();
  if (addLeafToTrie(freshId, splitKey, splitBytes) < 0) return -1;
  if (oldValue) *oldValue = TrieValue{};
  return 0;
}

int TrieFile::addLeafToTrie(int32_t leafId, const char* key, int keyBytes) {
  for (int attempt = 0; attempt < kMaxTrieAttempts; ++attempt) {
    std::vector<PathStep> path;
    Descent d;
    if (descend(key, keyBytes, &path, &d) < 0) return -1;
    if (path.empty()) return damaged("descent passed no node", leafId);
    const PathStep parent = path.back();
    PageLock page;
    if (lockRecord(page, parent.pageId) < 0) return -1;
    TrieRecord rec(page.page());
    if (rec.isFull()) {
      page.release();
      if (splitRecord(path, path.size(), 0) < 0) return -1;
      continue;
    }
    int bit = d.diffBit;
    if (!d.stopped) {
      PageLock reached;
      KeyRef first;
      if (lockLeaf(reached, d.leafId) < 0 ||
          TrieLeafNode(reached.page()).getKeyInfo(0, &first, nullptr) < 0)
        return -1;
      int longer = keyBytes > first.length ? keyBytes : first.length;
      bit = firstDifferentBit(key, keyBytes, first.bytes, first.length, 0, longer * 8);
    }
    if (bit <= parent.bit || bit >= kMaxBit) return damaged("new leaf's key is already in the trie", leafId);
    TrieNode p;
    if (rec.readNode(parent.nodePos, &p) < 0) return -1;
    int32_t oldChild = p.child(parent.side);
    int side = keyBit(key, keyBytes, bit);
    int pos = rec.allocNode(bit, key, keyBytes, side ? oldChild : leafId, side ? leafId : oldChild);
    if (pos < 0) return damaged("no room in an interior page", parent.pageId);
    rec.setChild(parent.nodePos, parent.side, pos);
    page.changed();
    bool full = rec.isFull();
    page.release();
    if (full && splitRecord(path, path.size(), 0) < 0) return -1;
    return 0;
  }
  return damaged("trie did not settle", leafId);
}

// Copies the subtree at `pos` of one interior page into another, root first, and returns
// the copy's node offset.
int TrieFile::copySubtree(const TrieRecord& from, int pos, int parentBit, TrieRecord* to,
                          int depth) {
  TrieNode n;
  if (depth > kMaxBit || from.readNode(pos, &n) < 0) return -1;
  if (n.bit <= parentBit) return damaged("trie node out of bit order", from.id());
  int copy = to->allocNode(n.bit, n.prefix, n.prefixBytes, n.left, n.right);
  if (copy < 0) return damaged("subtree does not fit a page", from.id());
  for (int side = 0; side < 2; ++side) {
    int32_t child = n.child(side);
    if (child >= kFirstPageId) continue;
    if (child <= 0) return damaged("bad node link", child);
    int c = copySubtree(from, child, n.bit, to, depth + 1);
    if (c < 0) return -1;
    to->setChild(copy, side, c);
  }
  return copy;
}

// Splits the interior page at path[end - 1]: the right subtree of its node 0 moves to a new
// page, the left one is compacted in place, and a copy of node 0 pointing to both goes into
// the parent's page (or a new root page).
int TrieFile::splitRecord(const std::vector<PathStep>& path, size_t end, int depth) {
  if (end == 0 || depth > kMaxSplitDepth) return damaged("interior split out of bounds", depth);
  trace::line("TrieFile::splitRecord...");
  const int32_t pageId = path[end - 1].pageId;
  size_t start = end - 1;
  while (start > 0 && path[start - 1].pageId == pageId) --start;
  if (path[start].nodePos != 0) return damaged("page not entered at node 0", pageId);
  if (start == 0 && pageId != rootId_) return damaged("path does not start at the root", pageId);

  // The parent's page must have room for the copy of node 0 before anything changes.
  if (start > 0) {
    PageLock parent;
    if (lockRecord(parent, path[start - 1].pageId) < 0) return -1;
    if (TrieRecord(parent.page()).isFull()) {
      parent.release();
      return splitRecord(path, start, depth + 1);  // the caller descends again
    }
  }

  PageLock page;
  if (lockRecord(page, pageId) < 0) return -1;
  TrieRecord rec(page.page());
  TrieNode top;
  if (rec.readNode(0, &top) < 0) return -1;
  bool leftHere = top.left < kFirstPageId, rightHere = top.right < kFirstPageId;
  if (!leftHere && !rightHere) return damaged("full page holds one node", pageId);
  char topPrefix[kMaxEntryKeyBytes + 1];
  int topBit = top.bit, topPrefixBytes = top.prefixBytes;
  std::memcpy(topPrefix, top.prefix, static_cast<size_t>(topPrefixBytes));

  std::vector<char> image(kPageBytes);
  TrieRecord::init(image.data(), pageId);
  TrieRecord compact(image.data());
  int32_t newLeft = top.left, newRight = top.right;
  PageLock added;
  if (leftHere && rightHere) {
    int32_t addedId = 0;
    if (copySubtree(rec, top.left, topBit, &compact, 0) != 0 || allocPageId(&addedId) < 0 ||
        !added.get(&cache_, addedId, true))
      return -1;
    TrieRecord::init(added.page(), addedId);
    TrieRecord moved(added.page());
    if (copySubtree(rec, top.right, topBit, &moved, 0) != 0) return -1;
    added.changed();
    ++interiorCount_;
    newLeft = pageId;
    newRight = addedId;
  } else if (leftHere) {
    if (copySubtree(rec, top.left, topBit, &compact, 0) != 0) return -1;
    newLeft = pageId;
  } else {
    if (copySubtree(rec, top.right, topBit, &compact, 0) != 0) return -1;
    newRight = pageId;
  }
  std::memcpy(page.page(), image.data(), kPageBytes);
  page.changed();
  page.release();
  added.release();

  if (start == 0) {
    int32_t rootId = 0;
    PageLock root;
    if (allocPageId(&rootId) < 0 || !root.get(&cache_, rootId, true)) return -1;
    TrieRecord::init(root.page(), rootId);
    if (TrieRecord(root.page()).allocNode(topBit, topPrefix, topPrefixBytes, newLeft, newRight) != 0)
      return -1;
    root.changed();
    rootId_ = rootId;
    ++interiorCount_;
    trace::line("TrieFile::splitRecord Done");
    return 0;
  }
  const PathStep& link = path[start - 1];
  PageLock parent;
  if (lockRecord(parent, link.pageId) < 0) return -1;
  TrieRecord up(parent.page());
  int pos = up.allocNode(topBit, topPrefix, topPrefixBytes, newLeft, newRight);
  if (pos < 0) return damaged("no room in the parent page", link.pageId);
  up.setChild(link.nodePos, link.side, pos);
  parent.changed();
  bool full = up.isFull();
  parent.release();
  trace::line("TrieFile::splitRecord Done");
  if (full) return splitRecord(path, start, depth + 1);
  return 0;
}

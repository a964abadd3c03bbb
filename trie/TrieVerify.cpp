// TrieFile diagnostics: the whole-file checker, the page dump and the fill statistics.
// The checker reads through the cache (and so through its page checks); the dump and the
// statistics read pages straight from the file so that damaged pages can be shown.
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "objects/ByteCodec.h"
#include "objects/Trace.h"
#include "trie/TrieFile.h"
#include "trie/TrieFormat.h"
#include "trie/TrieLeafNode.h"
#include "trie/TrieRecord.h"

using namespace trieformat;

namespace {

void appendf(std::string* out, const char* format, ...) __attribute__((format(printf, 2, 3)));
void appendf(std::string* out, const char* format, ...) {
  char line[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  *out += line;
}

// A key shown with its printable bytes as they are and the rest as \xNN.
std::string showKey(const char* bytes, int length) {
  std::string s;
  for (int i = 0; i < length; ++i) {
    unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      s += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      s += hex;
    }
  }
  return s;
}

// The largest number of branch nodes an interior page can hold.
constexpr int kMaxNodesPerPage = kRecNodeBytes / (kNodeFixedBytes + 1);

}  // namespace

int TrieFile::verify(std::string* report) {
  auto fail = [&](const char* what, long detail) {
    char line[256];
    std::snprintf(line, sizeof line, "ERROR TrieFile::verify %s: %s (%ld)", name_.c_str(), what,
                  detail);
    trace::text(line);
    if (report) *report += std::string(line) + "\n";
    return -1;
  };
  if (!open_) return fail("not open", 0);

  // The leaf chain: links both ways, key order inside and across leaves, the counts.
  std::vector<int32_t> chain;
  int64_t keys = 0;
  int32_t prevId = 0, id = firstLeafId_;
  std::string lastKey;
  while (id != 0) {
    if (static_cast<int32_t>(chain.size()) >= pageCounter_) return fail("leaf chain loops", id);
    PageLock leaf;
    if (lockLeaf(leaf, id) < 0) return fail("unreadable leaf", id);
    TrieLeafNode node(leaf.page());
    if (node.prev() != prevId) return fail("previous link does not match", id);
    KeyRef limit;
    if (node.getLimit(&limit) < 0) return fail("bad limit", id);
    for (int i = 0; i < node.keyCount(); ++i) {
      KeyRef k;
      if (node.getKeyInfo(i, &k, nullptr) < 0) return fail("bad slot", id);
      // The first key of a leaf equals the previous leaf's limit; the others climb.
      bool ordered = true;
      if (i > 0 || !chain.empty()) {
        int c = compareKeys(lastKey.data(), static_cast<int>(lastKey.size()), k.bytes, k.length);
        ordered = i == 0 ? c == 0 : c < 0;
      }
      if (!ordered) return fail("keys out of order", id);
      if (compareKeys(k.bytes, k.length, limit.bytes, limit.length) >= 0)
        return fail("key not below the leaf's limit", id);
      lastKey.assign(k.bytes, static_cast<size_t>(k.length));
      ++keys;
    }
    lastKey.assign(limit.bytes, static_cast<size_t>(limit.length));
    chain.push_back(id);
    prevId = id;
    id = node.next();
  }
  if (keys != static_cast<int64_t>(keyCount_) + 2) return fail("key count differs from header", keys);
  if (static_cast<int32_t>(chain.size()) != leafCount_)
    return fail("leaf count differs from header", static_cast<long>(chain.size()));

  // The trie: walked left to right, it must reach the leaves in chain order, and every
  // leaf's first key must follow the path that leads to it.
  struct Frame {
    int32_t pageId;
    int pos;
    int bit;
    int side;  // next side to take: 0, 1, or 2 when done
    std::string prefix;
  };
  std::vector<Frame> stack;
  size_t leafAt = 0;
  int64_t nodes = 0, nodeLimit = static_cast<int64_t>(pageCounter_) * kMaxNodesPerPage;
  std::vector<int32_t> records;
  auto pushNode = [&](int32_t pageId, int pos) -> int {
    PageLock page;
    if (lockRecord(page, pageId) < 0) return fail("unreadable interior page", pageId);
    TrieNode n;
    if (TrieRecord(page.page()).readNode(pos, &n) < 0) return fail("bad node", pageId);
    if (!stack.empty() && n.bit <= stack.back().bit) return fail("node out of bit order", pageId);
    if (++nodes > nodeLimit) return fail("trie has more nodes than the file can hold", pageId);
    if (pos == 0) records.push_back(pageId);
    stack.push_back(Frame{pageId, pos, n.bit, 0, std::string(n.prefix, static_cast<size_t>(n.prefixBytes))});
    return 0;
  };
  if (pushNode(rootId_, 0) < 0) return -1;
  while (!stack.empty()) {
    Frame& f = stack.back();
    if (f.side == 2) {
      stack.pop_back();
      continue;
    }
    int side = f.side++;
    PageLock page;
    if (lockRecord(page, f.pageId) < 0) return fail("unreadable interior page", f.pageId);
    TrieNode n;
    if (TrieRecord(page.page()).readNode(f.pos, &n) < 0) return fail("bad node", f.pageId);
    int32_t child = n.child(side);
    int32_t pageId = f.pageId;
    page.release();
    if (child < kFirstPageId) {
      if (child <= 0) return fail("bad node link", child);
      if (pushNode(pageId, child) < 0) return -1;
      continue;
    }
    if (!validId(child)) return fail("child id beyond the page counter", child);
    PageLock target;
    if (!target.get(&cache_, child)) return fail("unreadable page", child);
    if (target.page()[kLeafKindPos] != kLeafKind) {
      target.release();
      if (pushNode(child, 0) < 0) return -1;
      continue;
    }
    if (leafAt >= chain.size() || chain[leafAt] != child)
      return fail("trie reaches a leaf out of chain order", child);
    ++leafAt;
    KeyRef first;
    if (TrieLeafNode(target.page()).getKeyInfo(0, &first, nullptr) < 0) return fail("bad leaf", child);
    for (size_t i = 0; i < stack.size(); ++i) {
      const Frame& a = stack[i];
      int from = i == 0 ? 0 : stack[i - 1].bit + 1;
      if (firstDifferentBit(first.bytes, first.length, a.prefix.data(),
                            static_cast<int>(a.prefix.size()), from, a.bit) >= 0 ||
          keyBit(first.bytes, first.length, a.bit) != a.side - 1)
        return fail("leaf's first key does not follow its path", child);
    }
  }
  if (leafAt != chain.size()) return fail("leaves missing from the trie", static_cast<long>(leafAt));
  return 0;
}

int TrieFile::dump(std::string* out) {
  if (!open_ || !out) return -1;
  if (writable_ && cache_.flush() < 0) return -1;
  appendf(out, "Key file %s\n", name_.c_str());
  appendf(out, "  version %u  keys %d  interior pages %d  leaves %d  max key length %d\n",
          bytecodec::loadU16(header_ + kHdrVersionPos), keyCount_, interiorCount_, leafCount_, maxKeyLength_);
  appendf(out, "  root %#x  page counter %d  first leaf %#x  cache statistic %u\n", rootId_,
          pageCounter_, firstLeafId_, bytecodec::loadU16(header_ + kHdrCacheStatPos));
  std::vector<char> buffer(kPageBytes);
  char* page = buffer.data();
  for (int32_t id = kFirstPageId + 1; id < kFirstPageId + pageCounter_; ++id) {
    if (file_.seek((id - kFirstPageId) * kPageBytes) < 0 || file_.read(page, kPageBytes) != kPageBytes) {
      appendf(out, "page %#x: unreadable\n", id);
      continue;
    }
    if (page[kLeafKindPos] == kLeafKind) {
      TrieLeafNode leaf(page);
      appendf(out, "page %#x: leaf id %#x  keys %d  data top %d  free %d  next %#x  prev %#x\n",
              id, leaf.id(), leaf.keyCount(), leaf.dataTop(), bytecodec::loadU16(page + kLeafFreePos),
              leaf.next(), leaf.prev());
      KeyRef k;
      TrieValue v;
      int count = leaf.keyCount() > kMaxLeafKeys ? kMaxLeafKeys : leaf.keyCount();
      for (int i = 0; i < count; ++i) {
        if (leaf.getKeyInfo(i, &k, &v) < 0) {
          appendf(out, "  [%d] damaged\n", i);
          continue;
        }
        appendf(out, "  [%d] \"%s\" = %d %d %d\n", i, showKey(k.bytes, k.length).c_str(), v.v[0],
                v.v[1], v.v[2]);
      }
      if (leaf.getLimit(&k) == 0)
        appendf(out, "  limit \"%s\"\n", showKey(k.bytes, k.length).c_str());
      else
        appendf(out, "  limit damaged\n");
    } else if (page[kRecKindPos] == kInteriorKind) {
      TrieRecord rec(page);
      appendf(out, "page %#x: interior id %#x  bytes used %d\n", id, rec.id(), rec.allocBytes());
      TrieNode n;
      for (int pos = 0; pos < rec.allocBytes() && rec.readNode(pos, &n) == 0;
           pos += kNodeFixedBytes + n.prefixBytes)
        appendf(out, "  node %d: bit %d  left %#x  right %#x  prefix \"%s\"\n", pos, n.bit, n.left,
                n.right, showKey(n.prefix, n.prefixBytes).c_str());
    } else {
      appendf(out, "page %#x: unknown kind %d\n", id, page[0]);
    }
  }
  return 0;
}

int TrieFile::statistics(std::string* out) {
  if (!open_ || !out) return -1;
  if (writable_ && cache_.flush() < 0) return -1;
  int leafBands[10] = {}, recordBands[10] = {};
  int64_t leaves = 0, records = 0, nodes = 0, damagedPages = 0;
  std::vector<char> buffer(kPageBytes);
  char* page = buffer.data();
  for (int32_t id = kFirstPageId + 1; id < kFirstPageId + pageCounter_; ++id) {
    if (file_.seek((id - kFirstPageId) * kPageBytes) < 0 ||
        file_.read(page, kPageBytes) != kPageBytes) {
      ++damagedPages;
      continue;
    }
    if (page[kLeafKindPos] == kLeafKind && TrieLeafNode::validate(page, id) == 0) {
      TrieLeafNode leaf(page);
      int used = kLeafDataBytes - leaf.freeBytes();
      ++leaves;
      ++leafBands[used * 10 / kLeafDataBytes > 9 ? 9 : used * 10 / kLeafDataBytes];
    } else if (page[kRecKindPos] == kInteriorKind && TrieRecord::validate(page, id) == 0) {
      TrieRecord rec(page);
      ++records;
      TrieNode n;
      for (int pos = 0; pos < rec.allocBytes() && rec.readNode(pos, &n) == 0;
           pos += kNodeFixedBytes + n.prefixBytes)
        ++nodes;
      int band = rec.allocBytes() * 10 / kRecNodeBytes;
      ++recordBands[band > 9 ? 9 : band];
    } else {
      ++damagedPages;
    }
  }
  appendf(out, "Keys: %d\nRecords: %lld\nLeaves: %lld\nInterior nodes: %lld\n", keyCount_,
          static_cast<long long>(records), static_cast<long long>(leaves),
          static_cast<long long>(nodes));
  if (damagedPages > 0) appendf(out, "Damaged pages: %lld\n", static_cast<long long>(damagedPages));
  appendf(out, "\nPercent used    Leaves     Interior nodes\n");
  for (int b = 0; b < 10; ++b)
    appendf(out, "%3d - %3d%%      %6d     %6d\n", b * 10, b * 10 + 10, leafBands[b], recordBands[b]);
  return 0;
}

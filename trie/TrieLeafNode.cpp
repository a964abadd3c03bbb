// TrieLeafNode: slots, key entries, the in-leaf binary search and the leaf split.
#include "trie/TrieLeafNode.h"

#include <cstring>

#include "objects/ByteCodec.h"
#include "objects/Trace.h"

using namespace trieformat;

namespace {

// Checks an entry at data-area offset `pos` above `top`; its key length on success, else -1.
int entryLength(const char* data, int pos, int top) {
  if (pos < top || pos + kEntryHeadBytes > kLeafDataBytes) return -1;
  int16_t len = static_cast<int16_t>(bytecodec::loadU16(data + pos));
  if (len < 0 || len > kMaxEntryKeyBytes || pos + kEntryHeadBytes + len > kLeafDataBytes) return -1;
  return len;
}

int damaged(int32_t id, const char* what) {
  trace::line("ERROR TrieCache: page %ld is a damaged leaf (%s)", static_cast<long>(id), what);
  return -1;
}

}  // namespace

int compareKeys(const char* a, int aBytes, const char* b, int bBytes) {
  int n = aBytes < bBytes ? aBytes : bBytes;
  int c = n > 0 ? std::memcmp(a, b, static_cast<size_t>(n)) : 0;
  if (c != 0) return c;
  return aBytes - bBytes;
}

void TrieLeafNode::init(char* page, int32_t id) {
  std::memset(page, 0, kPageBytes);
  page[kLeafKindPos] = kLeafKind;
  bytecodec::storeI32(page + kLeafIdPos, id);
  bytecodec::storeU16(page + kLeafDataTopPos, kLeafDataBytes);
  bytecodec::storeU16(page + kLeafFreePos, kLeafDataBytes);
}

int TrieLeafNode::validate(const char* page, int32_t id) {
  if (page[kLeafKindPos] != kLeafKind) return damaged(id, "kind");
  if (bytecodec::loadI32(page + kLeafIdPos) != id) return damaged(id, "id");
  int count = bytecodec::loadU16(page + kLeafKeyCountPos);
  int top = bytecodec::loadU16(page + kLeafDataTopPos);
  if (count < 1 || count > kMaxLeafKeys) {
    trace::line("ERROR TrieLeafNode::findGTE -- bad keyCount %d", count);
    return damaged(id, "key count");
  }
  if (top > kLeafDataBytes || top < kSlotBytes * count) return damaged(id, "data top");
  const char* data = page + kLeafDataPos;
  int limitPos = bytecodec::loadU16(page + kLeafLimitPos);
  int limitLen = entryLength(data, limitPos, top);
  if (limitLen <= 0) return damaged(id, "limit");
  for (int i = 0; i < count; ++i) {
    int pos = bytecodec::loadU16(data + kSlotBytes * i);
    if (entryLength(data, pos, top) < 0) {
      trace::line("ERROR getKeyInfo: invalid index %d --> %d", i, pos);
      return damaged(id, "slot");
    }
  }
  int firstPos = bytecodec::loadU16(data);
  int firstLen = entryLength(data, firstPos, top);
  if (compareKeys(data + firstPos + kEntryHeadBytes, firstLen,
                  data + limitPos + kEntryHeadBytes, limitLen) >= 0)
    return damaged(id, "first key not below the limit");
  return 0;
}

void TrieLeafNode::loaded() {
  setCursor(0);
  bytecodec::storeU16(p_ + kLeafFreePos, static_cast<uint16_t>(freeBytes()));
}

int TrieLeafNode::getKeyInfo(int slot, KeyRef* key, TrieValue* value) const {
  if (slot < 0 || slot >= kMaxLeafKeys || slot >= keyCount()) {
    trace::line("ERROR getKeyInfo: invalid index %d", slot);
    return -1;
  }
  int pos = slotOffset(slot);
  int len = entryLength(data(), pos, dataTop());
  if (len < 0) {
    trace::line("ERROR getKeyInfo: invalid index %d --> %d", slot, pos);
    return -1;
  }
  const char* e = data() + pos;
  if (key) {
    key->bytes = e + kEntryHeadBytes;
    key->length = len;
  }
  if (value)
    for (int i = 0; i < 3; ++i) value->v[i] = bytecodec::loadI32(e + 2 + 4 * i);
  return 0;
}

int TrieLeafNode::getLimit(KeyRef* key) const {
  int pos = bytecodec::loadU16(p_ + kLeafLimitPos);
  int len = entryLength(data(), pos, dataTop());
  if (len <= 0) {
    trace::line("ERROR getKeyInfo: invalid index %d --> %d", -1, pos);
    return -1;
  }
  key->bytes = data() + pos + kEntryHeadBytes;
  key->length = len;
  return 0;
}

int TrieLeafNode::covers(const char* key, int keyBytes) const {
  KeyRef first, limit;
  if (getKeyInfo(0, &first, nullptr) < 0 || getLimit(&limit) < 0) return -1;
  if (compareKeys(key, keyBytes, first.bytes, first.length) < 0) return 0;
  return compareKeys(key, keyBytes, limit.bytes, limit.length) < 0 ? 1 : 0;
}

int TrieLeafNode::findGTE(const char* key, int keyBytes, bool* exact) const {
  int count = keyCount();
  if (count < 1 || count > kMaxLeafKeys) {
    trace::line("ERROR TrieLeafNode::findGTE -- bad keyCount %d", count);
    return -1;
  }
  int lo = 0, hi = count;  // the answer lies in [lo, hi]
  *exact = false;
  while (lo < hi) {
    int mid = lo + (hi - lo) / 2;
    KeyRef k;
    if (getKeyInfo(mid, &k, nullptr) < 0) return -1;
    int c = compareKeys(k.bytes, k.length, key, keyBytes);
    if (c == 0) {
      *exact = true;
      return mid;
    }
    if (c < 0)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

int TrieLeafNode::putEntry(const char* key, int keyBytes, const TrieValue& value) {
  int top = dataTop() - kEntryHeadBytes - keyBytes;
  char* e = data() + top;
  bytecodec::storeU16(e, static_cast<uint16_t>(keyBytes));
  for (int i = 0; i < 3; ++i) bytecodec::storeI32(e + 2 + 4 * i, value.v[i]);
  if (keyBytes > 0) std::memcpy(e + kEntryHeadBytes, key, static_cast<size_t>(keyBytes));
  bytecodec::storeU16(p_ + kLeafDataTopPos, static_cast<uint16_t>(top));
  bytecodec::storeU16(p_ + kLeafFreePos, static_cast<uint16_t>(freeBytes()));
  return top;
}

int TrieLeafNode::insertAt(int slot, const char* key, int keyBytes, const TrieValue& value) {
  if (keyBytes < 0 || keyBytes > kMaxEntryKeyBytes) {
    trace::line("ERROR Invalid key in TrieLeafNode");
    return -1;
  }
  int count = keyCount();
  if (slot < 0 || slot > count || count >= kMaxLeafKeys || freeBytes() < entryCost(keyBytes))
    return -1;
  int pos = putEntry(key, keyBytes, value);
  char* slots = data();
  std::memmove(slots + kSlotBytes * (slot + 1), slots + kSlotBytes * slot,
               static_cast<size_t>(kSlotBytes * (count - slot)));
  bytecodec::storeU16(slots + kSlotBytes * slot, static_cast<uint16_t>(pos));
  bytecodec::storeU16(p_ + kLeafKeyCountPos, static_cast<uint16_t>(count + 1));
  bytecodec::storeU16(p_ + kLeafFreePos, static_cast<uint16_t>(freeBytes()));
  return 0;
}

int TrieLeafNode::setLimit(const char* key, int keyBytes) {
  if (keyBytes <= 0 || keyBytes > kMaxEntryKeyBytes ||
      freeBytes() < kEntryHeadBytes + keyBytes) {
    trace::line("ERROR TrieLeaf::split -- invalid bounds");
    return -1;
  }
  int pos = putEntry(key, keyBytes, TrieValue{});
  bytecodec::storeU16(p_ + kLeafLimitPos, static_cast<uint16_t>(pos));
  return 0;
}

int TrieLeafNode::setValue(int slot, const TrieValue& value) {
  if (getKeyInfo(slot, nullptr, nullptr) < 0) return -1;
  char* e = data() + slotOffset(slot);
  for (int i = 0; i < 3; ++i) bytecodec::storeI32(e + 2 + 4 * i, value.v[i]);
  return 0;
}

int TrieLeafNode::split(char* fresh, int32_t freshId, int percent) {
  char copy[kPageBytes];
  std::memcpy(copy, p_, kPageBytes);
  TrieLeafNode old(copy);
  int count = old.keyCount();
  KeyRef limit;
  if (count < 2 || old.getLimit(&limit) < 0) {
    trace::line("ERROR TrieLeaf::split -- invalid bounds");
    return -1;
  }
  int budget = kLeafDataBytes * percent / 100;
  int at = 0;
  for (; percent < kAppendSplit && at < count; ++at) {
    KeyRef k;
    if (old.getKeyInfo(at, &k, nullptr) < 0) return -1;
    budget -= entryCost(k.length);
    if (budget < 0) break;
  }
  if (percent >= kAppendSplit) {
    at = count - 1;  // keys arriving in order: the left leaf stays full
  } else if (at >= count) {
    trace::line("ERROR TrieLeaf::split -- bad split point %d.  Ct = %d", at, count);
    at = count / 2;
  }
  if (at == 0) at = 1;  // both halves keep at least one key

  int32_t ownId = old.id(), nextId = old.next(), prevId = old.prev();
  KeyRef splitKey;
  if (old.getKeyInfo(at, &splitKey, nullptr) < 0) return -1;

  // Both halves are built aside; this page changes only when both are complete.
  char leftImage[kPageBytes];
  TrieLeafNode left(leftImage);
  init(leftImage, ownId);
  left.setPrev(prevId);
  left.setNext(freshId);
  if (left.setLimit(splitKey.bytes, splitKey.length) < 0) return -1;
  TrieLeafNode right(fresh);
  init(fresh, freshId);
  right.setPrev(ownId);
  right.setNext(nextId);
  if (right.setLimit(limit.bytes, limit.length) < 0) return -1;
  for (int i = 0; i < count; ++i) {
    KeyRef k;
    TrieValue v;
    if (old.getKeyInfo(i, &k, &v) < 0) return -1;
    TrieLeafNode& to = i < at ? left : right;
    if (to.insertAt(to.keyCount(), k.bytes, k.length, v) < 0) return -1;
  }
  std::memcpy(p_, leftImage, kPageBytes);
  return 0;
}

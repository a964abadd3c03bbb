// TrieLeafNode: the view of one leaf page image of a key file: its header fields, the slot
// array and key entries, the in-leaf search, entry insertion and the leaf split. Works on a
// page image only (no I/O). Depends on trie/TrieFormat.h.
#pragma once

#include <cstdint>

#include "objects/ByteCodec.h"
#include "trie/TrieFormat.h"
#include "trie/TrieValue.h"

// A key as stored: bytes (not terminated) and their count.
struct KeyRef {
  const char* bytes = nullptr;
  int length = 0;
};

// Key order: unsigned bytes over the shorter length, then the shorter key first.
// <0, 0 or >0 like memcmp.
int compareKeys(const char* a, int aBytes, const char* b, int bBytes);

// Threads: none of its own; the page belongs to the caller's lock.
class TrieLeafNode {
 public:
  explicit TrieLeafNode(char* page) : p_(page) {}

  // Lays out an empty leaf with id `id` (no keys, no limit yet, no neighbours).
  static void init(char* page, int32_t id);
  // Checks a leaf image read from the file: kind, id, key count, data top, every slot and
  // the limit entry lie inside the data area with lengths 0..512, and the first key sorts
  // below the limit. 0, or -1 traced "ERROR TrieCache: page %ld ...".
  static int validate(const char* page, int32_t id);
  // Resets the fields that belong to memory only: cursor 0, free space recomputed.
  void loaded();

  int32_t id() const { return bytecodec::loadI32(p_ + trieformat::kLeafIdPos); }
  int keyCount() const { return bytecodec::loadU16(p_ + trieformat::kLeafKeyCountPos); }
  int dataTop() const { return bytecodec::loadU16(p_ + trieformat::kLeafDataTopPos); }
  int freeBytes() const { return dataTop() - trieformat::kSlotBytes * keyCount(); }
  int32_t next() const { return bytecodec::loadI32(p_ + trieformat::kLeafNextPos); }
  int32_t prev() const { return bytecodec::loadI32(p_ + trieformat::kLeafPrevPos); }
  void setNext(int32_t id) { bytecodec::storeI32(p_ + trieformat::kLeafNextPos, id); }
  void setPrev(int32_t id) { bytecodec::storeI32(p_ + trieformat::kLeafPrevPos, id); }
  void setCursor(int slot) {
    bytecodec::storeU16(p_ + trieformat::kLeafCursorPos, static_cast<uint16_t>(slot));
  }

  // The key (pointer into the page) and value of slot `slot`. 0, or -1 traced
  // "ERROR getKeyInfo: invalid index %d" (slot outside 0..500 or the key count) or
  // "ERROR getKeyInfo: invalid index %d --> %d" (slot offset outside the data area).
  int getKeyInfo(int slot, KeyRef* key, TrieValue* value) const;
  // The limit key: every key of the leaf sorts below it. 0 or -1 as getKeyInfo.
  int getLimit(KeyRef* key) const;
  // 1 when the key lies in [first key, limit), 0 when not, -1 on damage.
  int covers(const char* key, int keyBytes) const;

  // The slot of the key, or of the first key above it (keyCount() when none); *exact tells
  // which. -1 traced "ERROR TrieLeafNode::findGTE -- bad keyCount %d" or as getKeyInfo.
  int findGTE(const char* key, int keyBytes, bool* exact) const;

  // Stores an entry for the key below the data top and its slot at `slot`, shifting later
  // slots up. 0, or -1 with the page unchanged: "ERROR Invalid key in TrieLeafNode" for a
  // length outside 0..512, or no room (free space below entry size + 2).
  // Requires: keys are cut to 511 bytes by the caller; slot keeps the key order.
  int insertAt(int slot, const char* key, int keyBytes, const TrieValue& value);
  // Stores the limit entry. Requires: a freshly initialised leaf with room.
  int setLimit(const char* key, int keyBytes);
  // Replaces the value of slot `slot`. 0 or -1 as getKeyInfo.
  int setValue(int slot, const TrieValue& value);

  // Splits a full leaf: keys before the split point stay here (the split key becomes the
  // limit), the rest and the old limit move to `fresh`, a new page image with id `freshId`,
  // linked after this one (the caller relinks the following leaf). The split point is the
  // first key that no longer fits into `percent` % of the data area. 0, or -1 with
  // "ERROR TrieLeaf::split -- invalid bounds" (empty or damaged limit); a walk that never
  // stops is reported "ERROR TrieLeaf::split -- bad split point %d.  Ct = %d" and splits at
  // half the count.
  // kAppendSplit instead of a percentage keeps every key but the last on the left: the
  // split for a key that goes after all keys of the leaf, as keys inserted in order do.
  static constexpr int kAppendSplit = 100;
  int split(char* fresh, int32_t freshId, int percent);

  // The size of the entry a key of this length takes, slot included.
  static int entryCost(int keyBytes) { return trieformat::kEntryHeadBytes + keyBytes + trieformat::kSlotBytes; }

  char* page() const { return p_; }

 private:
  char* data() const { return p_ + trieformat::kLeafDataPos; }
  int slotOffset(int slot) const {
    return bytecodec::loadU16(data() + trieformat::kSlotBytes * slot);
  }
  // Stores an entry below the data top; returns its offset. Requires: room.
  int putEntry(const char* key, int keyBytes, const TrieValue& value);

  char* p_;
};

// TrieRecord: the view of one interior page image of a key file: its node area and the
// branch nodes of the binary trie inside it. Works on a page image only (no I/O). Depends
// on trie/TrieFormat.h.
#pragma once

#include <cstdint>

#include "objects/ByteCodec.h"
#include "trie/TrieFormat.h"

// One branch node as read from a page. `prefix` points into the page.
struct TrieNode {
  int32_t left = 0;   // child when the tested bit is 0
  int32_t right = 0;  // child when it is 1
  int bit = 0;
  int prefixBytes = 0;
  const char* prefix = nullptr;
  int32_t child(int side) const { return side ? right : left; }
};

// Threads: none of its own; the page belongs to the caller's lock.
class TrieRecord {
 public:
  explicit TrieRecord(char* page) : p_(page) {}

  // Lays out an empty interior page with id `id`.
  static void init(char* page, int32_t id);
  // Checks an interior page image read from the file: kind 0, the id, and an allocation
  // pointer inside the node area that leaves room for node 0. 0, or -1 traced
  // "ERROR TrieCache: page %ld ...".
  static int validate(const char* page, int32_t id);

  int32_t id() const { return bytecodec::loadI32(p_ + trieformat::kRecIdPos); }
  int allocBytes() const { return bytecodec::loadU16(p_ + trieformat::kRecAllocPos); }
  // True when a node with the longest prefix might no longer fit.
  bool isFull() const {
    return allocBytes() + trieformat::kFullMargin > trieformat::kFullLimit;
  }

  // Reads the node at node offset `pos`. 0, or -1 traced when the node does not lie inside
  // the used node area, its bit is 4096 or more, or its prefix length is not bit / 8 + 1.
  int readNode(int pos, TrieNode* node) const;
  // Allocates a node testing `bit` whose prefix is the first bit / 8 + 1 bytes of `key`
  // (zero-padded past its end). Returns its node offset, or -1 when the page has no room.
  int allocNode(int bit, const char* key, int keyBytes, int32_t left, int32_t right);
  // Points side `side` (0 left, 1 right) of the node at `pos` to `child`.
  // Requires: a node read successfully at `pos`.
  void setChild(int pos, int side, int32_t child);

  char* page() const { return p_; }

 private:
  char* nodes() const { return p_ + trieformat::kRecNodesPos; }
  char* p_;
};

// Bit b of a key: the bit of value 0x80 >> (b % 8) in byte b / 8; 0 past the key's end.
inline int keyBit(const char* key, int keyBytes, int bit) {
  int byte = bit >> 3;
  if (byte >= keyBytes) return 0;
  return (static_cast<unsigned char>(key[byte]) >> (7 - (bit & 7))) & 1;
}

// The first bit in [from, to) where the two keys differ (both read as zero past their
// ends), or -1 when they agree there.
int firstDifferentBit(const char* a, int aBytes, const char* b, int bBytes, int from, int to);

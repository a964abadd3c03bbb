// TrieRecord: branch nodes inside an interior page, and bit comparison of keys.
#include "trie/TrieRecord.h"

#include <cstring>

#include "objects/ByteCodec.h"
#include "objects/Trace.h"

using namespace trieformat;

int firstDifferentBit(const char* a, int aBytes, const char* b, int bBytes, int from, int to) {
  if (from < 0) from = 0;
  if (from >= to) return -1;
  int firstByte = from >> 3, lastByte = (to - 1) >> 3;
  for (int i = firstByte; i <= lastByte; ++i) {
    unsigned x = static_cast<unsigned>((i < aBytes ? static_cast<unsigned char>(a[i]) : 0) ^
                                       (i < bBytes ? static_cast<unsigned char>(b[i]) : 0));
    if (i == firstByte) x &= 0xFFu >> (from & 7);
    if (i == lastByte) x &= (0xFFu << (7 - ((to - 1) & 7))) & 0xFFu;
    if (x) return i * 8 + (__builtin_clz(x) - 24);
  }
  return -1;
}

void TrieRecord::init(char* page, int32_t id) {
  std::memset(page, 0, kPageBytes);
  page[kRecKindPos] = kInteriorKind;
  bytecodec::storeI32(page + kRecIdPos, id);
}

int TrieRecord::validate(const char* page, int32_t id) {
  const char* what = nullptr;
  int alloc = bytecodec::loadU16(page + kRecAllocPos);
  if (page[kRecKindPos] != kInteriorKind)
    what = "kind";
  else if (bytecodec::loadI32(page + kRecIdPos) != id)
    what = "id";
  else if (alloc < kNodeFixedBytes + 1 || alloc > kRecNodeBytes)
    what = "allocation pointer";
  if (!what) return 0;
  trace::line("ERROR TrieCache: page %ld is a damaged interior page (%s)", static_cast<long>(id),
              what);
  return -1;
}

int TrieRecord::readNode(int pos, TrieNode* node) const {
  int alloc = allocBytes();
  if (alloc > kRecNodeBytes) alloc = kRecNodeBytes;
  if (pos < 0 || pos + kNodePrefixPos > alloc) {
    trace::line("ERROR TrieRecord %ld: node offset %d outside the node area (%d)",
                static_cast<long>(id()), pos, alloc);
    return -1;
  }
  const char* n = nodes() + pos;
  int bit = bytecodec::loadU16(n + kNodeBitPos);
  int prefixBytes = bytecodec::loadU16(n + kNodePrefixLengthPos);
  if (bit >= kMaxBit || prefixBytes != bit / 8 + 1 || pos + kNodeFixedBytes + prefixBytes > alloc) {
    trace::line("ERROR TrieRecord %ld: damaged node at %d (bit %d, prefix length %d)",
                static_cast<long>(id()), pos, bit, prefixBytes);
    return -1;
  }
  node->left = bytecodec::loadI32(n + kNodeLeftPos);
  node->right = bytecodec::loadI32(n + kNodeRightPos);
  node->bit = bit;
  node->prefixBytes = prefixBytes;
  node->prefix = n + kNodePrefixPos;
  return 0;
}

int TrieRecord::allocNode(int bit, const char* key, int keyBytes, int32_t left, int32_t right) {
  int prefixBytes = bit / 8 + 1;
  int pos = allocBytes();
  if (bit < 0 || bit >= kMaxBit || pos + kNodeFixedBytes + prefixBytes > kRecNodeBytes) return -1;
  char* n = nodes() + pos;
  bytecodec::storeI32(n + kNodeLeftPos, left);
  bytecodec::storeI32(n + kNodeRightPos, right);
  bytecodec::storeU16(n + kNodeBitPos, static_cast<uint16_t>(bit));
  bytecodec::storeU16(n + kNodePrefixLengthPos, static_cast<uint16_t>(prefixBytes));
  int copy = keyBytes < prefixBytes ? keyBytes : prefixBytes;
  if (copy > 0) std::memcpy(n + kNodePrefixPos, key, static_cast<size_t>(copy));
  std::memset(n + kNodePrefixPos + copy, 0, static_cast<size_t>(prefixBytes - copy + 1));
  bytecodec::storeU16(p_ + kRecAllocPos, static_cast<uint16_t>(pos + kNodeFixedBytes + prefixBytes));
  return pos;
}

void TrieRecord::setChild(int pos, int side, int32_t child) {
  bytecodec::storeI32(nodes() + pos + (side ? kNodeRightPos : kNodeLeftPos), child);
}

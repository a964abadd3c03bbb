// Layout constants of the trie key file: the header page, leaf pages, interior pages and
// the branch nodes inside them; fields are read and written through objects/ByteCodec.h. The
// format is described in docs/formats/trie-file.md; change the page, this header and the
// golden test together. Constants only; depends on nothing.
#pragma once

#include <cstdint>
#include <cstring>

namespace trieformat {

constexpr int32_t kPageBytes = 4096;
// Page ids start here; the page with id p lies at file offset (p - kFirstPageId) * 4096.
// Values below it, inside an interior page, are node offsets.
constexpr int32_t kFirstPageId = 0x1000;
constexpr int32_t kHeaderId = kFirstPageId;
// The largest page counter that keeps every page inside a file of 2 GiB - 1 bytes.
constexpr int32_t kMaxPageCounter = 0x7FFFFFFF / kPageBytes - 1;

// File header (page 0x1000).
constexpr unsigned char kMagic[8] = {0xFF, 'Q', 'M', 'X', ' ', 'K', 'F', 0x00};
constexpr int kMagicBytes = 8;
constexpr uint16_t kVersion = 4;
constexpr int kHdrMagicPos = 0;
constexpr int kHdrVersionPos = 8;          // 2 bytes
constexpr int kHdrKeyCountPos = 10;        // 4
constexpr int kHdrInteriorCountPos = 14;   // 4
constexpr int kHdrLeafCountPos = 18;       // 4
constexpr int kHdrReservedShortPos = 22;   // 2
constexpr int kHdrMaxKeyLengthPos = 24;    // 2
constexpr int kHdrRootIdPos = 26;          // 4
constexpr int kHdrPageCounterPos = 30;     // 4
constexpr int kHdrFirstLeafIdPos = 34;     // 4
constexpr int kHdrCacheStatPos = 38;       // 2
constexpr int kHdrUsedBytes = 40;          // the rest of the page is zero

// Keys.
constexpr int kMaxKeyBytes = 511;       // longer keys are cut to this length
constexpr int kMaxEntryKeyBytes = 512;  // a stored length above this is damage
constexpr int kValueBytes = 12;         // three 4-byte integers
constexpr int kEntryHeadBytes = 2 + kValueBytes;  // length, value; the key follows
constexpr int kSlotBytes = 2;

// Leaf page ("L").
constexpr char kLeafKind = 'L';
constexpr int kLeafKindPos = 0;
constexpr int kLeafIdPos = 1;           // 4
constexpr int kLeafCursorPos = 5;       // 2
constexpr int kLeafKeyCountPos = 7;     // 2
constexpr int kLeafDataTopPos = 9;      // 2
constexpr int kLeafFreePos = 11;        // 2
constexpr int kLeafLimitPos = 13;       // 2
constexpr int kLeafNextPos = 15;        // 4
constexpr int kLeafPrevPos = 19;        // 4
constexpr int kLeafDataPos = 23;
constexpr int kLeafDataBytes = kPageBytes - kLeafDataPos;  // 4073
// A leaf key count outside 1..kMaxLeafKeys is damage (real leaves hold far fewer: every
// entry takes at least 16 bytes with its slot).
constexpr int kMaxLeafKeys = 501;

// Interior page (kind 0) and its branch nodes.
constexpr char kInteriorKind = 0;
constexpr int kRecKindPos = 0;
constexpr int kRecIdPos = 1;            // 4
constexpr int kRecAllocPos = 5;         // 2: bytes used in the node area
constexpr int kRecNodesPos = 7;
constexpr int kRecNodeBytes = kPageBytes - kRecNodesPos;  // 4089
constexpr int kNodeLeftPos = 0;         // 4
constexpr int kNodeRightPos = 4;        // 4
constexpr int kNodeBitPos = 8;          // 2
constexpr int kNodePrefixLengthPos = 10;  // 2
constexpr int kNodePrefixPos = 12;      // prefix bytes, then one zero byte
constexpr int kNodeFixedBytes = 13;     // a node takes this + prefix length
constexpr int kMaxBit = 4096;           // tested bits lie below this
// A page is full when allocation pointer + kFullMargin exceeds kFullLimit, so that a node
// with the longest prefix always fits.
constexpr int kFullMargin = kNodeFixedBytes + kMaxKeyBytes;  // 524
constexpr int kFullLimit = 4088;

// The initial file: root page, first and last leaf, and the two sentinel keys.
constexpr int32_t kInitialRootId = 0x1001;
constexpr int32_t kInitialFirstLeafId = 0x1002;
constexpr int32_t kInitialLastLeafId = 0x1003;
constexpr unsigned char kLowSentinel = 0x01;
constexpr unsigned char kHighSentinel = 0xFF;
constexpr int kHighLimitBytes = 32;  // the last leaf's limit: 32 bytes 0xFF

constexpr int kDefaultSplitPercent = 50;

}  // namespace trieformat

// Constants of the bit-packed word reference lists in the reference file (INDEX_R.IX),
// shared by RefWriter, RefReader and CiteTable. The layout, worked bit by bit, is in
// docs/formats/ref-lists.md. Constants only: no code, no includes beyond <cstdint>.
#pragma once

#include <cstdint>

namespace refformat {

// Field widths in bits.
constexpr int kWidthFieldBits = 5;      // group width w, cite width c, the chunk end mark
constexpr int kFlagBits = 1;            // continuation flag after the end mark
constexpr int kPointerBytes = 4;        // next chunk position, little-endian, byte aligned

// Largest width a 5-bit field can name; ids, cite counts and cites fit in 31 bits.
constexpr int kMaxWidth = 31;
constexpr int32_t kMaxValue = INT32_MAX;

// A group width of 0 where a group would start marks the end of a chunk; a document id of
// 0 ends a group.
constexpr int kEndMark = 0;
constexpr int32_t kGroupEnd = 0;

// Positions per block of a CiteTable.
constexpr int32_t kCiteBlockCount = 511;

// The inspector tallies entries by cite count 0..24, and 25 or more in the last slot.
constexpr int kTallyCiteSlots = 26;

}  // namespace refformat

// Constants of the checksum file INDEX_C.IX: the length and CRC-32 of each file that makes up
// a committed index. The page that draws it is docs/formats/index-checksums.md. Constants
// only: no code, no dependencies.
#pragma once

#include <cstdint>

namespace checksumformat {

constexpr const char* kFileName = "INDEX_C.IX";

// "LXRCSUM" and a 1 byte.
constexpr char kMagic[8] = {'L', 'X', 'R', 'C', 'S', 'U', 'M', '\x01'};
constexpr int32_t kMagicPos = 0;
constexpr int32_t kMagicBytes = 8;
constexpr int32_t kVersionPos = 8;         // 4: version
constexpr int32_t kEntryCountPos = 12;     // 4: entries that follow
constexpr int32_t kHeadBytes = 16;
constexpr uint32_t kVersion = 1;

// Entry: the file's name (NUL-padded), its length (-1: the file is absent) and its CRC-32.
constexpr int32_t kEntryNamePos = 0;
constexpr int32_t kEntryNameBytes = 12;
constexpr int32_t kEntryLengthPos = 12;    // 4, int32
constexpr int32_t kEntryCrcPos = 16;       // 4, uint32 (0 for an absent file)
constexpr int32_t kEntryBytes = 20;
constexpr int32_t kAbsentLength = -1;

// After the entries: the CRC-32 of every byte before it.
constexpr int32_t kTrailerBytes = 4;

// The files covered, in the order of the entries. INDEX_K.IX stands for the dictionary in
// use, which is a pending copy IXK<n>.IX when the header names one.
constexpr const char* kCoveredNames[] = {"INDEX_I.IX", "INDEX_O.IX",  "INDEX_N.IX",
                                         "INDEX_S.IX", "INDEX_L.IX",  "INDEX_D.IX",
                                         "INDEX_DI.IX", "INDEX_K.IX", "INDEX_R.IX"};
constexpr int kCoveredCount = sizeof kCoveredNames / sizeof kCoveredNames[0];
constexpr int kDictionaryEntry = 7;
constexpr int kRefEntry = 8;

constexpr int32_t kFileBytes = kHeadBytes + kCoveredCount * kEntryBytes + kTrailerBytes;

}  // namespace checksumformat

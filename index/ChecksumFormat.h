// Constants of the checksum file INDEX_C.IX: the length and CRC-32 of each file that makes up
// a committed index. The page that draws it is docs/formats/index-checksums.md. Constants
// only: no code; the file names come from index/IndexFileNames.h.
#pragma once

#include <cstdint>

#include "index/IndexFileNames.h"

namespace checksumformat {

constexpr const char* kFileName = indexfiles::nameOf(indexformat::kChecksumFile);

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

// The files covered, in the order of the entries, and the names the entries give them. The
// main dictionary's name stands for the dictionary in use, which is a pending copy when the
// header names one.
constexpr uint32_t kCoveredTypes[] = {indexformat::kHeaderFile,  indexformat::kOptionsFile,
                                      indexformat::kNoiseFile,   indexformat::kFiltersFile,
                                      indexformat::kFoldersFile, indexformat::kDocFile,
                                      indexformat::kDocIndexFile, indexformat::kKeyFile,
                                      indexformat::kRefFile};
constexpr int kCoveredCount = sizeof kCoveredTypes / sizeof kCoveredTypes[0];
constexpr const char* kCoveredNames[kCoveredCount] = {
    indexfiles::nameOf(kCoveredTypes[0]), indexfiles::nameOf(kCoveredTypes[1]),
    indexfiles::nameOf(kCoveredTypes[2]), indexfiles::nameOf(kCoveredTypes[3]),
    indexfiles::nameOf(kCoveredTypes[4]), indexfiles::nameOf(kCoveredTypes[5]),
    indexfiles::nameOf(kCoveredTypes[6]), indexfiles::nameOf(kCoveredTypes[7]),
    indexfiles::nameOf(kCoveredTypes[8])};
constexpr int kDictionaryEntry = 7;
constexpr int kRefEntry = 8;
static_assert(kCoveredTypes[kDictionaryEntry] == indexformat::kKeyFile &&
              kCoveredTypes[kRefEntry] == indexformat::kRefFile);

constexpr int32_t kFileBytes = kHeadBytes + kCoveredCount * kEntryBytes + kTrailerBytes;

}  // namespace checksumformat

// Constants of the merge file MERGE.TMP: the sorted runs ("tracks") the word sorter writes
// and the merge reads back. The layout is drawn in docs/formats/merge-file.md. Constants
// only: no code; the file's name comes from index/IndexFileNames.h.
#pragma once

#include <cstdint>

#include "index/IndexFileNames.h"

namespace mergeformat {

constexpr const char* kFileName = indexfiles::nameOf(indexformat::kMergeFile);

// Word record: length (2), text (length), refLen (4), citeCount (4), docIdCount (4), then
// refLen bytes of references. A length of 0 ends the track.
constexpr int32_t kLengthBytes = 2;
constexpr int32_t kCountsBytes = 12;
constexpr int kMaxWordBytes = 512;         // the text field holds this and a zero
constexpr int kMaxIndexWordLen = 128;      // the longest word the indexer ever hands over
constexpr int32_t kCountLimit = 1000000;   // refLen and citeCount stay below this
// A word record is split before it could reach the limits above: 50000 positions (with
// their documents) take well under 999999 bytes at the widest encoding.
constexpr int32_t kMaxCitesPerRecord = 50000;

// After the last record: zero bytes to the next multiple of 16 (16 when already aligned),
// then the end marker: four zero bytes, "* EndTrack *", one zero byte.
constexpr int32_t kPadAlign = 16;
constexpr char kEndMarker[] = "\0\0\0\0* EndTrack *";  // plus the array's own zero
constexpr int32_t kEndMarkerBytes = 17;
static_assert(sizeof kEndMarker == kEndMarkerBytes, "end marker is 17 bytes");

// Tracks per file, and the count at which the file asks for a merge.
constexpr int kMaxTracks = 100;
constexpr int kFullTracks = 98;

// Size limit: half the free space, refused under kMinMaxLen, capped at kDefaultMaxLen
// unless the job names another cap.
constexpr int64_t kMinMaxLen = 524288;
constexpr int64_t kDefaultMaxLen = 10485760;

// Reference file block: the copied references, the chunk end with the back pointer, then
// this byte.
constexpr uint8_t kBlockEndByte = 0x2A;

// Progress is reported every this many merged words.
constexpr int32_t kProgressEvery = 501;

}  // namespace mergeformat

// IndexChecksums: the checksum file INDEX_C.IX in memory. It holds the length and CRC-32 of
// every file that makes up a committed index, so that verification notices a changed byte
// anywhere, including bytes no structure check reads (free page space, names, positions).
// The writer of an index replaces it as part of each commit; the verifier compares it with
// the files. Layout: docs/formats/index-checksums.md, constants in index/ChecksumFormat.h.
// Decoding treats the bytes as hostile. Depends on io/ and objects/ only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "index/ChecksumFormat.h"

// Threads: one user at a time. Holds no files between calls.
class IndexChecksums {
 public:
  struct Entry {
    int32_t length = checksumformat::kAbsentLength;  // -1: the file is absent
    uint32_t crc = 0;
  };

  // Sums the files at `paths`, one per covered file in the order of
  // checksumformat::kCoveredNames; a file that does not exist is recorded as absent.
  // When `previous` records the reference file (entry kRefEntry) as exactly `refGrownFrom`
  // bytes long and the file only grew since, only its new bytes are read and the sum
  // continues from the recorded one. 0, or -1 when a file exists but cannot be read
  // (the entries are then not to be used).
  // Requires: paths.size() == checksumformat::kCoveredCount.
  int compute(const std::vector<std::string>& paths, const IndexChecksums* previous = nullptr,
              int32_t refGrownFrom = -1);

  // The file's bytes (checksumformat::kFileBytes of them).
  std::string encode() const;
  // Reads the bytes of a checksum file. 0, or -1 with `reason` (the entries are then
  // untouched): wrong size, magic, version, names, lengths or trailing CRC-32.
  int decode(const char* begin, const char* end, std::string* reason);
  // Reads and decodes the file at `path`. 1 when read; 0 when there is no such file; -1 when
  // it exists but cannot be read or is damaged (`reason` says why).
  int read(const std::string& path, std::string* reason);
  // Replaces the file at `path` as a whole (io/WholeFile: written beside it, put on the disk,
  // renamed over it). 0, or -1 with the old file left as it was.
  int write(const std::string& path) const;

  // Compares the entries with the files at `paths` (as for compute). 0 when every file
  // agrees; -1 at the first that does not, with a line naming it in `fault`. An empty path
  // leaves its file out of the comparison.
  int check(const std::vector<std::string>& paths, std::string* fault) const;

  const Entry& entry(int i) const { return entries_[i]; }

 private:
  Entry entries_[checksumformat::kCoveredCount];
};

// IndexHeader: the index header (INDEX_I.IX) in memory, its field-by-field encoding, and the
// index options file (INDEX_O.IX) that overrides some of its fields. Layout:
// docs/formats/index-files.md, constants in index/IndexFormat.h. Decoding treats the bytes
// as hostile. Depends on api/TableFile (options file) and below.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "index/IndexFormat.h"

struct IndexHeader {
  int16_t version = 0;
  int32_t formatMark = 0;
  int32_t documentCount = 0;   // document ids handed out so far
  int32_t pathCount = 0;       // folder ids handed out so far
  int32_t obsoleteCount = 0;   // cancelled documents not yet removed
  int32_t segmentCount = 0;
  int32_t wordCount = 0;
  std::string docRoot;         // at most 511 bytes
  std::string indexName;       // at most 39 bytes
  int32_t created = 0;         // C time values; 0 = never
  int32_t updated = 0;
  int32_t compressed = 0;
  uint8_t inUse = 0;
  std::string writer;          // at most 30 bytes
  std::string versionTag;      // at most 31 bytes
  uint8_t flags[indexformat::kFlagsBytes] = {};
  int32_t writeCount = 0;
  int32_t pendingDictionary = 0;
  // The Unicode text model (kept in the options file only; the header bytes do not say).
  bool unicode = false;

  // The flags as a reader takes them: all three on when the flags-valid byte is 0.
  bool ignoreAccents() const;
  bool ignoreCase() const;
  bool relativePaths() const;
  // Sets the three flags and marks them valid.
  void setFlags(bool ignoreAccentsFlag, bool ignoreCaseFlag, bool relativePathsFlag);

  // A fresh header of a new index: version 412, mark 411, write count 1, the version tag.
  void initNew();

  // Writes the 863 bytes field by field into `out` (text fields zero-padded and cut so that
  // a terminator always fits). Requires: `out` holds kHeaderBytes.
  void encode(char* out) const;
  // Reads the fields from [begin, end). 0, or -1 when fewer than 863 bytes are given (the
  // header is then unchanged). Text fields end at their first NUL or their width. No value
  // is judged here: see problem().
  int decode(const char* begin, const char* end);

  // What is wrong with a decoded header, as the lock reports it: 0 = fine, 1 = not an index
  // header or damaged (format mark, negative counts), 5 = another version (version / 100 is
  // not 4), 2 = a version tag this program cannot read (not "Lexaurum_4", not empty and not
  // starting with "%"). `reason` (may be null) receives a short text for 1.
  int problem(std::string* reason) const;
};

namespace indexoptions {

// Applies an options file's text to `header`: Name, DocRoot, RelativePaths, CaseSensitive,
// AccentSensitive, TextModel, each only when present and readable. 0, or -1 when the text is not an
// index options file (title); the header is then unchanged.
int apply(const char* data, size_t size, IndexHeader* header);
// Reads the file at `path` and applies it. 1 when the file does not exist (nothing applied),
// 0 when applied, -1 when it exists but cannot be read or is not an options file.
int applyFile(const std::string& path, IndexHeader* header);
// The file form of the options: every key except DocRoot; TextModel only for Unicode.
std::string text(const IndexHeader& header);
// Replaces the options file (a crash leaves the old or the new file). 0 or -1.
int writeFile(const std::string& path, const IndexHeader& header);

}  // namespace indexoptions

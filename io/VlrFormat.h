// Constants of the variable-length record file and its record index: magics, header
// offsets, object framing and limits. The layout is drawn and explained in
// docs/formats/vlr-file.md; change that page, this header and the golden test together.
// Constants only: no code, no includes beyond <cstdint>.
#pragma once

#include <cstdint>

// Fields per record and per file, and bytes of field data per record. The names are the
// ones the consistency-check texts print.
constexpr int32_t vlrMaxFields = 128;
constexpr int32_t vlrMaxRecordLen = 8192;

namespace vlrformat {

// ---- Record file header (all integers little-endian) ----
constexpr int32_t kMagicBytes = 10;
constexpr char kMagic[kMagicBytes] = {'\xFF', 'Q', 'M', 'X', '-', 'V', 'L', 'R', 'D', '\0'};
constexpr int32_t kTitlePos = 10;
constexpr int32_t kTitleBytes = 32;
constexpr int32_t kReservedShortPos = 42;
constexpr int32_t kRecordCountPos = 44;
constexpr int32_t kReservedLongPos = 48;
constexpr int32_t kFieldCountPos = 52;
constexpr int32_t kFieldDefsPos = 54;
constexpr int32_t kFieldDefBytes = 32;
// Inside one field definition: the type letter, three zero bytes, the zero-padded name.
constexpr int32_t kFieldTypePos = 0;
constexpr int32_t kFieldNamePos = 4;
constexpr int32_t kFieldNameBytes = 28;
constexpr int32_t kUserHeaderBytes = 1024;

// Bytes of a header with `fieldCount` definitions; the first object starts right after.
constexpr int32_t headerBytes(int32_t fieldCount) {
  return kFieldDefsPos + kFieldDefBytes * fieldCount + kUserHeaderBytes;
}

// ---- Objects: type byte and 4-byte size, payload, the same type and size again ----
constexpr uint8_t kTypeRecord = 'R';
constexpr uint8_t kTypeObject = 'O';
constexpr int32_t kObjectHeadBytes = 5;
constexpr int32_t kObjectTailBytes = 5;
// A scan for objects stops when fewer bytes than this remain.
constexpr int32_t kMinObjectBytes = kObjectHeadBytes + kObjectTailBytes;

// ---- Record payload: field count (2), data length (2), one 2-byte length per field,
// then the field data. The size stored for a record is the payload bytes plus one. ----
constexpr int32_t kRecordHeadBytes = 4;
constexpr int32_t kFieldLengthBytes = 2;
constexpr int32_t kRecordSizeExtra = 1;
constexpr int32_t kMinRecordSize = kRecordHeadBytes + kRecordSizeExtra;
constexpr int32_t kMaxRecordSize =
    kRecordHeadBytes + kFieldLengthBytes * vlrMaxFields + vlrMaxRecordLen + kRecordSizeExtra;
// The smallest record object (no fields), used to bound a record count against the file.
constexpr int32_t kMinRecordObjectBytes =
    kObjectHeadBytes + kRecordHeadBytes + kObjectTailBytes;

// ---- Named object payload: name length (1), name, data padded to the declared size ----
constexpr int32_t kObjectNameLengthBytes = 1;
constexpr int32_t kMaxObjectNameBytes = 255;

// ---- Record index file ----
constexpr char kIndexMagic[kMagicBytes] = {'\xFF', 'Q', 'M', 'X', '-', 'V', 'L', 'R', 'I', '\0'};
constexpr int32_t kIndexCountPos = 10;
constexpr int32_t kIndexHeaderBytes = 256;
constexpr int32_t kIndexEntryBytes = 4;
// The letter inserted before the extension's dot of the record file's name.
constexpr char kIndexNameLetter = 'I';

}  // namespace vlrformat

// The one codec of the fields our files store: little-endian integers of 8 to 64 bits and
// fixed-width or length-prefixed strings, read and written between a start and an end
// pointer so that no field is ever taken from past the end of its buffer. Unchecked inline
// loads and stores serve fixed images whose length the caller has already checked (trie
// pages, a header read whole). Depends on nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace bytecodec {

// The most bytes a length-prefixed string holds, by the width of its length.
constexpr size_t kMaxString8Bytes = 0xFF;
constexpr size_t kMaxString16Bytes = 0xFFFF;

// ---- Checked readers ----
// Each reads one field that starts at p. Returns 0 and sets *out when all of the field's
// bytes lie before end; returns -1 with *out untouched when p is null, p is past end or
// fewer bytes are left. Nothing at or after end is read.
int getU8(const void* p, const void* end, uint8_t* out);
int getU16(const void* p, const void* end, uint16_t* out);
int getI16(const void* p, const void* end, int16_t* out);
int getU32(const void* p, const void* end, uint32_t* out);
int getI32(const void* p, const void* end, int32_t* out);
int getU64(const void* p, const void* end, uint64_t* out);
int getI64(const void* p, const void* end, int64_t* out);

// A fixed-width string: the `width` bytes at p, of which *out gets those before the first
// NUL (all of them when there is none). -1, *out untouched, when fewer than `width` bytes
// are left.
int getFixedString(const void* p, const void* end, size_t width, std::string* out);

// A length-prefixed string: an 8-bit (16-bit) length, then that many bytes, which *out
// gets. *fieldBytes (when not null) gets the bytes the field takes, prefix included. -1,
// both out-parameters untouched, when the prefix or the bytes it counts run past end.
int getString8(const void* p, const void* end, std::string* out, size_t* fieldBytes);
int getString16(const void* p, const void* end, std::string* out, size_t* fieldBytes);

// ---- Checked writers ----
// Each writes one field at p. Returns 0 when all of its bytes fit before end; -1 with
// nothing written when p is null, p is past end or the field does not fit.
int putU8(void* p, const void* end, uint8_t v);
int putU16(void* p, const void* end, uint16_t v);
int putI16(void* p, const void* end, int16_t v);
int putU32(void* p, const void* end, uint32_t v);
int putI32(void* p, const void* end, int32_t v);
int putU64(void* p, const void* end, uint64_t v);
int putI64(void* p, const void* end, int64_t v);

// A fixed-width string: the first min(text.size(), width) bytes of text, then NULs up to
// `width` bytes. A text of `width` bytes or more keeps no NUL: a caller whose format wants
// one passes width - 1 over a zeroed field.
int putFixedString(void* p, const void* end, size_t width, std::string_view text);

// A length-prefixed string (see getString8). -1, nothing written, also when the text is
// longer than its length can count (kMaxString8Bytes, kMaxString16Bytes).
int putString8(void* p, const void* end, std::string_view text);
int putString16(void* p, const void* end, std::string_view text);

// ---- Appenders: the same encodings added to the end of a string ----
void appendU8(std::string* out, uint8_t v);
void appendU16(std::string* out, uint16_t v);
void appendU32(std::string* out, uint32_t v);
void appendU64(std::string* out, uint64_t v);
void appendFixedString(std::string* out, size_t width, std::string_view text);
// -1, *out unchanged, when the text is longer than its length can count.
int appendString8(std::string* out, std::string_view text);
int appendString16(std::string* out, std::string_view text);

// ---- Unchecked loads and stores ----
// For fields inside an image whose size the caller has checked against the field's
// position. Requires: the bytes [p, p + width) are readable (writable for stores).
inline uint16_t loadU16(const void* p);
inline uint32_t loadU32(const void* p);
inline uint64_t loadU64(const void* p);
inline int16_t loadI16(const void* p) { return static_cast<int16_t>(loadU16(p)); }
inline int32_t loadI32(const void* p) { return static_cast<int32_t>(loadU32(p)); }
// A 16-bit unit stored high byte first (UTF-16 big-endian text).
inline uint16_t loadU16Be(const void* p);
inline void storeU16(void* p, uint16_t v);
inline void storeU32(void* p, uint32_t v);
inline void storeU64(void* p, uint64_t v);
inline void storeI16(void* p, int16_t v) { storeU16(p, static_cast<uint16_t>(v)); }
inline void storeI32(void* p, int32_t v) { storeU32(p, static_cast<uint32_t>(v)); }

// ---- Inline bodies; readers of the contracts can stop here ----

inline uint16_t loadU16(const void* p) {
  const auto* b = static_cast<const unsigned char*>(p);
  return static_cast<uint16_t>(b[0] | (b[1] << 8));
}

inline uint32_t loadU32(const void* p) {
  const auto* b = static_cast<const unsigned char*>(p);
  return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
         (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
}

inline uint64_t loadU64(const void* p) {
  const auto* b = static_cast<const unsigned char*>(p);
  return static_cast<uint64_t>(loadU32(b)) | (static_cast<uint64_t>(loadU32(b + 4)) << 32);
}

inline uint16_t loadU16Be(const void* p) {
  const auto* b = static_cast<const unsigned char*>(p);
  return static_cast<uint16_t>((b[0] << 8) | b[1]);
}

inline void storeU16(void* p, uint16_t v) {
  auto* b = static_cast<unsigned char*>(p);
  b[0] = static_cast<unsigned char>(v);
  b[1] = static_cast<unsigned char>(v >> 8);
}

inline void storeU32(void* p, uint32_t v) {
  auto* b = static_cast<unsigned char*>(p);
  b[0] = static_cast<unsigned char>(v);
  b[1] = static_cast<unsigned char>(v >> 8);
  b[2] = static_cast<unsigned char>(v >> 16);
  b[3] = static_cast<unsigned char>(v >> 24);
}

inline void storeU64(void* p, uint64_t v) {
  auto* b = static_cast<unsigned char*>(p);
  storeU32(b, static_cast<uint32_t>(v));
  storeU32(b + 4, static_cast<uint32_t>(v >> 32));
}

}  // namespace bytecodec

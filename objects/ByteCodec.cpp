// The checked readers and writers of objects/ByteCodec.h: each measures the bytes left
// before the end pointer, then decodes or encodes with the inline loads and stores.
#include "objects/ByteCodec.h"

#include <cstring>

namespace bytecodec {

namespace {

// True when `bytes` bytes starting at p lie before end.
bool fits(const void* p, const void* end, size_t bytes) {
  if (!p || !end) return false;
  const auto* from = static_cast<const unsigned char*>(p);
  const auto* to = static_cast<const unsigned char*>(end);
  return from <= to && static_cast<size_t>(to - from) >= bytes;
}

template <typename T, T (*load)(const void*)>
int getField(const void* p, const void* end, T* out) {
  if (!fits(p, end, sizeof(T))) return -1;
  *out = load(p);
  return 0;
}

template <typename T, void (*store)(void*, T)>
int putField(void* p, const void* end, T v) {
  if (!fits(p, end, sizeof(T))) return -1;
  store(p, v);
  return 0;
}

uint8_t loadU8(const void* p) { return *static_cast<const unsigned char*>(p); }
void storeU8(void* p, uint8_t v) { *static_cast<unsigned char*>(p) = v; }
int64_t loadI64(const void* p) { return static_cast<int64_t>(loadU64(p)); }
void storeI64(void* p, int64_t v) { storeU64(p, static_cast<uint64_t>(v)); }

// A length of type Length, then that many bytes.
template <typename Length, Length (*load)(const void*)>
int getString(const void* p, const void* end, std::string* out, size_t* fieldBytes) {
  if (!fits(p, end, sizeof(Length))) return -1;
  size_t length = load(p);
  const auto* text = static_cast<const char*>(p) + sizeof(Length);
  if (!fits(text, end, length)) return -1;
  out->assign(text, length);
  if (fieldBytes) *fieldBytes = sizeof(Length) + length;
  return 0;
}

template <typename Length, void (*store)(void*, Length)>
int putString(void* p, const void* end, std::string_view text) {
  constexpr size_t kMaxBytes = static_cast<Length>(~Length{0});
  if (text.size() > kMaxBytes || !fits(p, end, sizeof(Length) + text.size())) return -1;
  auto* s = static_cast<char*>(p);
  store(s, static_cast<Length>(text.size()));
  if (!text.empty()) std::memcpy(s + sizeof(Length), text.data(), text.size());
  return 0;
}

template <typename Length, void (*store)(void*, Length)>
int appendString(std::string* out, std::string_view text) {
  constexpr size_t kMaxBytes = static_cast<Length>(~Length{0});
  if (text.size() > kMaxBytes) return -1;
  char length[sizeof(Length)];
  store(length, static_cast<Length>(text.size()));
  out->append(length, sizeof length);
  out->append(text.data(), text.size());
  return 0;
}

}  // namespace

int getU8(const void* p, const void* end, uint8_t* out) { return getField<uint8_t, loadU8>(p, end, out); }
int getU16(const void* p, const void* end, uint16_t* out) { return getField<uint16_t, loadU16>(p, end, out); }
int getI16(const void* p, const void* end, int16_t* out) { return getField<int16_t, loadI16>(p, end, out); }
int getU32(const void* p, const void* end, uint32_t* out) { return getField<uint32_t, loadU32>(p, end, out); }
int getI32(const void* p, const void* end, int32_t* out) { return getField<int32_t, loadI32>(p, end, out); }
int getU64(const void* p, const void* end, uint64_t* out) { return getField<uint64_t, loadU64>(p, end, out); }
int getI64(const void* p, const void* end, int64_t* out) { return getField<int64_t, loadI64>(p, end, out); }

int getFixedString(const void* p, const void* end, size_t width, std::string* out) {
  if (!fits(p, end, width)) return -1;
  const auto* s = static_cast<const char*>(p);
  const void* nul = std::memchr(s, '\0', width);
  out->assign(s, nul ? static_cast<size_t>(static_cast<const char*>(nul) - s) : width);
  return 0;
}

int getString8(const void* p, const void* end, std::string* out, size_t* fieldBytes) {
  return getString<uint8_t, loadU8>(p, end, out, fieldBytes);
}

int getString16(const void* p, const void* end, std::string* out, size_t* fieldBytes) {
  return getString<uint16_t, loadU16>(p, end, out, fieldBytes);
}

int putU8(void* p, const void* end, uint8_t v) { return putField<uint8_t, storeU8>(p, end, v); }
int putU16(void* p, const void* end, uint16_t v) { return putField<uint16_t, storeU16>(p, end, v); }
int putI16(void* p, const void* end, int16_t v) { return putField<int16_t, storeI16>(p, end, v); }
int putU32(void* p, const void* end, uint32_t v) { return putField<uint32_t, storeU32>(p, end, v); }
int putI32(void* p, const void* end, int32_t v) { return putField<int32_t, storeI32>(p, end, v); }
int putU64(void* p, const void* end, uint64_t v) { return putField<uint64_t, storeU64>(p, end, v); }
int putI64(void* p, const void* end, int64_t v) { return putField<int64_t, storeI64>(p, end, v); }

int putFixedString(void* p, const void* end, size_t width, std::string_view text) {
  if (!fits(p, end, width)) return -1;
  size_t n = text.size() < width ? text.size() : width;
  auto* s = static_cast<char*>(p);
  if (n > 0) std::memcpy(s, text.data(), n);
  std::memset(s + n, 0, width - n);
  return 0;
}

int putString8(void* p, const void* end, std::string_view text) {
  return putString<uint8_t, storeU8>(p, end, text);
}

int putString16(void* p, const void* end, std::string_view text) {
  return putString<uint16_t, storeU16>(p, end, text);
}

void appendU8(std::string* out, uint8_t v) { out->push_back(static_cast<char>(v)); }

void appendU16(std::string* out, uint16_t v) {
  char b[2];
  storeU16(b, v);
  out->append(b, sizeof b);
}

void appendU32(std::string* out, uint32_t v) {
  char b[4];
  storeU32(b, v);
  out->append(b, sizeof b);
}

void appendU64(std::string* out, uint64_t v) {
  char b[8];
  storeU64(b, v);
  out->append(b, sizeof b);
}

void appendFixedString(std::string* out, size_t width, std::string_view text) {
  size_t n = text.size() < width ? text.size() : width;
  out->append(text.data(), n);
  out->append(width - n, '\0');
}

int appendString8(std::string* out, std::string_view text) {
  return appendString<uint8_t, storeU8>(out, text);
}

int appendString16(std::string* out, std::string_view text) {
  return appendString<uint16_t, storeU16>(out, text);
}

}  // namespace bytecodec

// Detection and conversion of document character sets through iconv.
#include "import/Charset.h"

#include <iconv.h>

#include <cerrno>

#include "objects/ByteCodec.h"

namespace charset {

namespace {

constexpr size_t kSampleBytes = 4096;

iconv_t asIconv(void* h) { return static_cast<iconv_t>(h); }

const char* iconvName(Encoding e) {
  switch (e) {
    case Encoding::kCp437:
      return "CP437";
    case Encoding::kUtf8:
      return "UTF-8";
    case Encoding::kUtf16Le:
      return "UTF-16LE";
    case Encoding::kUtf16Be:
      return "UTF-16BE";
    default:
      return "WINDOWS-1252";
  }
}

// The length of the UTF-8 sequence at `p` (at most `n` bytes available): its byte count
// when well-formed, 0 when cut short by the end, -1 when malformed.
int utf8Sequence(const uint8_t* p, size_t n) {
  uint8_t c = p[0];
  int len;
  uint32_t min;
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF) { len = 2; min = 0x80; }
  else if (c >= 0xE0 && c <= 0xEF) { len = 3; min = 0x800; }
  else if (c >= 0xF0 && c <= 0xF4) { len = 4; min = 0x10000; }
  else return -1;
  uint32_t cp = c & (0x3F >> (len - 1));
  for (int i = 1; i < len; ++i) {
    if (static_cast<size_t>(i) >= n) return 0;
    if ((p[i] & 0xC0) != 0x80) return -1;
    cp = (cp << 6) | (p[i] & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return -1;
  return len;
}

// The bytes of the character at `p` to skip after a conversion error.
size_t badCharacterBytes(Encoding e, const uint8_t* p, size_t n) {
  switch (e) {
    case Encoding::kUtf8: {
      int len = utf8Sequence(p, n);
      return len > 0 ? static_cast<size_t>(len) : 1;
    }
    case Encoding::kUtf16Le:
    case Encoding::kUtf16Be: {
      if (n < 2) return n;
      uint16_t u = unitAt(e, p);
      if (u >= 0xD800 && u <= 0xDBFF && n >= 4) {
        uint16_t v = unitAt(e, p + 2);
        if (v >= 0xDC00 && v <= 0xDFFF) return 4;
      }
      return 2;
    }
    default:
      return 1;
  }
}

}  // namespace

int unitBytes(Encoding encoding) {
  return encoding == Encoding::kUtf16Le || encoding == Encoding::kUtf16Be ? 2 : 1;
}

uint16_t unitAt(Encoding encoding, const uint8_t* p) {
  switch (encoding) {
    case Encoding::kUtf16Le: return bytecodec::loadU16(p);
    case Encoding::kUtf16Be: return bytecodec::loadU16Be(p);
    default: return *p;
  }
}

Detection detect(const uint8_t* head, size_t length, Encoding plain) {
  if (length >= 3 && head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF)
    return {Encoding::kUtf8, 3};
  if (length >= 2 && head[0] == 0xFF && head[1] == 0xFE) return {Encoding::kUtf16Le, 2};
  if (length >= 2 && head[0] == 0xFE && head[1] == 0xFF) return {Encoding::kUtf16Be, 2};
  size_t n = length < kSampleBytes ? length : kSampleBytes;
  // UTF-16 without a mark: Latin text has a zero in every other byte.
  size_t pairs = n / 2;
  if (pairs >= 2) {
    size_t zeroEven = 0, zeroOdd = 0;
    for (size_t i = 0; i + 1 < n; i += 2) {
      zeroEven += head[i] == 0;
      zeroOdd += head[i + 1] == 0;
    }
    if (zeroOdd * 4 >= pairs && zeroEven * 8 <= zeroOdd) return {Encoding::kUtf16Le, 0};
    if (zeroEven * 4 >= pairs && zeroOdd * 8 <= zeroEven) return {Encoding::kUtf16Be, 0};
  }
  bool multiByte = false;
  for (size_t i = 0; i < n;) {
    int len = utf8Sequence(head + i, n - i);
    if (len < 0) return {plain, 0};
    if (len == 0) break;  // cut by the end of the sample
    if (len > 1) multiByte = true;
    i += static_cast<size_t>(len);
  }
  return {multiByte ? Encoding::kUtf8 : plain, 0};
}

size_t wholeCharacters(Encoding encoding, const uint8_t* data, size_t length) {
  switch (encoding) {
    case Encoding::kUtf8: {
      // Back over at most 3 continuation bytes to the lead of the last sequence.
      size_t i = length;
      int back = 0;
      while (i > 0 && back < 4 && (data[i - 1] & 0xC0) == 0x80) {
        --i;
        ++back;
      }
      if (i == 0) return length;
      uint8_t lead = data[i - 1];
      int need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
      return need > back + 1 ? i - 1 : length;
    }
    case Encoding::kUtf16Le:
    case Encoding::kUtf16Be: {
      size_t even = length & ~static_cast<size_t>(1);
      if (even >= 2) {
        const uint8_t* p = data + even - 2;
        uint16_t u = unitAt(encoding, p);
        if (u >= 0xD800 && u <= 0xDBFF) even -= 2;  // a high surrogate waits for its pair
      }
      return even;
    }
    default:
      return length;
  }
}

Converter::Converter(Encoding from) : from_(from) {
  if (from == Encoding::kWindows1252) return;
  iconv_t cd = iconv_open("WINDOWS-1252", iconvName(from));
  if (cd != reinterpret_cast<iconv_t>(-1)) handle_ = cd;
}

Converter::~Converter() {
  if (handle_) iconv_close(asIconv(handle_));
}

void Converter::convert(const uint8_t* data, size_t length, std::string* out) {
  if (from_ == Encoding::kWindows1252) {
    out->append(reinterpret_cast<const char*>(data), length);
    return;
  }
  if (!handle_) {
    for (size_t i = 0; i < length;) {
      size_t n = badCharacterBytes(from_, data + i, length - i);
      *out += data[i] < 0x80 && unitBytes(from_) == 1 ? static_cast<char>(data[i]) : ' ';
      i += n ? n : 1;
    }
    return;
  }
  if (from_ == Encoding::kUtf8) {
    // Most UTF-8 text is plain ASCII, which is the same in Windows-1252: copy such runs and
    // send only the runs of other bytes (whole characters, since no byte of a multi-byte
    // character is ASCII) through the converter.
    size_t i = 0;
    while (i < length) {
      size_t start = i;
      while (i < length && data[i] < 0x80) ++i;
      out->append(reinterpret_cast<const char*>(data + start), i - start);
      start = i;
      while (i < length && data[i] >= 0x80) ++i;
      if (i > start) convertRun(data + start, i - start, out);
    }
    return;
  }
  convertRun(data, length, out);
}

void Converter::convertRun(const uint8_t* data, size_t length, std::string* out) {
  iconv(asIconv(handle_), nullptr, nullptr, nullptr, nullptr);
  char buffer[1024];
  char* in = const_cast<char*>(reinterpret_cast<const char*>(data));
  size_t inLeft = length;
  while (inLeft > 0) {
    char* o = buffer;
    size_t oLeft = sizeof buffer;
    size_t rc = iconv(asIconv(handle_), &in, &inLeft, &o, &oLeft);
    out->append(buffer, static_cast<size_t>(o - buffer));
    if (rc != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) continue;
    if (errno == EINVAL) {  // cut short at the end
      *out += ' ';
      break;
    }
    // EILSEQ: malformed, or no place in Windows-1252.
    size_t skip = badCharacterBytes(from_, reinterpret_cast<const uint8_t*>(in), inLeft);
    if (skip == 0 || skip > inLeft) skip = inLeft;
    in += skip;
    inLeft -= skip;
    *out += ' ';
    iconv(asIconv(handle_), nullptr, nullptr, nullptr, nullptr);
  }
}

}  // namespace charset

// Character sets at the border: documents in UTF-8, UTF-16 or the DOS code page are detected
// and converted to the engine's Windows-1252; characters that have no place in it become a
// blank. The conversion uses iconv. Depends on nothing else in the engine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace charset {

enum class Encoding { kWindows1252, kCp437, kUtf8, kUtf16Le, kUtf16Be };

struct Detection {
  Encoding encoding;
  int32_t bomBytes;  // bytes of a byte-order mark to skip at the start
};

// The encoding of a text that begins with `head`: a byte-order mark (UTF-8, UTF-16 LE/BE),
// else a pattern of zero bytes in every other position (UTF-16), else well-formed UTF-8 that
// holds at least one multi-byte character (a sequence cut at the end of `head` is allowed),
// else `plain`.
Detection detect(const uint8_t* head, size_t length, Encoding plain);

// The bytes of a unit: 2 for UTF-16, else 1.
int unitBytes(Encoding encoding);

// The code unit at p: its byte, or for UTF-16 its two bytes in the encoding's order.
// Requires: unitBytes(encoding) bytes at p.
uint16_t unitAt(Encoding encoding, const uint8_t* p);

// How many of the `length` bytes form whole characters, so that a block can end there
// without cutting a character (a UTF-8 sequence, a UTF-16 unit or surrogate pair).
size_t wholeCharacters(Encoding encoding, const uint8_t* data, size_t length);

// Converts to Windows-1252. Not copyable. Threads: one user at a time.
class Converter {
 public:
  explicit Converter(Encoding from);
  ~Converter();
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // False when the system lacks the conversion (then convert() blanks every non-ASCII
  // character rather than guess).
  bool ok() const { return from_ == Encoding::kWindows1252 || handle_ != nullptr; }
  // Appends the converted text of `length` bytes to `out`. Invalid input and characters
  // without a place in Windows-1252 become one blank each; an incomplete character at the
  // end becomes a blank.
  void convert(const uint8_t* data, size_t length, std::string* out);

 private:
  // Converts bytes that hold whole characters through iconv (the handle must be open).
  void convertRun(const uint8_t* data, size_t length, std::string* out);

  Encoding from_;
  void* handle_ = nullptr;
};

}  // namespace charset

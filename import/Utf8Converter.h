// Text of any character set iconv knows brought to UTF-8, for the importers of Unicode
// indexes, and the recognition of the legacy code page of 8-bit plain text (uchardet).
// Malformed input becomes U+FFFD and never stops the conversion. Depends on
// import/UnicodeText only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace utf8conv {

// The iconv name of the character set of 8-bit text that begins with `head` and is neither
// UTF-8 nor UTF-16: what uchardet recognises when it is a multi-byte legacy set (Shift_JIS,
// GB18030, EUC, Big5, ISO-2022) or when the sample holds enough letters above ASCII to tell
// single-byte sets apart; else "WINDOWS-1252" (also for what uchardet calls ISO-8859-1).
std::string detectLegacy(const uint8_t* head, size_t length);

// Converts a stream of text in one character set to UTF-8. Characters cut at the end of one
// piece are completed by the next. Not copyable. Threads: one user at a time.
class Converter {
 public:
  // `from` is an iconv name; one iconv does not know is read as Windows-1252.
  explicit Converter(const std::string& from);
  ~Converter();
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Appends the UTF-8 form of `length` bytes to `out`. A character cut at the end waits
  // for the next call unless `last`, when it becomes U+FFFD.
  void convert(const uint8_t* data, size_t length, std::string* out, bool last = false);
  // Forgets a waiting piece and any shift state (after a jump in the input).
  void reset();
  const std::string& name() const { return name_; }

 private:
  void run(const uint8_t* data, size_t length, std::string* out, bool last);

  std::string name_;
  void* handle_ = nullptr;
  std::string carry_;  // bytes of a character cut at the end of the last piece
};

// The whole of `data` in the character set `from`, as UTF-8.
std::string toUtf8(const std::string& from, const uint8_t* data, size_t length);

}  // namespace utf8conv

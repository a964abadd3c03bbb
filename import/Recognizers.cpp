// Recognizers of the built-in formats.
#include "import/Recognizers.h"

#include <cstring>
#include <algorithm>
#include <string>
#include <string_view>

#include "objects/ByteCodec.h"
#include "platform/Platform.h"

namespace recognizers {

namespace {

constexpr int32_t kWordPerfectHeadBytes = 16;
constexpr int kWpProductTypePos = 8;
constexpr int kWpFileTypePos = 9;
constexpr int kWpMajorVersionPos = 10;
constexpr int kWpEncryptionPos = 12;
constexpr int32_t kWordHeadBytes = 98;
constexpr int kWordWriteFlagPos = 96;
constexpr int32_t kHtmlHeadBytes = 256;

int wordPerfectVersion(const uint8_t* head, int32_t headBytes) {
  if (!head || headBytes < kWordPerfectHeadBytes) return -1;
  if (std::memcmp(head, "\xFFWPC", 4) != 0) return -1;
  if (head[kWpProductTypePos] != 1 || head[kWpFileTypePos] != 10) return -1;
  if (head[kWpEncryptionPos] != 0 || head[kWpEncryptionPos + 1] != 0) return -1;
  return head[kWpMajorVersionPos];
}

// The 16-bit value at byte 96, or -1 when the head is too short.
int wordWriteFlag(const uint8_t* head, int32_t headBytes) {
  if (!head || headBytes < kWordHeadBytes) return -1;
  return bytecodec::loadU16(head + kWordWriteFlagPos);
}

}  // namespace


bool looksBinary(const uint8_t* head, int32_t headBytes) {
  if (!head || headBytes <= 0) return false;
  int32_t controls = 0;
  for (int32_t i = 0; i < headBytes; ++i) {
    uint8_t c = head[i];
    if (c == 0) return true;
    if (c < 32 && !(c >= 9 && c <= 13)) ++controls;
  }
  return controls > headBytes / 32;
}

int16_t recognizeBinaryFiltered(const ImportSettings& settings, const char*, const uint8_t* head,
                                int32_t headBytes) {
  return settings.binaryFiles == 1 && looksBinary(head, headBytes) ? kBinaryScore : 0;
}

int16_t recognizeBinarySkipped(const ImportSettings& settings, const char*, const uint8_t* head,
                               int32_t headBytes) {
  return settings.binaryFiles == 3 && looksBinary(head, headBytes) ? kBinaryScore : 0;
}

extern "C" {

int16_t recognizeWordPerfect5(const char*, const uint8_t* head, int32_t headBytes) {
  return wordPerfectVersion(head, headBytes) == 0 ? 100 : 0;
}

int16_t recognizeWordPerfect6(const char*, const uint8_t* head, int32_t headBytes) {
  return wordPerfectVersion(head, headBytes) == 2 ? 100 : 0;
}

int16_t recognizeWord(const char*, const uint8_t* head, int32_t headBytes) {
  return wordWriteFlag(head, headBytes) == 0 ? 100 : 0;
}

int16_t recognizeWrite(const char*, const uint8_t* head, int32_t headBytes) {
  return wordWriteFlag(head, headBytes) > 0 ? 100 : 0;
}

int16_t recognizeHtml(const char*, const uint8_t* head, int32_t headBytes) {
  if (!head || headBytes <= 0) return 0;
  int32_t n = headBytes < kHtmlHeadBytes ? headBytes : kHtmlHeadBytes;
  int32_t i = 0;
  // A UTF-8 byte-order mark is no part of the text.
  if (n >= 3 && head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF) i = 3;
  while (i < n && (head[i] == ' ' || (head[i] >= 9 && head[i] <= 13))) ++i;
  std::string text;
  for (; i < n; ++i) text += static_cast<char>(platform::charUpper(head[i]));
  if (text.empty() || text[0] != '<') return 0;
  auto begins = [&](const char* s) { return text.compare(0, std::strlen(s), s) == 0; };
  // An opening tag with attributes counts as the bare tag: <html lang="en"> is as much an
  // HTML document as <html>.
  auto beginsTag = [&](const char* tag) {
    size_t n = std::strlen(tag);
    return begins(tag) && text.size() > n &&
           (text[n] == '>' || text[n] == ' ' || text[n] == '\t' || text[n] == '\r' || text[n] == '\n');
  };
  if (beginsTag("<HTML") || beginsTag("<TITLE") || beginsTag("<HEAD")) return 100;
  if (begins("<!--")) return 99;
  // The first two words, split at blanks, tabs, line ends, "<", ">" and "!".
  std::string words[2];
  int found = 0;
  for (size_t k = 0; k < text.size() && found < 2;) {
    auto isSplit = [](char c) {
      return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '<' || c == '>' || c == '!';
    };
    while (k < text.size() && isSplit(text[k])) ++k;
    size_t start = k;
    while (k < text.size() && !isSplit(text[k])) ++k;
    if (k > start) words[found++] = text.substr(start, k - start);
  }
  return found == 2 && words[0] == "DOCTYPE" && words[1] == "HTML" ? 100 : 0;
}

int16_t recognizePdf(const char*, const uint8_t* head, int32_t headBytes) {
  if (!head || headBytes <= 0) return 0;
  std::string_view text(reinterpret_cast<const char*>(head), static_cast<size_t>(std::min(headBytes, 1024)));
  return text.find("%PDF-") != std::string_view::npos ? 100 : 0;
}

}  // extern "C"

}  // namespace recognizers

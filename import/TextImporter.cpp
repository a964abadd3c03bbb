// The plain text importers.
#include "import/TextImporter.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "import/TextBlock.h"
#include "lexaurum/lxrviewer.h"

namespace {

constexpr size_t kDetectBytes = 4096;
constexpr size_t kLegacyDetectBytes = 8192;   // what the code page of 8-bit text is judged on

}  // namespace

TextImporter::TextImporter(ByteSource& source, int32_t blockBytes, charset::Encoding plain)
    : source_(source), blockBytes_(std::max<int32_t>(blockBytes, 16)) {
  std::vector<uint8_t> head(kDetectBytes);
  int32_t n = source_.readAt(0, head.data(), static_cast<int32_t>(head.size()));
  size_t headBytes = n > 0 ? static_cast<size_t>(n) : 0;
  // Text of bytes 1 to 127 only has neither a mark nor UTF-8 or UTF-16 in it: it is `plain`,
  // and one cheap pass says so (the usual case, and most of the cost of small files).
  uint8_t high = 0, low = 0xFF;
  for (size_t i = 0; i < headBytes; ++i) {
    high |= head[i];
    low = std::min(low, head[i]);
  }
  bool seven = high < 0x80 && low != 0;
  // ASCII without escapes (ISO-2022 sets escape into their characters) in the head: no code
  // page need be guessed for UTF-8 delivery.
  plainAscii_ = seven && std::memchr(head.data(), 0x1B, headBytes) == nullptr;
  charset::Detection d = seven ? charset::Detection{plain, 0} : charset::detect(head.data(), headBytes, plain);
  encoding_ = d.encoding;
  start_ = position_ = d.bomBytes;
  converter_ = std::make_unique<charset::Converter>(encoding_);
}

bool TextImporter::deliverUtf8() {
  std::string from;
  switch (encoding_) {
    case charset::Encoding::kUtf8: from = "UTF-8"; break;
    case charset::Encoding::kUtf16Le: from = "UTF-16LE"; break;
    case charset::Encoding::kUtf16Be: from = "UTF-16BE"; break;
    case charset::Encoding::kCp437: from = "CP437"; break;
    default: {
      if (plainAscii_) {
        from = "WINDOWS-1252";
        break;
      }
      std::vector<uint8_t> head(kLegacyDetectBytes);
      int32_t n = source_.readAt(start_, head.data(), static_cast<int32_t>(head.size()));
      from = utf8conv::detectLegacy(head.data(), n > 0 ? static_cast<size_t>(n) : 0);
    }
  }
  toUtf8_ = std::make_unique<utf8conv::Converter>(from);
  return true;
}

int TextImporter::gotoBookMark(int32_t mark) {
  if (mark < start_ || mark > source_.size()) return -1;
  position_ = mark;
  if (toUtf8_) toUtf8_->reset();
  return 0;
}

int TextImporter::rewind() {
  position_ = start_;
  if (toUtf8_) toUtf8_->reset();
  return 0;
}

int TextImporter::readTextBlock(std::string* out) {
  const int32_t size = source_.size();
  if (position_ >= size) return 0;
  const int unit = charset::unitBytes(encoding_);
  std::vector<uint8_t>& raw = raw_;  // kept between blocks, so no block allocates
  raw.resize(static_cast<size_t>(blockBytes_) + 2 * static_cast<size_t>(unit));
  int32_t got = source_.readAt(position_, raw.data(), blockBytes_);
  if (got <= 0) return -1;  // the size said there was more
  bool last = position_ + got >= size;
  size_t take = static_cast<size_t>(got);
  if (!last) {
    size_t whole = charset::wholeCharacters(encoding_, raw.data(), take);
    if (whole > 0) take = whole;
    // A CR at the end: take the LF that may follow, so CR LF stays one line end.
    if (take >= static_cast<size_t>(unit) && charset::unitAt(encoding_, raw.data() + take - unit) == '\r') {
      int32_t more = source_.readAt(position_ + static_cast<int32_t>(take), raw.data() + take, unit);
      if (more == unit && charset::unitAt(encoding_, raw.data() + take) == '\n') take += static_cast<size_t>(unit);
    }
  }
  size_t before = out->size();
  if (toUtf8_) {
    converted_.clear();
    toUtf8_->convert(raw.data(), take, &converted_, last);
    appendConverted(reinterpret_cast<const uint8_t*>(converted_.data()), converted_.size(), out);
  } else if (encoding_ == charset::Encoding::kWindows1252) {
    appendConverted(raw.data(), take, out);  // already in the engine's code page
  } else {
    converted_.clear();
    converter_->convert(raw.data(), take, &converted_);
    appendConverted(reinterpret_cast<const uint8_t*>(converted_.data()), converted_.size(), out);
  }
  position_ += static_cast<int32_t>(take);
  if (out->size() == before) out->push_back(' ');  // never an empty block before the end
  return static_cast<int>(out->size() - before);
}

void TextImporter::appendConverted(const uint8_t* text, size_t length, std::string* out) {
  // What each byte becomes: itself, or a blank for a control character. CR (a line end with
  // the LF that may follow it) and LF are handled apart; form feed and tab keep their codes.
  static const auto kMap = [] {
    std::array<unsigned char, 256> m{};
    for (int c = 0; c < 256; ++c) m[c] = static_cast<unsigned char>(c < 32 || c == 127 ? ' ' : c);
    m['\n'] = textblock::kParagraphEnd;
    m['\f'] = textblock::kPageEnd;
    m['\t'] = textblock::kTab;
    return m;
  }();
  size_t at = out->size();
  out->resize(at + length);  // the text never grows: every byte gives at most one
  char* o = out->data() + at;
  size_t i = 0;
  while (i < length) {
    // Up to the next CR through the table, then the CR (with the LF after it) as one end.
    const void* cr = std::memchr(text + i, '\r', length - i);
    size_t stop = cr ? static_cast<size_t>(static_cast<const uint8_t*>(cr) - text) : length;
    for (; i < stop; ++i) *o++ = static_cast<char>(kMap[text[i]]);
    if (i < length) {
      if (i + 1 < length && text[i + 1] == '\n') ++i;
      *o++ = static_cast<char>(textblock::kParagraphEnd);
      ++i;
    }
  }
  out->resize(static_cast<size_t>(o - out->data()));
}

void* makeAnsiImport(void* source, const lxrViewerInfo* info) {
  if (!source || !info) return nullptr;
  return static_cast<Viewer*>(new TextImporter(*static_cast<ByteSource*>(source), info->blockSize,
                                               charset::Encoding::kWindows1252));
}

void* makeAsciiImport(void* source, const lxrViewerInfo* info) {
  if (!source || !info) return nullptr;
  return static_cast<Viewer*>(new TextImporter(*static_cast<ByteSource*>(source), info->blockSize,
                                               charset::Encoding::kCp437));
}

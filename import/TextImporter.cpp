// The plain text importers.
#include "import/TextImporter.h"

#include <algorithm>
#include <vector>

#include "import/TextBlock.h"
#include "lexaurum/lxrviewer.h"

namespace {

constexpr size_t kDetectBytes = 4096;

}  // namespace

TextImporter::TextImporter(ByteSource& source, int32_t blockBytes, charset::Encoding plain)
    : source_(source), blockBytes_(std::max<int32_t>(blockBytes, 16)) {
  std::vector<uint8_t> head(kDetectBytes);
  int32_t n = source_.readAt(0, head.data(), static_cast<int32_t>(head.size()));
  charset::Detection d = charset::detect(head.data(), n > 0 ? static_cast<size_t>(n) : 0, plain);
  encoding_ = d.encoding;
  start_ = position_ = d.bomBytes;
  converter_ = std::make_unique<charset::Converter>(encoding_);
}

int TextImporter::gotoBookMark(int32_t mark) {
  if (mark < start_ || mark > source_.size()) return -1;
  position_ = mark;
  return 0;
}

int TextImporter::rewind() {
  position_ = start_;
  return 0;
}

int TextImporter::readTextBlock(std::string* out) {
  const int32_t size = source_.size();
  if (position_ >= size) return 0;
  const int unit = charset::unitBytes(encoding_);
  std::vector<uint8_t> raw(static_cast<size_t>(blockBytes_) + 2 * unit);
  int32_t got = source_.readAt(position_, raw.data(), blockBytes_);
  if (got <= 0) return -1;  // the size said there was more
  bool last = position_ + got >= size;
  size_t take = static_cast<size_t>(got);
  if (!last) {
    size_t whole = charset::wholeCharacters(encoding_, raw.data(), take);
    if (whole > 0) take = whole;
    // A CR at the end: take the LF that may follow, so CR LF stays one line end.
    auto isCr = [&](size_t at) {
      if (unit == 1) return raw[at] == '\r';
      uint16_t u = encoding_ == charset::Encoding::kUtf16Le ? (raw[at] | raw[at + 1] << 8)
                                                            : (raw[at] << 8 | raw[at + 1]);
      return u == '\r';
    };
    if (take >= static_cast<size_t>(unit) && isCr(take - unit)) {
      int32_t more = source_.readAt(position_ + static_cast<int32_t>(take), raw.data() + take, unit);
      if (more == unit) {
        uint16_t u = unit == 1 ? raw[take]
                     : encoding_ == charset::Encoding::kUtf16Le ? (raw[take] | raw[take + 1] << 8)
                                                                : (raw[take] << 8 | raw[take + 1]);
        if (u == '\n') take += static_cast<size_t>(unit);
      }
    }
  }
  std::string text;
  converter_->convert(raw.data(), take, &text);
  size_t before = out->size();
  appendConverted(text, out);
  position_ += static_cast<int32_t>(take);
  if (out->size() == before) out->push_back(' ');  // never an empty block before the end
  return static_cast<int>(out->size() - before);
}

void TextImporter::appendConverted(const std::string& text, std::string* out) {
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out->push_back(static_cast<char>(textblock::kParagraphEnd));
    } else if (c == '\n') {
      out->push_back(static_cast<char>(textblock::kParagraphEnd));
    } else if (c == '\f') {
      out->push_back(static_cast<char>(textblock::kPageEnd));
    } else if (c == '\t') {
      out->push_back(static_cast<char>(textblock::kTab));
    } else if (c < 32 || c == 127) {
      out->push_back(' ');
    } else {
      out->push_back(static_cast<char>(c));
    }
  }
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

// WordPerfect 4.2 documents to text blocks, converted in one pass over the file in memory.
#include "import/WP42Importer.h"

#include <vector>

#include "import/CodePage.h"
#include "import/TextBlock.h"
#include "import/WordPerfectImporter.h"
#include "import/WordPerfectText.h"
#include "objects/Trace.h"

namespace {

constexpr uint8_t kBoldOn = 0x9D;
constexpr uint8_t kBoldOff = 0x9C;
constexpr uint8_t kUnderlineOn = 0x94;
constexpr uint8_t kUnderlineOff = 0x95;
// An extended character: E1, the character in the IBM PC character set, E1.
constexpr uint8_t kExtendedChar = 0xE1;
constexpr int kExtendedCharBytes = 3;
// A footnote or endnote: E2, its numbering, its text, E2.
constexpr uint8_t kNote = 0xE2;
constexpr int kNoteHeadBytes = 7;

class Wp42Parser {
 public:
  Wp42Parser(const std::vector<uint8_t>& data, const std::string& name, std::string* text)
      : data_(data), name_(name), out_(text) {
    if (codepage::singleByteTable("CP437", ibm_) < 0)
      for (int c = 0; c < 256; ++c) ibm_[c] = static_cast<unsigned char>(c < 128 ? c : ' ');
  }

  // Converts [pos, end); false when damage ended the text.
  bool parse(size_t pos, size_t end, bool inNote);
  void finish() { out_.finish(0); }

 private:
  const std::vector<uint8_t>& data_;
  const std::string& name_;
  WordPerfectText out_;
  unsigned char ibm_[256];
};

bool Wp42Parser::parse(size_t pos, size_t end, bool inNote) {
  while (pos < end) {
    uint8_t c = data_[pos];
    if (c >= 0xC0 && c <= 0xFE) {
      // The function runs to the next byte of the same code.
      size_t close = pos + 1;
      size_t last = pos + ImportWP42::kMaxFunctionBytes;
      while (close < end && close < last && data_[close] != c) ++close;
      if (close >= end || close >= last) {
        trace::line("Damaged WordPerfect file detected (code = %d) at %ld file = %s",
                    ImportWordPerfect::kDamagePastEnd, static_cast<long>(pos), name_.c_str());
        out_.finish(textblock::kDamaged);
        return false;
      }
      if (c == kExtendedChar && close == pos + kExtendedCharBytes - 1) {
        out_.character(ibm_[data_[pos + 1]]);
      } else if (c == kNote && !inNote && close > pos + kNoteHeadBytes) {
        out_.insert("\n[Note: ");
        if (!parse(pos + kNoteHeadBytes, close, true)) return false;
        out_.insert("]\n");
      }
      pos = close + 1;
      continue;
    }
    ++pos;
    if (c >= 0x20 && c <= 0x7E) out_.character(c);
    else if (c == 0x09) out_.tab();
    else if (c == 0x0A) out_.paragraphEnd();
    else if (c == 0x0C) out_.pageEnd();
    else if (c == 0x0B || c == 0x0D) out_.softBreak();
    else if (c == 0xA0) out_.character(' ');
    else if (c == 0xA9 || c == 0xAA || c == 0xAB) out_.character('-');
    else if (c == kBoldOn || c == kBoldOff) out_.attribute(textblock::kAttrBold, c == kBoldOn);
    else if (c == kUnderlineOn || c == kUnderlineOff) out_.attribute(textblock::kAttrUnderline, c == kUnderlineOn);
  }
  return true;
}

}  // namespace

ImportWP42::ImportWP42(ByteSource& source, int32_t blockBytes) : WholeTextViewer(blockBytes) {
  info_.sizeBytes = source.size();
  info_.date = source.date();
  int32_t size = source.size();
  if (size > kMaxTextBytes) size = kMaxTextBytes;
  std::vector<uint8_t> data(static_cast<size_t>(size > 0 ? size : 0));
  if (size > 0 && source.readAt(0, data.data(), size) != size) {
    failed_ = true;
    return;
  }
  Wp42Parser parser(data, source.name(), &text_);
  if (parser.parse(0, data.size(), false)) parser.finish();
  else damageCode_ = ImportWordPerfect::kDamagePastEnd;
}

void* makeWP42Import(void* source, const lxrViewerInfo* info) {
  if (!source || !info) return nullptr;
  return static_cast<Viewer*>(new ImportWP42(*static_cast<ByteSource*>(source), info->blockSize));
}

// WordPerfect 6.x documents to text blocks. The file is read into memory; the document text
// is converted in one pass: characters, single-byte codes, fixed-length functions (F0..FF,
// ended by their own code) and variable-length groups (D0..EF: code, subgroup, 16-bit size
// of the whole group, flags, optional packet numbers, ..., size, code). A note, comment,
// header or footer group names a text packet of the index area; its text is converted in
// place, to a bounded depth and once per packet, so packets naming packets cannot multiply
// the text.
#include "import/WordPerfect6Importer.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "import/BinaryImporter.h"
#include "import/TextBlock.h"
#include "import/WordPerfectImporter.h"
#include "import/WordPerfectText.h"
#include "objects/ByteCodec.h"
#include "objects/Trace.h"

namespace {

constexpr int kGroupHeadBytes = 4;     // code, subgroup, size
constexpr int kGroupTrailerBytes = 3;  // size, code
constexpr int kGroupMinBytes = kGroupHeadBytes + 1 + kGroupTrailerBytes;
constexpr uint8_t kHasPacketsFlag = 0x80;
constexpr int kMaxFixedBytes = 16;
constexpr int kExtendedCharBytes = 4;
constexpr int kUndoBytes = 5;
constexpr int kAttributeBytes = 3;
// A text packet: block count (16), first block position (32), a 32-bit size per block, the
// blocks' text.
constexpr int kPacketHeadBytes = 6;
constexpr uint8_t kEolGroup = 0xD0;
constexpr uint8_t kHeaderFooterGroup = 0xD6;
constexpr uint8_t kNoteGroup = 0xD7;
constexpr uint8_t kStyleGroup = 0xDD;
constexpr uint8_t kTabGroup = 0xE0;
constexpr int kLastSoftEol = 3;  // EOL subgroups 0..3 end a line where it was wrapped

const char* const kHeaderFooterLabels[] = {"Header A", "Header B", "Footer A", "Footer B", "Watermark A", "Watermark B"};

class Wp6Parser {
 public:
  Wp6Parser(const std::vector<uint8_t>& file, const std::string& name, const WPCharMap& map,
            const wordperfect::Options& options, std::string* text)
      : file_(file), name_(name), map_(map), options_(options), out_(text) {}

  // Converts [pos, end) of the file. False when damage ended the text.
  bool parse(size_t pos, size_t end);
  void finish() { out_.finish(0); }
  int damageCode() const { return damage_; }
  int32_t damagePos() const { return damagePos_; }

 private:
  bool damaged(int code, size_t pos);
  bool group(size_t* pos, size_t end);
  void fixed(size_t* pos, size_t end);
  bool packetText(int id, const char* label);
  bool visible() const { return undo_ == 0; }

  const std::vector<uint8_t>& file_;
  const std::string& name_;
  const WPCharMap& map_;
  wordperfect::Options options_;
  WordPerfectText out_;
  std::vector<bool> packetUsed_;  // a packet's text comes in once, however often it is named
  int undo_ = 0;  // inside text kept only for undoing
  int depth_ = 0;
  int damage_ = 0;
  int32_t damagePos_ = 0;
};

bool Wp6Parser::damaged(int code, size_t pos) {
  damage_ = code;
  damagePos_ = static_cast<int32_t>(pos);
  trace::line("Damaged WordPerfect file detected (code = %d) at %ld file = %s", code, static_cast<long>(pos),
              name_.c_str());
  out_.finish(textblock::kDamaged);
  return false;
}

bool Wp6Parser::parse(size_t pos, size_t end) {
  while (pos < end) {
    uint8_t c = file_[pos];
    if (c >= 0xD0 && c <= 0xEF) {
      if (!group(&pos, end)) return false;
      continue;
    }
    if (c >= 0xF0) {
      fixed(&pos, end);
      continue;
    }
    ++pos;
    if (!visible()) continue;
    if (c >= 0x20 && c < 0x7F) out_.character(c);
    else if (c == 0x80 || c == 0x81) out_.character(' ');
    else if (c == 0x84) out_.character('-');
    else if (c == 0xCC) out_.paragraphEnd();
    else if (c >= 0x87 && c <= 0xCF) out_.softBreak();
  }
  return true;
}

void Wp6Parser::fixed(size_t* pos, size_t end) {
  uint8_t code = file_[*pos];
  const uint8_t* f = file_.data() + *pos;
  size_t left = end - *pos;
  if (code == 0xF0 && left >= kExtendedCharBytes && f[3] == code) {
    if (visible())
      if (unsigned char m = map_.map(f[2], f[1])) out_.character(m);
    *pos += kExtendedCharBytes;
  } else if (code == 0xF1 && left >= kUndoBytes && f[4] == code) {
    if (f[1] == 0) ++undo_;
    else if (f[1] == 1 && undo_ > 0) --undo_;
    *pos += kUndoBytes;
  } else if ((code == 0xF2 || code == 0xF3) && left >= kAttributeBytes && f[2] == code) {
    bool on = code == 0xF2;
    if (f[1] == 8) out_.attribute(textblock::kAttrItalic, on);
    else if (f[1] == 12) out_.attribute(textblock::kAttrBold, on);
    else if (f[1] == 14) out_.attribute(textblock::kAttrUnderline, on);
    *pos += kAttributeBytes;
  } else {
    // Other fixed-length functions end with their own code.
    size_t n = 2;
    while (n < left && n < static_cast<size_t>(kMaxFixedBytes) && f[n] != code) ++n;
    *pos += n < left && f[n] == code ? n + 1 : 1;
  }
}

bool Wp6Parser::group(size_t* pos, size_t end) {
  size_t at = *pos;
  if (at + kGroupHeadBytes > end) return damaged(ImportWordPerfect::kDamagePastEnd, at);
  const uint8_t* g = file_.data() + at;
  uint8_t code = g[0];
  uint8_t sub = g[1];
  size_t size = bytecodec::loadU16(g + 2);
  if (size == 0) return damaged(ImportWordPerfect::kDamageZeroLength, at);
  if (at + size > end) return damaged(ImportWordPerfect::kDamagePastEnd, at);
  if (size < static_cast<size_t>(kGroupMinBytes)) return damaged(ImportWordPerfect::kDamageTrailingCopy, at);
  const uint8_t* trailer = g + size - kGroupTrailerBytes;
  if (options_.checkTrailingCopies && (bytecodec::loadU16(trailer) != size || trailer[2] != code))
    return damaged(ImportWordPerfect::kDamageTrailingCopy, at);
  *pos = at + size;

  if (code == kEolGroup) {
    if (!visible()) return true;
    if (sub <= kLastSoftEol) out_.softBreak();
    else out_.paragraphEnd();
    return true;
  }
  if (code == kTabGroup) {
    if (visible()) out_.tab();
    return true;
  }
  uint8_t flags = g[kGroupHeadBytes];
  if (!(flags & kHasPacketsFlag) || code == kStyleGroup || !visible()) return true;
  // The packets the group names: a count, then 16-bit packet numbers.
  const uint8_t* ids = g + kGroupHeadBytes + 1;
  if (ids + 1 > trailer) return true;
  size_t count = ids[0];
  const char* label = "Comment";
  if (code == kHeaderFooterGroup) label = sub < 6 ? kHeaderFooterLabels[sub] : "Header";
  else if (code == kNoteGroup) label = sub == 0 ? "Footnote" : "Endnote";
  for (size_t i = 0; i < count && ids + 1 + 2 * i + 2 <= trailer; ++i)
    if (!packetText(bytecodec::loadU16(ids + 1 + 2 * i), label)) return false;
  return true;
}

bool Wp6Parser::packetText(int id, const char* label) {
  if (depth_ >= ImportWordPerfect6::kMaxNoteDepth || file_.size() < 16) return true;
  size_t indexPos = bytecodec::loadU16(file_.data() + ImportWordPerfect6::kIndexPosPos);
  const size_t entryBytes = ImportWordPerfect6::kIndexEntryBytes;
  if (indexPos + entryBytes > file_.size()) return true;
  size_t count = bytecodec::loadU16(file_.data() + indexPos + 2);
  if (id < 1 || static_cast<size_t>(id) > count || id > ImportWordPerfect6::kMaxIndexEntries) return true;
  size_t entryPos = indexPos + entryBytes * static_cast<size_t>(id);
  if (entryPos + entryBytes > file_.size()) return true;
  const uint8_t* e = file_.data() + entryPos;
  if (e[1] != ImportWordPerfect6::kTextPacketType) return true;
  if (packetUsed_.empty()) packetUsed_.resize(static_cast<size_t>(ImportWordPerfect6::kMaxIndexEntries) + 1);
  if (packetUsed_[static_cast<size_t>(id)]) return true;
  packetUsed_[static_cast<size_t>(id)] = true;
  size_t dataBytes = bytecodec::loadU32(e + 6);
  size_t dataPos = bytecodec::loadU32(e + 10);
  if (dataPos > file_.size() || dataBytes > file_.size() - dataPos || dataBytes < kPacketHeadBytes) return true;
  const uint8_t* d = file_.data() + dataPos;
  size_t blocks = bytecodec::loadU16(d);
  size_t textPos = kPacketHeadBytes + 4 * blocks;
  if (textPos > dataBytes) return true;
  size_t textBytes = 0;
  for (size_t b = 0; b < blocks; ++b) textBytes += bytecodec::loadU32(d + kPacketHeadBytes + 4 * b);
  if (textBytes > dataBytes - textPos) textBytes = dataBytes - textPos;

  char opening[32];
  std::snprintf(opening, sizeof opening, "\n[%s: ", label);
  out_.insert(opening);
  ++depth_;
  int undo = undo_;
  undo_ = 0;
  bool ok = parse(dataPos + textPos, dataPos + textPos + textBytes);
  undo_ = undo;
  --depth_;
  if (ok) out_.insert("]\n");
  return ok;
}

}  // namespace

ImportWordPerfect6::ImportWordPerfect6(ByteSource& source, int32_t blockBytes, const WPCharMap& map,
                                       const wordperfect::Options& options)
    : WholeTextViewer(blockBytes) {
  info_.sizeBytes = source.size();
  info_.date = source.date();
  int32_t size = source.size();
  if (size > kMaxTextBytes) size = kMaxTextBytes;
  std::vector<uint8_t> file(static_cast<size_t>(size > 0 ? size : 0));
  if (size > 0 && source.readAt(0, file.data(), size) != size) {
    failed_ = true;
    return;
  }
  Wp6Parser parser(file, source.name(), map, options, &text_);
  const uint8_t* end = file.data() + file.size();
  uint32_t textPos = 0;
  bool cut = file.size() < static_cast<size_t>(ImportWordPerfect::kPrefixBytes) ||
             bytecodec::getU32(file.data() + ImportWordPerfect::kTextPosPos, end, &textPos) < 0;
  if (cut || textPos < static_cast<size_t>(ImportWordPerfect::kPrefixBytes) || textPos > file.size()) {
    trace::line("Damaged WordPerfect file detected (code = %d) at %ld file = %s", ImportWordPerfect::kDamagePastEnd,
                static_cast<long>(file.size()), source.name().c_str());
    text_.push_back(static_cast<char>(textblock::kDamaged));
    damageCode_ = ImportWordPerfect::kDamagePastEnd;
    damagePos_ = static_cast<int32_t>(file.size());
    return;
  }
  if (parser.parse(textPos, file.size())) parser.finish();
  damageCode_ = parser.damageCode();
  damagePos_ = parser.damagePos();
}

Viewer* makeWordPerfect6Import(const ImportSettings& settings, ByteSource& source, const lxrViewerInfo& info) {
  if (!ImportWordPerfect::hasPrefix(source)) return new FilteredImporter(source, info.blockSize);
  static const WPCharMap kDefaultMap;
  const WPCharMap& map = settings.wpCharMap ? *settings.wpCharMap : kDefaultMap;
  return new ImportWordPerfect6(source, info.blockSize, map, settings.wordPerfect);
}

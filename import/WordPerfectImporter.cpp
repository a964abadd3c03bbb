// WordPerfect 5.x documents to text blocks. The document text is read into memory and
// converted in one pass: single-byte codes by a fixed class table, fixed-length functions
// (C0..CF) by their sizes, variable-length functions (D0..DF) by the length in their head,
// which is checked against the end of the file and against the copy at the function's end.
// The text of notes and comments lies inside their function's body; it is read in place,
// with a stack of body ends, and closed with "]" when its body ends.
#include "import/WordPerfectImporter.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "import/BinaryImporter.h"
#include "import/TextBlock.h"
#include "import/WordPerfectText.h"
#include "objects/ByteCodec.h"
#include "objects/Trace.h"

namespace {

// Sizes of the fixed-length functions C0..CF, both code bytes included.
constexpr int kFixedBytes[16] = {4, 9, 11, 3, 3, 5, 6, 7, 4, 5, 6, 7, 8, 9, 10, 11};
// A variable-length function: code, subfunction, 16-bit length, body; the body's last 4
// bytes repeat the length, the subfunction and the code.
constexpr int kFunctionHeadBytes = 4;
constexpr int kTrailerBytes = 4;
// Positions are in 1/1200 inch; a column is a tenth of an inch.
constexpr int kUnitsPerColumn = 120;
// The column of the usual one-inch left margin: a margin setting indents the text by what
// lies beyond it.
constexpr int kUsualMarginColumn = 10;
// Both high bits of a tab's flags: an ordinary tab, left to the layout's tab stops.
constexpr uint8_t kPlainTabFlags = 0xC0;
// Footnote flags that ask for a letter in place of the number.
constexpr uint8_t kLetterFlags = 0x08 | 0x20 | 0x80;
constexpr int kFootnoteHeadBytes = 4;
constexpr int kFootnoteSkipBytes = 9;
constexpr int kEndnoteHeadBytes = 7;
constexpr int kCommentHeadBytes = 3;
constexpr int kNumberSkipBytes = 17;
constexpr int kMarginSkipBytes = 4;

enum class Class : uint8_t { kDrop, kChar, kTab, kLineEnd, kSoftEnd, kPageEnd, kBlank, kHyphen, kHash, kEnd, kFixed, kVariable };

// The class of each single-byte code.
Class classOf(uint8_t c) {
  if (c >= 0x20 && c <= 0x7E) return Class::kChar;
  if (c >= 0xC0 && c <= 0xCF) return Class::kFixed;
  if (c >= 0xD0 && c <= 0xDF) return Class::kVariable;
  switch (c) {
    case 0x00: return Class::kEnd;
    case 0x09: case 0x1A: return Class::kTab;
    case 0x0A: case 0x8C: case 0x90: case 0x91: case 0x92: case 0x93: case 0x94: return Class::kLineEnd;
    // A soft line end (and a soft page end) stands where the line was wrapped, often in
    // place of the blank between two words: it keeps them apart.
    case 0x0B: case 0x0D: case 0x95: case 0x99: return Class::kSoftEnd;
    case 0x0C: return Class::kPageEnd;
    case 0x98: return Class::kHash;
    case 0xA0: case 0xB0: return Class::kBlank;
    case 0xA9: case 0xAA: case 0xAB: case 0xAE: return Class::kHyphen;
    default: return Class::kDrop;
  }
}

class Wp5Parser {
 public:
  Wp5Parser(const std::vector<uint8_t>& data, int32_t basePos, const std::string& name, const WPCharMap& map,
            const wordperfect::Options& options, std::string* text)
      : data_(data), basePos_(basePos), name_(name), map_(map), options_(options), out_(text) {}

  // Converts the text; the damage code that ended it, or 0.
  int run();
  int32_t damagePos() const { return damagePos_; }

 private:
  struct Body {
    size_t end;  // where the body's trailing copy begins
    bool closing;
  };
  size_t limit() const { return bodies_.empty() ? data_.size() : bodies_.back().end; }
  int damaged(int code, size_t pos);
  // Each returns false when the text ends here.
  bool fixed(uint8_t code);
  bool variable(uint8_t code, int* damage);
  void noteOpening(const char* kind, uint8_t flags, int number);

  const std::vector<uint8_t>& data_;
  int32_t basePos_;
  const std::string& name_;
  const WPCharMap& map_;
  wordperfect::Options options_;
  WordPerfectText out_;
  std::vector<Body> bodies_;
  size_t pos_ = 0;
  int32_t damagePos_ = 0;
};

int Wp5Parser::damaged(int code, size_t pos) {
  damagePos_ = basePos_ + static_cast<int32_t>(pos);
  trace::line("Damaged WordPerfect file detected (code = %d) at %ld file = %s", code,
              static_cast<long>(damagePos_), name_.c_str());
  out_.finish(textblock::kDamaged);
  return code;
}

int Wp5Parser::run() {
  for (;;) {
    // Leave the bodies that end here: skip the trailing copy, close the note.
    while (!bodies_.empty() && pos_ >= bodies_.back().end) {
      pos_ = bodies_.back().end + kTrailerBytes;
      if (bodies_.back().closing) out_.insert("]\n");
      bodies_.pop_back();
    }
    if (pos_ >= data_.size()) break;
    uint8_t c = data_[pos_];
    switch (classOf(c)) {
      case Class::kChar: out_.character(c); break;
      case Class::kTab: out_.tab(); break;
      case Class::kLineEnd: out_.paragraphEnd(); break;
      case Class::kSoftEnd: out_.softBreak(); break;
      case Class::kPageEnd: out_.pageEnd(); break;
      case Class::kBlank: out_.character(' '); break;
      case Class::kHyphen: out_.character('-'); break;
      case Class::kHash: out_.character('#'); break;
      case Class::kDrop: break;
      case Class::kEnd: out_.finish(textblock::kEnd); return 0;
      case Class::kFixed:
        if (!fixed(c)) {
          out_.finish(0);
          return 0;
        }
        continue;
      case Class::kVariable: {
        int damage = 0;
        if (!variable(c, &damage)) return damage;
        continue;
      }
    }
    ++pos_;
  }
  out_.finish(0);
  return 0;
}

bool Wp5Parser::fixed(uint8_t code) {
  size_t n = static_cast<size_t>(kFixedBytes[code - 0xC0]);
  if (pos_ + n > limit()) {
    // Cut off: at the end of the file the text ends; inside a note the note does.
    if (bodies_.empty()) return false;
    pos_ = limit();
    return true;
  }
  const uint8_t* f = data_.data() + pos_;
  switch (code) {
    case 0xC0:
      if (unsigned char m = map_.map(f[2], f[1])) out_.character(m);
      break;
    case 0xC1: {
      uint16_t first = bytecodec::loadU16(f + 2);
      int position = first < kUnitsPerColumn ? bytecodec::loadU16(f + 4) : first;
      if ((f[1] & kPlainTabFlags) == kPlainTabFlags) {
        out_.tab();
      } else {
        int column = position / kUnitsPerColumn;
        out_.toColumn(column > WordPerfectText::kMaxTabColumn ? out_.column() : column);
      }
      break;
    }
    case 0xC2: {
      int column = bytecodec::loadU16(f + 2) / kUnitsPerColumn;
      out_.toColumn(column > WordPerfectText::kMaxTabColumn ? out_.column() : column);
      break;
    }
    case 0xC3:
    case 0xC4: {
      bool on = code == 0xC3;
      if (f[1] == 8) out_.attribute(textblock::kAttrItalic, on);
      else if (f[1] == 12) out_.attribute(textblock::kAttrBold, on);
      else if (f[1] == 14) out_.attribute(textblock::kAttrUnderline, on);
      break;
    }
    default: break;
  }
  pos_ += n;
  return true;
}

void Wp5Parser::noteOpening(const char* kind, uint8_t flags, int number) {
  char opening[64];
  int repeat = flags & 15;
  char letter = static_cast<char>(number + 64);
  if ((flags & kLetterFlags) && letter >= 'A' && letter <= 'Z') {
    std::string letters(static_cast<size_t>(repeat > 0 ? repeat : 1), letter);
    std::snprintf(opening, sizeof opening, "\n[%snote %s: ", kind, letters.c_str());
  } else {
    std::snprintf(opening, sizeof opening, "\n[%snote %d: ", kind, number);
  }
  out_.insert(opening);
}

bool Wp5Parser::variable(uint8_t code, int* damage) {
  size_t end = limit();
  if (pos_ + kFunctionHeadBytes > end) {
    *damage = damaged(ImportWordPerfect::kDamagePastEnd, pos_);
    return false;
  }
  const uint8_t* head = data_.data() + pos_;
  uint8_t sub = head[1];
  size_t length = bytecodec::loadU16(head + 2);
  size_t bodyPos = pos_ + kFunctionHeadBytes;
  if (length == 0) {
    *damage = damaged(ImportWordPerfect::kDamageZeroLength, pos_);
    return false;
  }
  if (bodyPos + length > end) {
    *damage = damaged(ImportWordPerfect::kDamagePastEnd, pos_);
    return false;
  }
  // A body too short for its own trailing copy cannot be skipped safely.
  size_t trailerPos = bodyPos + length - kTrailerBytes;
  if (length < static_cast<size_t>(kTrailerBytes)) {
    *damage = damaged(ImportWordPerfect::kDamageTrailingCopy, pos_);
    return false;
  }
  if (options_.checkTrailingCopies) {
    const uint8_t* t = data_.data() + trailerPos;
    if (bytecodec::loadU16(t) != length || t[2] != sub || t[3] != code) {
      *damage = damaged(ImportWordPerfect::kDamageTrailingCopy, pos_);
      return false;
    }
  }
  const uint8_t* body = data_.data() + bodyPos;
  size_t bodyBytes = length - kTrailerBytes;
  size_t after = bodyPos + length;
  // The body's text, when the function holds some, starts at `textPos`.
  size_t textPos = 0;
  bool closing = false;
  switch (code) {
    case 0xD0:
      if (sub == 1 && bodyBytes >= kMarginSkipBytes + 2) {
        int column = bytecodec::loadU16(body + kMarginSkipBytes) / kUnitsPerColumn;
        if (column < WordPerfectText::kMaxTabColumn) out_.setMargin(column - kUsualMarginColumn);
      }
      break;
    case 0xD4:
      if (sub == 0) {
        if (options_.textOption) out_.softBreak();
        else out_.pageEnd();
      } else if (sub == 5 && bodyBytes >= 2) {
        int column = bytecodec::loadU16(body) / kUnitsPerColumn;
        out_.toColumn(column > WordPerfectText::kMaxIndentColumn ? out_.column() : column);
      }
      break;
    case 0xD6:
      if (sub == 0 && bodyBytes >= kFootnoteHeadBytes) {
        size_t skip = kFootnoteHeadBytes + 2 * (static_cast<size_t>(body[3]) + 1) + kFootnoteSkipBytes;
        if (skip <= bodyBytes) {
          noteOpening("Foot", body[0], bytecodec::loadU16(body + 1));
          textPos = bodyPos + skip;
          closing = true;
        }
      } else if (sub == 1 && bodyBytes >= kEndnoteHeadBytes) {
        noteOpening("End", body[0], bytecodec::loadU16(body + 1));
        textPos = bodyPos + kEndnoteHeadBytes;
        closing = true;
      }
      break;
    case 0xD9:
      if (sub == 2 && bodyBytes >= kCommentHeadBytes) {
        out_.insert("\n[Comment: ");
        textPos = bodyPos + kCommentHeadBytes;
        closing = true;
      }
      break;
    case 0xD7:
      // The text of a marked entry, set off by blanks so it stays words of its own.
      if (sub == 4 && options_.textOption) {
        out_.softBreak();
        for (size_t i = 0; i < bodyBytes && body[i] != 0; ++i) out_.character(body[i]);
        out_.softBreak();
      }
      break;
    case 0xD8:
      if (sub == 1 && bodyBytes >= kNumberSkipBytes) textPos = bodyPos + kNumberSkipBytes;
      break;
    case 0xDC:
    case 0xDD:
      if (sub <= 2) out_.paragraphEnd();
      break;
    default: break;
  }
  if (textPos != 0 && bodies_.size() < static_cast<size_t>(ImportWordPerfect::kMaxNoteDepth)) {
    bodies_.push_back({trailerPos, closing});
    pos_ = textPos;
  } else {
    if (textPos != 0 && closing) out_.insert("]\n");
    pos_ = after;
  }
  return true;
}

}  // namespace

bool ImportWordPerfect::hasPrefix(ByteSource& source) {
  uint8_t prefix[kPrefixBytes];
  if (source.readAt(0, prefix, kPrefixBytes) != kPrefixBytes) return false;
  return std::memcmp(prefix, "\xFFWPC", 4) == 0 && bytecodec::loadU16(prefix + kEncryptionPos) == 0;
}

ImportWordPerfect::ImportWordPerfect(ByteSource& source, int32_t blockBytes, const WPCharMap& map,
                                     const wordperfect::Options& options)
    : WholeTextViewer(blockBytes) {
  info_.sizeBytes = source.size();
  info_.date = source.date();
  uint8_t prefix[kPrefixBytes];
  int32_t size = source.size();
  int32_t got = source.readAt(0, prefix, kPrefixBytes);
  if (got < 0) {
    failed_ = true;
    return;
  }
  int32_t textPos =
      got == kPrefixBytes ? static_cast<int32_t>(bytecodec::loadU32(prefix + kTextPosPos) & 0x7FFFFFFF) : size + 1;
  std::vector<uint8_t> data;
  if (textPos >= kPrefixBytes && textPos <= size) {
    int32_t textBytes = size - textPos;
    if (textBytes > kMaxTextBytes) textBytes = kMaxTextBytes;
    data.resize(static_cast<size_t>(textBytes));
    if (textBytes > 0 && source.readAt(textPos, data.data(), textBytes) != textBytes) {
      failed_ = true;
      return;
    }
  } else {
    // The text would begin past the end of the file: nothing of it is here.
    trace::line("Damaged WordPerfect file detected (code = %d) at %ld file = %s", kDamagePastEnd,
                static_cast<long>(size), source.name().c_str());
    text_.push_back(static_cast<char>(textblock::kDamaged));
    damageCode_ = kDamagePastEnd;
    damagePos_ = size;
    return;
  }
  Wp5Parser parser(data, textPos, source.name(), map, options, &text_);
  damageCode_ = parser.run();
  damagePos_ = parser.damagePos();
}

Viewer* makeWordPerfectImport(const ImportSettings& settings, ByteSource& source, const lxrViewerInfo& info) {
  if (!ImportWordPerfect::hasPrefix(source)) return new FilteredImporter(source, info.blockSize);
  static const WPCharMap kDefaultMap;
  const WPCharMap& map = settings.wpCharMap ? *settings.wpCharMap : kDefaultMap;
  return new ImportWordPerfect(source, info.blockSize, map, settings.wordPerfect);
}

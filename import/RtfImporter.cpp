// Rich Text to text blocks: one pass over the document with a stack of group states.
#include "import/RtfImporter.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "import/CodePage.h"
#include "import/TextBlock.h"
#include "import/UnicodeText.h"
#include "import/Utf8Converter.h"

namespace {

constexpr int32_t kReadBytes = 65536;
constexpr int kMaxWordLetters = 32;   // longer control words are cut (and so not known)
constexpr int kMaxParamDigits = 10;   // further digits are read and dropped
constexpr int kMaxUnicodeSkip = 16;   // bound on \ucN
constexpr size_t kMaxFonts = 4096;     // font table entries remembered
constexpr size_t kMaxCodePages = 32;   // code page tables made for one document
constexpr int kNoFont = -1;

// Where a group's text goes.
enum class Dest : uint8_t { kBody, kSkip, kInfo, kTitle, kFontTable };

struct GroupState {
  Dest dest = Dest::kBody;
  uint8_t uc = 1;         // fallback characters that follow each \u
  uint8_t attributes = 0; // textblock::kAttr* bits
  bool hidden = false;
  int32_t font = kNoFont; // the font in use (its character set decides the code page)
};

// The Windows code page of a font character set (\fcharset); 0 for the document's own.
int charsetCodePage(int32_t charset) {
  switch (charset) {
    case 77: return 10000;
    case 128: return 932;
    case 129: return 949;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 254: return 437;
    case 255: return 850;
    default: return 0;
  }
}

// Code pages of two bytes per character (for the bytes that lead one).
bool isLeadByte(int codePage, unsigned char b) {
  switch (codePage) {
    case 932: return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    case 936:
    case 949:
    case 950: return b >= 0x81 && b <= 0xFE;
    default: return false;
  }
}

// Destinations whose text nobody reads: tables, pictures, field instructions, bookmarks,
// embedded object data, document properties other than the title.
const char* const kSkipped[] = {
    "aftncn", "aftnsep", "aftnsepc", "annotation", "atnauthor", "atnid", "bkmkend",
    "bkmkstart", "colortbl", "colorschememapping", "datafield", "datastore", "do", "falt",
    "filetbl", "fldinst", "fontemb", "fontfile", "fonttbl", "ftncn", "ftnsep", "ftnsepc",
    "generator", "latentstyles", "listoverridetable", "listpicture", "listtable", "mmathPr",
    "nonshppict", "objclass", "objdata", "objname", "panose", "pgdsctbl", "pict", "pn",
    "private", "revtbl", "rsidtbl", "shpinst", "sn", "sp", "stylesheet", "sv", "tc",
    "template", "themedata", "userprops", "xe", "xmlnstbl"};

bool isSkipped(const char* word) {
  for (const char* s : kSkipped)
    if (std::strcmp(s, word) == 0) return true;
  return false;
}

// Control words that stand for one character of the text.
struct CharWord {
  const char* word;
  unsigned char c;
};
const CharWord kCharWords[] = {
    {"bullet", 0x95}, {"emdash", 0x97}, {"emspace", ' '}, {"endash", 0x96},
    {"enspace", ' '}, {"ldblquote", 0x93}, {"lquote", 0x91}, {"qmspace", ' '},
    {"rdblquote", 0x94}, {"rquote", 0x92},
    {"par", textblock::kParagraphEnd}, {"sect", textblock::kParagraphEnd},
    {"row", textblock::kParagraphEnd}, {"line", textblock::kLineBreak},
    {"page", textblock::kPageEnd}, {"tab", textblock::kTab}, {"cell", textblock::kTab},
    {"nestcell", textblock::kTab}};

bool isWordByte(unsigned char c) {
  return c >= 0x80 || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

int hexValue(int c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

class RtfParser {
 public:
  RtfParser(ByteSource& source, std::string* text, std::string* title, bool utf8 = false)
      : source_(source), size_(source.size()), text_(text), title_(title), utf8_(utf8) {
    stack_.emplace_back();
  }

  // Reads the whole document. False when a read failed (the text so far is kept).
  bool run();

 private:
  int next() {
    if (at_ >= got_) {
      if (!refill()) return -1;
    }
    return buffer_[at_++];
  }
  int peek() {
    if (at_ >= got_ && !refill()) return -1;
    return buffer_[at_];
  }
  bool refill();
  void skipBytes(int64_t n);

  GroupState& state() { return stack_.back(); }
  void openGroup();
  void closeGroup();
  void controlWord();
  void controlSymbol(int c);
  void word(const char* name, bool hasParam, int32_t param);
  void byte(unsigned char b);
  void character(unsigned char c);
  const unsigned char* table(int codePage);
  int currentCodePage();
  void code(unsigned char c);
  void syncAttributes(unsigned char next);

  ByteSource& source_;
  int32_t size_;
  std::string* text_;
  textblock::BlankRun blanks_;
  std::string* title_;
  std::vector<uint8_t> buffer_ = std::vector<uint8_t>(kReadBytes);
  int32_t filePos_ = 0;  // file position of buffer_[got_]
  int32_t got_ = 0;
  int32_t at_ = 0;
  bool readFailed_ = false;

  std::vector<GroupState> stack_;
  int untrackedDepth_ = 0;  // open groups past kMaxTrackedDepth
  int untrackedSkip_ = 0;   // the untracked depth at which a skipped destination began; 0: none
  int unicodeSkip_ = 0;     // fallback characters still to drop after a \u
  unsigned char shownAttributes_ = 0;
  int documentCodePage_ = 1252;
  int32_t defaultFont_ = kNoFont;
  int32_t fontEntry_ = kNoFont;       // the font table entry being read
  std::map<int32_t, int> fonts_;      // font number -> code page (0: the document's)
  std::map<int, std::array<unsigned char, 256>> tables_;
  bool leadByte_ = false;             // the first byte of a two-byte character was read
  unsigned char lead_ = 0;            // that byte
  bool utf8_;                         // the text and title are UTF-8, not Windows-1252
  std::map<int, std::array<uint32_t, 256>> wideTables_;  // code points of code page bytes
  const uint32_t* wideTable(int codePage);
  void codePoint(uint32_t cp);
  int utf8Length_ = 0;  // scratch for decode
};

bool RtfParser::refill() {
  if (readFailed_ || filePos_ >= size_) return false;
  int32_t want = std::min<int32_t>(kReadBytes, size_ - filePos_);
  int32_t n = source_.readAt(filePos_, buffer_.data(), want);
  if (n <= 0) {
    readFailed_ = true;
    return false;
  }
  filePos_ += n;
  got_ = n;
  at_ = 0;
  return true;
}

void RtfParser::skipBytes(int64_t n) {
  while (n > 0) {
    if (at_ >= got_ && !refill()) return;
    int64_t here = std::min<int64_t>(n, got_ - at_);
    at_ += static_cast<int32_t>(here);
    n -= here;
  }
}

bool RtfParser::run() {
  for (;;) {
    int c = next();
    if (c < 0) break;
    switch (c) {
      case '{':
        openGroup();
        break;
      case '}':
        closeGroup();
        break;
      case '\\':
        controlWord();
        break;
      case '\r':
      case '\n':
        break;  // line ends of the file carry no meaning
      case '\t':
        code(textblock::kTab);
        break;
      default:
        if (c >= 32) byte(static_cast<unsigned char>(c));
        break;
    }
  }
  // The document is over: close the attributes still on.
  if (shownAttributes_ & textblock::kAttrBold) text_->push_back(static_cast<char>(textblock::kBold));
  if (shownAttributes_ & textblock::kAttrItalic) text_->push_back(static_cast<char>(textblock::kItalic));
  if (shownAttributes_ & textblock::kAttrUnderline)
    text_->push_back(static_cast<char>(textblock::kUnderline));
  shownAttributes_ = 0;
  return !readFailed_;
}

void RtfParser::openGroup() {
  unicodeSkip_ = 0;
  if (static_cast<int>(stack_.size()) >= RtfImporter::kMaxTrackedDepth) {
    ++untrackedDepth_;
    return;
  }
  GroupState inner = state();
  if (inner.dest == Dest::kTitle) inner.dest = Dest::kSkip;  // no groups inside a title
  stack_.push_back(inner);
}

void RtfParser::closeGroup() {
  unicodeSkip_ = 0;
  if (untrackedDepth_ > 0) {
    --untrackedDepth_;
    if (untrackedDepth_ < untrackedSkip_) untrackedSkip_ = 0;
    return;
  }
  // A close without its open is ignored: the outermost state stays.
  if (stack_.size() > 1) stack_.pop_back();
}

void RtfParser::controlWord() {
  int c = next();
  if (c < 0) return;
  bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
  if (!letter) {
    if (unicodeSkip_ > 0 && c != '\'') {
      --unicodeSkip_;  // a control symbol in the place of a fallback character counts as one
      return;
    }
    controlSymbol(c);
    return;
  }
  char name[kMaxWordLetters + 1];
  int length = 0;
  name[length++] = static_cast<char>(c);
  for (;;) {
    c = peek();
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) break;
    next();
    if (length < kMaxWordLetters) name[length++] = static_cast<char>(c);
  }
  name[length] = 0;
  bool negative = false;
  bool hasParam = false;
  int64_t value = 0;
  if (c == '-') {
    next();
    negative = true;
    c = peek();
  }
  int digits = 0;
  while (c >= '0' && c <= '9') {
    next();
    if (digits++ < kMaxParamDigits) value = value * 10 + (c - '0');
    hasParam = true;
    c = peek();
  }
  if (c == ' ') next();  // the blank that ends a control word belongs to it
  if (value > INT32_MAX) value = INT32_MAX;
  int32_t param = static_cast<int32_t>(negative ? -value : value);
  if (unicodeSkip_ > 0 && std::strcmp(name, "bin") != 0) {
    // A control word in the place of a fallback character counts as one.
    --unicodeSkip_;
    return;
  }
  word(name, hasParam, param);
}

void RtfParser::controlSymbol(int c) {
  switch (c) {
    case '\'': {
      int hi = hexValue(peek());
      if (hi < 0) return;
      next();
      int lo = hexValue(peek());
      if (lo < 0) return;
      next();
      byte(static_cast<unsigned char>(hi * 16 + lo));
      return;
    }
    case '*':  // a destination a reader may ignore
      if (untrackedDepth_ > 0) {
        if (untrackedSkip_ == 0) untrackedSkip_ = untrackedDepth_;
      } else {
        state().dest = Dest::kSkip;
      }
      return;
    case '~':
      character(0xA0);
      return;
    case '_':
      character('-');
      return;
    case '\\':
    case '{':
    case '}':
      character(static_cast<unsigned char>(c));
      return;
    case '\r':
    case '\n':
      code(textblock::kParagraphEnd);
      return;
    case '\t':
      code(textblock::kTab);
      return;
    default:
      return;  // optional hyphen, index sub-entry, formula and unknown symbols
  }
}

void RtfParser::word(const char* name, bool hasParam, int32_t param) {
  // Past the tracked depth a group has no state of its own: its changes go to a scratch
  // copy and are dropped, except that a destination it skips is skipped to its end.
  GroupState scratch = state();
  GroupState& s = untrackedDepth_ > 0 ? scratch : state();
  struct UntrackedSkip {
    RtfParser* p;
    const GroupState& s;
    ~UntrackedSkip() {
      if (p->untrackedDepth_ > 0 && p->untrackedSkip_ == 0 &&
          (s.dest != p->state().dest || (s.hidden && !p->state().hidden)))
        p->untrackedSkip_ = p->untrackedDepth_;
    }
  } untrackedSkip{this, s};
  for (const CharWord& w : kCharWords) {
    if (std::strcmp(w.word, name) == 0) {
      if (textblock::isCode(w.c)) code(w.c);
      else character(w.c);
      return;
    }
  }
  bool on = !hasParam || param != 0;
  auto setAttribute = [&](unsigned char bit, bool value) {
    s.attributes = static_cast<uint8_t>(value ? s.attributes | bit : s.attributes & ~bit);
  };
  if (std::strcmp(name, "u") == 0) {
    uint32_t cp = static_cast<uint32_t>(param < 0 ? param + 65536 : param);
    if (utf8_) codePoint(cp);
    else character(codepage::fromUnicode(cp));
    unicodeSkip_ = s.uc;
  } else if (std::strcmp(name, "uc") == 0) {
    s.uc = static_cast<uint8_t>(param < 0 ? 0 : param > kMaxUnicodeSkip ? kMaxUnicodeSkip : param);
  } else if (std::strcmp(name, "bin") == 0) {
    unicodeSkip_ = 0;
    if (param > 0) skipBytes(param);
  } else if (std::strcmp(name, "b") == 0) {
    setAttribute(textblock::kAttrBold, on);
  } else if (std::strcmp(name, "i") == 0) {
    setAttribute(textblock::kAttrItalic, on);
  } else if (std::strncmp(name, "ul", 2) == 0) {
    // \ul and its styles (\uldb, \ulw, ...) turn underline on; \ulnone and \ul0 turn it off.
    setAttribute(textblock::kAttrUnderline, on && std::strcmp(name, "ulnone") != 0 &&
                                                std::strcmp(name, "ulc") != 0);
  } else if (std::strcmp(name, "plain") == 0) {
    s.attributes = 0;
    s.hidden = false;
  } else if (std::strcmp(name, "v") == 0) {
    s.hidden = on;
  } else if (std::strcmp(name, "ansicpg") == 0) {
    if (param > 0) documentCodePage_ = param;
  } else if (std::strcmp(name, "pc") == 0) {
    documentCodePage_ = 437;
  } else if (std::strcmp(name, "pca") == 0) {
    documentCodePage_ = 850;
  } else if (std::strcmp(name, "mac") == 0) {
    documentCodePage_ = 10000;
  } else if (std::strcmp(name, "deff") == 0) {
    defaultFont_ = param;
  } else if (std::strcmp(name, "fonttbl") == 0) {
    s.dest = Dest::kFontTable;
  } else if (std::strcmp(name, "f") == 0) {
    if (s.dest == Dest::kFontTable) {
      fontEntry_ = param;
      if (fonts_.size() < kMaxFonts) fonts_.emplace(param, 0);
    } else {
      s.font = param;
    }
  } else if (std::strcmp(name, "fcharset") == 0 || std::strcmp(name, "cpg") == 0) {
    if (s.dest == Dest::kFontTable && fonts_.count(fontEntry_)) {
      int cp = name[1] == 'c' ? charsetCodePage(param) : param;
      if (cp != 0 || name[1] == 'c') fonts_[fontEntry_] = cp;
    }
  } else if (std::strcmp(name, "info") == 0) {
    if (s.dest == Dest::kBody) s.dest = Dest::kInfo;
  } else if (std::strcmp(name, "title") == 0) {
    s.dest = s.dest == Dest::kInfo && title_->empty() ? Dest::kTitle : Dest::kSkip;
  } else if (s.dest == Dest::kInfo) {
    s.dest = Dest::kSkip;  // the other document properties
  } else if (isSkipped(name)) {
    s.dest = Dest::kSkip;
  }
}

// The byte table of a code page, made on first use. A code page iconv does not know leaves
// the bytes as they are: Windows-1252 is the likeliest guess.
const unsigned char* RtfParser::table(int codePage) {
  auto it = tables_.find(codePage);
  if (it != tables_.end()) return it->second.data();
  if (tables_.size() >= kMaxCodePages) codePage = 1252;  // a document naming ever more of them
  it = tables_.find(codePage);
  if (it != tables_.end()) return it->second.data();
  std::array<unsigned char, 256> t;
  for (int b = 0; b < 256; ++b) t[static_cast<size_t>(b)] = static_cast<unsigned char>(b);
  if (codePage != 1252) {
    std::string name = codePage == 10000 ? "MACINTOSH" : "CP" + std::to_string(codePage);
    codepage::singleByteTable(name.c_str(), t.data());
  }
  return tables_.emplace(codePage, t).first->second.data();
}

int RtfParser::currentCodePage() {
  int32_t font = state().font != kNoFont ? state().font : defaultFont_;
  auto it = fonts_.find(font);
  int cp = it != fonts_.end() ? it->second : 0;
  return cp != 0 ? cp : documentCodePage_;
}

// One byte of text in the code page of the current font.
void RtfParser::byte(unsigned char b) {
  if (unicodeSkip_ > 0) {
    --unicodeSkip_;
    return;
  }
  if (leadByte_) {
    leadByte_ = false;
    if (!utf8_) {
      character(' ');  // a two-byte character: none of them has a place in Windows-1252
      return;
    }
    const uint8_t pair[2] = {lead_, b};
    std::string u = utf8conv::toUtf8("CP" + std::to_string(currentCodePage()), pair, 2);
    for (size_t i = 0; i < u.size();) {
      int len;
      codePoint(unicodetext::decode(u, i, &len));
      i += static_cast<size_t>(len);
    }
    return;
  }
  if (b < 0x80) {
    character(b);
    return;
  }
  int cp = currentCodePage();
  if (isLeadByte(cp, b)) {
    leadByte_ = true;
    lead_ = b;
    return;
  }
  if (utf8_) codePoint(wideTable(cp)[b]);
  else character(table(cp)[b]);
}

// The code point of each byte of a single-byte code page, made on first use; one iconv does
// not know is taken as Windows-1252.
const uint32_t* RtfParser::wideTable(int codePage) {
  if (wideTables_.size() >= kMaxCodePages && !wideTables_.count(codePage)) codePage = 1252;
  auto it = wideTables_.find(codePage);
  if (it != wideTables_.end()) return it->second.data();
  std::array<uint32_t, 256> t;
  std::string name = codePage == 10000 ? "MACINTOSH" : codePage == 1252 ? "WINDOWS-1252" : "CP" + std::to_string(codePage);
  utf8conv::Converter conv(name);
  for (int b = 0; b < 256; ++b) {
    const uint8_t one = static_cast<uint8_t>(b);
    std::string u;
    conv.reset();
    conv.convert(&one, 1, &u, true);
    int len = 1;
    t[static_cast<size_t>(b)] = u.empty() ? unicodetext::kReplacement : unicodetext::decode(u, 0, &len);
  }
  return wideTables_.emplace(codePage, t).first->second.data();
}

// One character of the text as a code point (UTF-8 text only).
void RtfParser::codePoint(uint32_t cp) {
  if (cp < 0x80) {
    character(static_cast<unsigned char>(cp));
    return;
  }
  if (untrackedSkip_ > 0) return;
  const GroupState& s = state();
  if (s.dest == Dest::kTitle) {
    if (title_->size() + 4 <= RtfImporter::kMaxTitleBytes) unicodetext::append(title_, cp);
    return;
  }
  if (s.dest != Dest::kBody || s.hidden) return;
  syncAttributes(0x80);
  unicodetext::append(text_, cp);
}

void RtfParser::character(unsigned char c) {
  if (utf8_ && c >= 0x80) {  // a character named by a control word, in Windows-1252
    codePoint(unicodetext::decode(unicodetext::fromWindows1252(std::string(1, static_cast<char>(c))), 0, &utf8Length_));
    return;
  }
  if (untrackedSkip_ > 0) return;
  const GroupState& s = state();
  if (s.dest == Dest::kTitle) {
    if (title_->size() < RtfImporter::kMaxTitleBytes) title_->push_back(static_cast<char>(c < 32 ? ' ' : c));
    return;
  }
  if (s.dest != Dest::kBody || s.hidden) return;
  syncAttributes(c);
  textblock::appendChar(text_, c, &blanks_);
}

void RtfParser::code(unsigned char c) {
  if (untrackedSkip_ > 0) return;
  const GroupState& s = state();
  if (s.dest == Dest::kTitle) {
    if (title_->size() < RtfImporter::kMaxTitleBytes) title_->push_back(' ');
    return;
  }
  if (s.dest != Dest::kBody || s.hidden) return;
  text_->push_back(static_cast<char>(c));
}

// Brings the attribute codes in the text up to the group's attributes before `next` is
// appended. A change inside a word waits for the word's end, so no word is cut in two.
void RtfParser::syncAttributes(unsigned char next) {
  unsigned char want = state().attributes;
  if (want == shownAttributes_) return;
  if (!text_->empty() && isWordByte(static_cast<unsigned char>(text_->back())) && isWordByte(next))
    return;
  unsigned char changed = want ^ shownAttributes_;
  if (changed & textblock::kAttrBold) text_->push_back(static_cast<char>(textblock::kBold));
  if (changed & textblock::kAttrItalic) text_->push_back(static_cast<char>(textblock::kItalic));
  if (changed & textblock::kAttrUnderline) text_->push_back(static_cast<char>(textblock::kUnderline));
  shownAttributes_ = want;
}

}  // namespace

bool RtfImporter::deliverUtf8() {
  text_.clear();
  info_.title.clear();
  RtfParser parser(*source_, &text_, &info_.title, true);
  failed_ = !parser.run();
  while (!info_.title.empty() && info_.title.back() == ' ') info_.title.pop_back();
  return true;
}

RtfImporter::RtfImporter(ByteSource& source, int32_t blockBytes) : WholeTextViewer(blockBytes), source_(&source) {
  RtfParser parser(source, &text_, &info_.title);
  failed_ = !parser.run();
  while (!info_.title.empty() && info_.title.back() == ' ') info_.title.pop_back();
  info_.sizeBytes = source.size();
  info_.date = source.date();
}

void* makeRtfImport(void* source, const lxrViewerInfo* info) {
  if (!source || !info) return nullptr;
  return static_cast<Viewer*>(new RtfImporter(*static_cast<ByteSource*>(source), info->blockSize));
}

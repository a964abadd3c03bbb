// The WordDocument stream starts with the File Information Block (FIB). Word 97 and later
// (nFib above 105) keep the piece table in the table stream (0Table or 1Table as the FIB
// says); each piece is a run of character positions whose text lies at a file offset in the
// WordDocument stream, as 8-bit Windows-1252 ("compressed", offset bit 30 set, byte offset =
// value / 2) or as UTF-16LE. Word 6 and 95 keep everything in the WordDocument stream: a
// fast-saved file has a piece table of 8-bit pieces, any other its text from fcMin on.
#include "import/WordDocExtractor.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "import/CompoundFile.h"
#include "import/FormatTypes.h"
#include "import/SummaryInfo.h"
#include "import/UnicodeText.h"
#include "import/WordTextSink.h"

namespace worddocextractor {

namespace {

constexpr uint16_t kWord8Ident = 0xA5EC, kWord6Ident = 0xA5DC;
constexpr uint16_t kComplex = 0x0004, kEncrypted = 0x0100, kTable1 = 0x0200;
constexpr uint16_t kLastWord6Fib = 105;
constexpr uint32_t kClxIndex = 33;  // fcClx/lcbClx among Word 97's (fc, lcb) pairs
constexpr uint32_t kFootnoteRefIndex = 2;  // fcPlcffndRef: the positions of footnote references
constexpr size_t kWord6Ccp = 0x34, kWord6FcClx = 0x1A4, kWord6FcMin = 0x18, kWord6FcFootnoteRefs = 0x68;
constexpr int kStories = 8;  // main text, footnotes, headers, macros, comments, endnotes, two text-box stories

uint16_t u16(std::string_view b, size_t at) {
  if (at > b.size() || b.size() - at < 2) return 0;
  return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}

uint32_t u32(std::string_view b, size_t at) {
  return static_cast<uint32_t>(u16(b, at)) | static_cast<uint32_t>(u16(b, at + 2)) << 16;
}

// What the FIB says of the text.
struct Fib {
  bool word97 = false;
  bool complex = false;
  uint64_t characters = 0;  // all stories
  uint32_t ccp[kStories] = {};  // the characters of each story
  uint32_t fcFootnoteRefs = 0, lcbFootnoteRefs = 0;
  uint32_t fcMin = 0;
  uint32_t fcClx = 0, lcbClx = 0;
  bool table1 = false;
};

bool readFib(std::string_view doc, Fib* fib, std::string* error) {
  if (doc.size() < 0x40) return *error = "the Word FIB is cut short", false;
  uint16_t ident = u16(doc, 0), nFib = u16(doc, 2), flags = u16(doc, 0x0A);
  if (ident != kWord8Ident && ident != kWord6Ident) return *error = "not a Word 6 or later document", false;
  fib->complex = flags & kComplex;
  fib->table1 = flags & kTable1;
  fib->word97 = nFib > kLastWord6Fib;
  size_t ccpAt = kWord6Ccp;
  if (fib->word97) {
    // FibBase (32 bytes), csw and its 16-bit values, cslw and its 32-bit values (ccpText is the
    // fourth), cbRgFcLcb and the (fc, lcb) pairs.
    size_t lw = 0x22 + 2 * static_cast<size_t>(u16(doc, 0x20)) + 2;
    size_t cslw = u16(doc, lw - 2);
    size_t pairsAt = lw + 4 * cslw + 2;
    if (cslw < 11 || u16(doc, pairsAt - 2) <= kClxIndex || pairsAt + 8 * (kClxIndex + 1) > doc.size())
      return *error = "the Word FIB is cut short", false;
    ccpAt = lw + 12;
    fib->fcClx = u32(doc, pairsAt + 8 * kClxIndex);
    fib->lcbClx = u32(doc, pairsAt + 8 * kClxIndex + 4);
    fib->fcFootnoteRefs = u32(doc, pairsAt + 8 * kFootnoteRefIndex);
    fib->lcbFootnoteRefs = u32(doc, pairsAt + 8 * kFootnoteRefIndex + 4);
  } else {
    if (doc.size() < kWord6FcClx + 8) return *error = "the Word FIB is cut short", false;
    fib->fcMin = u32(doc, kWord6FcMin);
    fib->fcClx = u32(doc, kWord6FcClx);
    fib->lcbClx = u32(doc, kWord6FcClx + 4);
    fib->fcFootnoteRefs = u32(doc, kWord6FcFootnoteRefs);
    fib->lcbFootnoteRefs = u32(doc, kWord6FcFootnoteRefs + 4);
  }
  for (int i = 0; i < kStories; ++i) {
    uint32_t ccp = u32(doc, ccpAt + 4 * static_cast<size_t>(i));
    if (ccp >= (1u << 30)) continue;
    fib->ccp[i] = ccp;
    fib->characters += ccp;
  }
  return true;
}

struct Piece {
  uint32_t cpStart, cpEnd;  // character positions [start, end)
  uint32_t fc;              // raw offset value
};

// The pieces of a CLX: property runs (type 1, 16-bit size) are skipped, the piece table
// (type 2, 32-bit size) read: n+1 character positions then n 8-byte descriptors, the offset at
// byte 2 of each.
bool readPieces(std::string_view clx, std::vector<Piece>* pieces, std::string* error) {
  size_t at = 0;
  while (at < clx.size()) {
    auto kind = static_cast<uint8_t>(clx[at]);
    if (kind == 1) {
      at += 3 + u16(clx, at + 1);
      continue;
    }
    if (kind != 2) break;
    uint32_t lcb = u32(clx, at + 1);
    if (lcb > clx.size() - std::min(clx.size(), at + 5) || lcb < 16) break;
    std::string_view plc = clx.substr(at + 5, lcb);
    size_t n = (plc.size() - 4) / 12;
    for (size_t i = 0; i < n; ++i) {
      Piece p{u32(plc, 4 * i), u32(plc, 4 * i + 4), u32(plc, 4 * (n + 1) + 8 * i + 2)};
      if (p.cpEnd > p.cpStart) pieces->push_back(p);
    }
    return true;
  }
  *error = "no piece table in the Word document";
  return false;
}

// Windows-1252's characters for 0x80..0x9F (0 for the five it leaves undefined).
constexpr uint16_t kHigh1252[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The numbers Word shows for automatically numbered notes (character 2 in the text): the
// footnotes 1, 2, 3 and the endnotes i, ii, iii (Word's defaults), counted in the main text by
// whether a reference's position is among the footnote references, and in the footnote and
// endnote stories by their order.
class NoteMarks {
 public:
  NoteMarks(std::vector<uint32_t> footnoteRefs, uint64_t mainEnd, uint64_t footnotesEnd, uint64_t endnotesStart,
            uint64_t endnotesEnd)
      : footnoteRefs_(std::move(footnoteRefs)), mainEnd_(mainEnd), footnotesEnd_(footnotesEnd),
        endnotesStart_(endnotesStart), endnotesEnd_(endnotesEnd) {}

  std::string at(uint64_t cp) {
    if (cp < mainEnd_) {
      bool footnote = std::binary_search(footnoteRefs_.begin(), footnoteRefs_.end(), cp);
      return footnote ? arabic(++footnotesInMain_) : roman(++endnotesInMain_);
    }
    if (cp < footnotesEnd_) return arabic(++footnotes_);
    if (cp >= endnotesStart_ && cp < endnotesEnd_) return roman(++endnotes_);
    return {};
  }

 private:
  static std::string arabic(uint32_t n) { return "[" + std::to_string(n) + "]"; }
  static std::string roman(uint32_t n) {
    static const char* const kOnes[] = {"", "i", "ii", "iii", "iv", "v", "vi", "vii", "viii", "ix"};
    static const char* const kTens[] = {"", "x", "xx", "xxx", "xl", "l", "lx", "lxx", "lxxx", "xc"};
    static const char* const kHundreds[] = {"", "c", "cc", "ccc", "cd", "d", "dc", "dcc", "dccc", "cm"};
    if (n >= 1000) return arabic(n);
    return std::string("[") + kHundreds[n / 100] + kTens[n / 10 % 10] + kOnes[n % 10] + "]";
  }

  std::vector<uint32_t> footnoteRefs_;
  uint64_t mainEnd_, footnotesEnd_, endnotesStart_, endnotesEnd_;
  uint32_t footnotesInMain_ = 0, endnotesInMain_ = 0, footnotes_ = 0, endnotes_ = 0;
};

// Where the text goes: the sink, the note numbers, and what is left of the character budget
// (a document's text never holds more characters than its stream has bytes, however its
// pieces point).
struct TextTarget {
  WordTextSink* sink;
  NoteMarks* notes;
  uint64_t budget;
};

// Feeds `count` characters of `doc`, from character position `cp` on, to the target: 8-bit
// Windows-1252 ones at `offset`, or UTF-16LE ones when `wide`. False when the stream ends
// first (what exists is fed).
bool feed(std::string_view doc, uint64_t offset, uint64_t cp, uint64_t count, bool wide, TextTarget* to) {
  if (offset >= doc.size()) return count == 0;
  uint64_t have = (doc.size() - offset) / (wide ? 2 : 1);
  uint64_t n = std::min({count, have, to->budget});
  to->budget -= n;
  for (uint64_t i = 0; i < n && !to->sink->full(); ++i) {
    uint32_t c;
    if (!wide) {
      c = static_cast<uint8_t>(doc[static_cast<size_t>(offset + i)]);
      if (c >= 0x80 && c < 0xA0) c = kHigh1252[c - 0x80];
    } else {
      c = u16(doc, static_cast<size_t>(offset + 2 * i));
      if (c >= 0xD800 && c < 0xDC00 && i + 1 < n) {
        uint32_t low = u16(doc, static_cast<size_t>(offset + 2 * i + 2));
        if (low >= 0xDC00 && low < 0xE000) {
          c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
          ++i;
        }
      }
    }
    if (c == 2) {
      to->sink->putMark(to->notes->at(cp + i));
    } else {
      to->sink->put(c);
    }
  }
  return n == count;
}

// The character positions of the footnote references: the first n+1 positions of the PLC
// (n+1 positions then n two-byte numbers), sorted.
std::vector<uint32_t> footnoteRefs(std::string_view tables, const Fib& fib) {
  std::vector<uint32_t> refs;
  if (fib.fcFootnoteRefs >= tables.size() || fib.lcbFootnoteRefs > tables.size() - fib.fcFootnoteRefs) return refs;
  size_t n = (fib.lcbFootnoteRefs >= 4 ? fib.lcbFootnoteRefs - 4 : 0) / 6;
  for (size_t i = 0; i < n; ++i) refs.push_back(u32(tables, fib.fcFootnoteRefs + 4 * i));
  std::sort(refs.begin(), refs.end());
  return refs;
}

int fail(ExtractedText* out, std::string why) {
  out->outcome = ExtractedText::Outcome::kFailed;
  out->error = std::move(why);
  out->text.clear();
  return -1;
}

int extractText(std::string_view bytes, const ExtractLimits& limits, ExtractedText* out) {
  compoundfile::File file;
  if (!file.open(bytes)) return fail(out, "compound file: " + file.error());
  if (!file.hasStream("WordDocument")) {
    // A workbook, a presentation, a message: not read here, and not indexed as raw bytes.
    out->type = formattype::kCompoundDocument;
    out->outcome = ExtractedText::Outcome::kNotText;
    return 0;
  }
  std::string doc;
  bool whole = file.readStream("WordDocument", &doc);
  const std::string damage = whole ? std::string() : file.error();
  if (!whole && doc.size() < 0x200) return fail(out, "compound file: " + damage);
  if (u16(doc, 0) == kWord8Ident || u16(doc, 0) == kWord6Ident) {
    if (u16(doc, 0x0A) & kEncrypted) {
      out->outcome = ExtractedText::Outcome::kEncrypted;
      return 0;
    }
  }
  Fib fib;
  std::string error;
  if (!readFib(doc, &fib, &error)) return fail(out, error);
  std::string summary;
  if (file.hasStream("\005SummaryInformation") && file.readStream("\005SummaryInformation", &summary, 1 << 20)) {
    summaryinfo::Properties p = summaryinfo::read(summary);
    out->title = p.title;
    out->author = p.author;
  }

  const auto textLimit = static_cast<size_t>(std::max<int64_t>(limits.textBytes, 0));
  WordTextSink sink(&out->text, textLimit);
  bool complete = whole;
  std::string table;
  std::string_view tables = doc;  // Word 6 keeps its tables in the WordDocument stream
  if (fib.word97) {
    const char* name = fib.table1 ? "1Table" : "0Table";
    if (!file.readStream(name, &table)) {
      if (table.empty()) return fail(out, "compound file: " + file.error());
      complete = false;
    }
    tables = table;
  }
  NoteMarks notes(footnoteRefs(tables, fib), fib.ccp[0], uint64_t{fib.ccp[0]} + fib.ccp[1],
                  uint64_t{fib.ccp[0]} + fib.ccp[1] + fib.ccp[2] + fib.ccp[3] + fib.ccp[4],
                  uint64_t{fib.ccp[0]} + fib.ccp[1] + fib.ccp[2] + fib.ccp[3] + fib.ccp[4] + fib.ccp[5]);
  TextTarget target{&sink, &notes, doc.size()};
  std::vector<Piece> pieces;
  if (fib.word97 || fib.complex) {
    bool inside = fib.fcClx < tables.size() && fib.lcbClx <= tables.size() - fib.fcClx;
    if (!inside || !readPieces(tables.substr(fib.fcClx, fib.lcbClx), &pieces, &error)) {
      // Word 97 always has a piece table; a Word 6 file without a readable one is read from
      // fcMin on as if it had not been fast-saved.
      if (fib.word97) return fail(out, inside ? error : "the piece table lies outside its stream");
      pieces.clear();
      complete = false;
    }
  }
  if (!pieces.empty()) {
    uint32_t done = 0;  // pieces follow in order of position; one that goes back is skipped
    for (const Piece& p : pieces) {
      if (sink.full()) break;
      if (p.cpStart >= fib.characters || p.cpStart < done) continue;
      done = p.cpEnd;
      uint64_t count = std::min<uint64_t>(p.cpEnd, fib.characters) - p.cpStart;
      bool compressed = !fib.word97 || (p.fc & 0x40000000);
      uint64_t offset = fib.word97 && compressed ? (p.fc & 0x3FFFFFFF) / 2 : p.fc;
      if (!feed(doc, offset, p.cpStart, count, !compressed, &target)) complete = false;
    }
  } else if (!feed(doc, fib.fcMin, 0, fib.characters, false, &target)) {
    complete = false;
  }
  if (sink.full()) {
    out->partial = true;
    out->error = "text limit reached";
  } else if (!complete) {
    out->partial = true;
    out->error = "the document is damaged: part of its text is missing";
    if (!damage.empty()) out->error += " (" + damage + ")";
  }
  return 0;
}

}  // namespace

int extract(std::string_view bytes, const ExtractLimits& limits, ExtractedText* out) {
  try {
    return extractText(bytes, limits, out);
  } catch (const std::bad_alloc&) {
    return fail(out, "out of memory reading the Word document");
  } catch (...) {
    return fail(out, "the Word document could not be read");
  }
}

}  // namespace worddocextractor
